// SPDX-License-Identifier: GPL-3.0-or-later
// One program per user, with the real program started as separate processes on a private X
// server. Each run has its own runtime folder, so the socket's name is its own.

#include "app/DesktopServices.h"
#include "support/QtTestRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QLocalSocket>

#include <filesystem>
#include <memory>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using namespace testing;

constexpr int Ceiling = 30000; // milliseconds for a program to start or end on a loaded machine

class SingleInstanceEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() { makeApplication<QCoreApplication>("single_instance_e2e"); }
    void SetUp() override {
        fs::permissions(m_runtime.path(), fs::perms::owner_all);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(m_runtime.path()));
    }

    std::unique_ptr<QProcess> start(const QStringList& arguments) {
        return startProgram(arguments, QString::fromStdString(m_runtime.path()));
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
    ASSERT_TRUE(waitFor([&received] { return received.size() == 2; }, Ceiling));
    EXPECT_EQ(received, (QStringList{link, QString()}));
}

TEST_F(SingleInstanceEndToEnd, ASocketLeftByAKilledProgramDoesNotStopTheNextStart) {
    const std::unique_ptr<QProcess> first = start({});
    ASSERT_TRUE(waitFor(answers, Ceiling)) << "the first program did not listen";
    first->kill();
    ASSERT_TRUE(first->waitForFinished(Ceiling));
    ASSERT_TRUE(fs::exists(SingleInstance::socketName().toStdString())) << "no stale socket";
    EXPECT_FALSE(answers());

    const std::unique_ptr<QProcess> next = start({});
    ASSERT_TRUE(
        waitFor([&next] { return answers() || next->state() != QProcess::Running; }, Ceiling));
    EXPECT_EQ(next->state(), QProcess::Running) << next->readAllStandardError().toStdString();
    EXPECT_TRUE(answers());
    next->terminate();
    next->waitForFinished(Ceiling);
}

TEST_F(SingleInstanceEndToEnd, HelpAndVersionAnswerWithoutADisplay) {
    for (const char* option : {"--version", "--help"}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        const std::unique_ptr<QProcess> process = startProgram({option}, {}, environment);
        ASSERT_TRUE(process->waitForFinished(Ceiling));
        EXPECT_EQ(process->exitCode(), 0) << option;
        const QString out = QString::fromUtf8(process->readAllStandardOutput());
        if (QString(option) == "--version")
            EXPECT_EQ(out, "Vantaro " VANTARO_VERSION "\n");
        else
            EXPECT_TRUE(out.contains("--version") && out.contains("link")) << out.toStdString();
    }
}

} // namespace
} // namespace vantaro
