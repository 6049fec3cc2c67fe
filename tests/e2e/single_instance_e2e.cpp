// SPDX-License-Identifier: GPL-3.0-or-later
// One program per user, with the real program started as separate processes on a private X
// server. Each run has its own runtime folder, so the socket's name is its own.

#include "app/DesktopServices.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>

#include <filesystem>
#include <functional>
#include <memory>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

constexpr int Ceiling = 30000; // milliseconds for a program to start or end on a loaded machine

bool waitFor(const std::function<bool()>& condition, int milliseconds = Ceiling) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

class SingleInstanceEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "single_instance_e2e";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr)
            new QCoreApplication(argc, argv);
    }
    void SetUp() override {
        fs::permissions(m_runtime.path(), fs::perms::owner_all);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(m_runtime.path()));
    }

    std::unique_ptr<QProcess> start(const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->setWorkingDirectory(QString::fromStdString(m_runtime.path()));
        process->start(VANTARO_PROGRAM_DIR "/vantaro", arguments);
        EXPECT_TRUE(process->waitForStarted(Ceiling));
        return process;
    }
    static bool answers() {
        QLocalSocket socket;
        socket.connectToServer(SingleInstance::socketName());
        return socket.waitForConnected(1000);
    }

    TempFolder m_runtime{"vantaro-runtime"};
};

TEST_F(SingleInstanceEndToEnd, ASecondStartHandsItsLinkOverAndLeaves) {
    EXPECT_TRUE(SingleInstance::socketName().startsWith(QString::fromStdString(m_runtime.path())));
    SingleInstance running;
    ASSERT_TRUE(running.listen());
    QStringList received;
    running.setReceiver([&received](const QString& link) { received << link; });

    const QString link = "http://127.0.0.1:9/watch?v=handed";
    for (const QStringList& arguments : {QStringList{link}, QStringList{}}) {
        const std::unique_ptr<QProcess> second = start(arguments);
        ASSERT_TRUE(second->waitForFinished(Ceiling));
        EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().toStdString();
    }
    // The link, then an empty hand-over that only raises the window.
    ASSERT_TRUE(waitFor([&received] { return received.size() == 2; }));
    EXPECT_EQ(received, (QStringList{link, QString()}));
}

TEST_F(SingleInstanceEndToEnd, ASocketLeftByAKilledProgramDoesNotStopTheNextStart) {
    const std::unique_ptr<QProcess> first = start({});
    ASSERT_TRUE(waitFor(answers)) << "the first program did not listen";
    first->kill();
    ASSERT_TRUE(first->waitForFinished(Ceiling));
    ASSERT_TRUE(fs::exists(SingleInstance::socketName().toStdString())) << "no stale socket";
    EXPECT_FALSE(answers());

    const std::unique_ptr<QProcess> next = start({});
    ASSERT_TRUE(waitFor([&next] { return answers() || next->state() != QProcess::Running; }));
    EXPECT_EQ(next->state(), QProcess::Running) << next->readAllStandardError().toStdString();
    EXPECT_TRUE(answers());
    next->terminate();
    next->waitForFinished(Ceiling);
}

TEST_F(SingleInstanceEndToEnd, HelpAndVersionAnswerWithoutADisplay) {
    for (const char* option : {"--version", "--help"}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        process.setProcessEnvironment(environment);
        process.start(VANTARO_PROGRAM_DIR "/vantaro", {option});
        ASSERT_TRUE(process.waitForFinished(Ceiling));
        EXPECT_EQ(process.exitCode(), 0) << option;
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        if (QString(option) == "--version")
            EXPECT_EQ(out, "Vantaro " VANTARO_VERSION "\n");
        else
            EXPECT_TRUE(out.contains("--version") && out.contains("link")) << out.toStdString();
    }
}

} // namespace
} // namespace vantaro
