// SPDX-License-Identifier: GPL-3.0-or-later
// One program per user, with the real program started as separate processes on a private X
// server. Each run has its own runtime folder, so the socket's name is its own.

#include "app/DesktopServices.h"
#include "support/QtTestRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QLocalSocket>
#include <QStandardPaths>

#include <filesystem>
#include <memory>

#include <unistd.h>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using namespace testing;

constexpr int Ceiling = 30000; // milliseconds for a program to start or end on a loaded machine

class SingleInstanceEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureCoreApplication("single_instance_e2e"); }
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

// What one connection sends: a line of 8 KiB at most, a few lines each; beyond, it is dropped.
TEST_F(SingleInstanceEndToEnd, OnlyShortLinesAndAFewOfThemAreHeard) {
    SingleInstance running;
    ASSERT_TRUE(running.listen());
    QStringList received;
    running.setReceiver([&received](const QString& link) { received << link; });
    const struct {
        QByteArray sent;
        QStringList heard;
        bool dropped;
    } cases[] = {
        {"http://a/1\n", {"http://a/1"}, false},
        {QByteArray(9000, 'a') + "\n", {}, true},
        {QByteArray(20000, 'a'), {}, true},
        {"1\n2\n3\n4\n5\n6\n", {"1", "2", "3", "4"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sent.left(20).toStdString());
        received.clear();
        QLocalSocket client;
        client.connectToServer(SingleInstance::socketName());
        ASSERT_TRUE(client.waitForConnected(Ceiling));
        client.write(c.sent);
        const auto done = [&] {
            return c.dropped ? client.state() == QLocalSocket::UnconnectedState
                             : received == c.heard;
        };
        EXPECT_TRUE(waitFor(done, Ceiling));
        EXPECT_EQ(received, c.heard);
        EXPECT_EQ(client.state() == QLocalSocket::ConnectedState, !c.dropped);
    }
}

// Another account that reaches the socket (its folder opened by hand here) is not heard: the
// connection is closed before a line is read.
TEST_F(SingleInstanceEndToEnd, AnotherAccountIsNotHeard) {
    // A Python that every account may run (the one on PATH may lie in root's home).
    const QString python = "/usr/bin/python3";
    if (::getuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty() ||
        !fs::exists(python.toStdString()))
        GTEST_SKIP() << "needs root, setpriv and /usr/bin/python3 to connect as the account nobody";
    SingleInstance running;
    ASSERT_TRUE(running.listen());
    QStringList received;
    running.setReceiver([&received](const QString& link) { received << link; });
    const QString name = SingleInstance::socketName();
    fs::permissions(m_runtime.path(), fs::perms::owner_all | fs::perms::others_exec);
    fs::permissions(name.toStdString(), fs::perms::all);

    // The client ends with 0 when the program closes the connection (before or after the line was
    // sent), 1 when it hears nothing.
    QProcess client;
    client.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", python, "-c",
                             "import socket, sys\n"
                             "s = socket.socket(socket.AF_UNIX)\n"
                             "s.connect(sys.argv[1])\n"
                             "s.settimeout(20)\n"
                             "try:\n"
                             "    s.sendall(b'http://127.0.0.1:9/other\\n')\n"
                             "    sys.exit(0 if s.recv(1) == b'' else 1)\n"
                             "except (ConnectionResetError, BrokenPipeError):\n"
                             "    sys.exit(0)\n",
                             name});
    ASSERT_TRUE(waitFor([&client] { return client.state() == QProcess::NotRunning; }, Ceiling));
    EXPECT_EQ(client.exitCode(), 0) << client.readAllStandardError().toStdString();
    EXPECT_TRUE(received.isEmpty()) << received.join(' ').toStdString();
}

// A folder others may enter is not used: no hand-over, no socket, the start runs on its own.
// Without XDG_RUNTIME_DIR the socket lies in a folder of the user's own in the temporary folder.
TEST_F(SingleInstanceEndToEnd, OnlyAFolderOfTheUsersOwnHoldsTheSocket) {
    fs::permissions(m_runtime.path(), fs::perms::owner_all | fs::perms::others_exec);
    SingleInstance alone;
    EXPECT_FALSE(alone.listen());
    EXPECT_FALSE(SingleInstance::handOver("http://127.0.0.1:9/watch?v=x"));
    EXPECT_TRUE(fs::is_empty(m_runtime.path())) << "nothing was made in that folder";

    TempFolder temporary("vantaro-tmp");
    const QByteArray previous = qgetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QByteArray::fromStdString(temporary.path()));
    const std::string uid = std::to_string(::getuid());
    EXPECT_EQ(SingleInstance::socketName().toStdString(),
              temporary.path() + "/vantaro-" + uid + "/vantaro-" + uid + ".socket");
    SingleInstance running;
    EXPECT_TRUE(running.listen());
    EXPECT_TRUE(SingleInstance::handOver({}));
    previous.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", previous);
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
