// SPDX-License-Identifier: GPL-3.0-or-later
// The kept list with the real program, started as a process of its own on a private X server and
// killed without warning: the rows it kept come back at the next start.

#include "app/MainWindow.h"
#include "core/ProgramFolder.h"
#include "jobs/KeptList.h"
#include "support/QtTestRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QWidget>

#include <filesystem>
#include <memory>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using namespace testing;

constexpr int Ceiling = 30000; // milliseconds for a program to start or end on a loaded machine

// Runs xdotool with the arguments; its output, empty when it failed.
QString xdotool(const QStringList& arguments) {
    QProcess tool;
    tool.start("xdotool", arguments);
    if (!tool.waitForFinished(Ceiling) || tool.exitCode() != 0)
        return {};
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

class KeptListEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() { makeApplication("kept_list_e2e"); }
    void SetUp() override {
        fs::permissions(m_runtime.path(), fs::perms::owner_all);
        m_environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(m_runtime.path()));
        m_environment.insert("XDG_STATE_HOME", QString::fromStdString(m_state.path()));
        m_listPath = keptListPath(m_state.path(), "");
    }

    std::unique_ptr<QProcess> start(const QStringList& arguments) {
        return startProgram(arguments, QString::fromStdString(m_home.path()), m_environment);
    }
    // The program's main window, once it is shown.
    static QString windowOf(const QProcess& program) {
        QString window;
        waitFor(
            [&] {
                window = xdotool({"search", "--all", "--onlyvisible", "--pid",
                                  QString::number(program.processId()), "--name", "Vantaro 2.0"})
                             .section('\n', 0, 0);
                return !window.isEmpty();
            },
            Ceiling);
        return window;
    }
    // Where the window's add-to-list picture lies, read from a window of this process: both
    // come from the same form and have a fixed size.
    QPoint addPicturePosition() {
        TempFolder programFolder{"vantaro-probe"};
        setProgramFolder(programFolder.path() + "/");
        MainWindow probe("127.0.0.1:9");
        probe.show();
        const auto* picture = probe.findChild<QWidget*>("Image22");
        return picture->mapTo(&probe, picture->rect().center());
    }
    // The link goes to the running program's link field (handed over by a second start), and
    // the add-to-list picture is clicked.
    void addLink(const QString& window, const QString& link, const QPoint& picture) {
        const std::unique_ptr<QProcess> handing = start({link});
        ASSERT_TRUE(handing->waitForFinished(Ceiling));
        ASSERT_EQ(handing->exitCode(), 0);
        letEventsRun(300); // the hand-over reaches the link field
        xdotool({"mousemove", "--window", window, QString::number(picture.x()),
                 QString::number(picture.y()), "click", "1"});
    }
    std::vector<std::string> keptLinks() const {
        std::vector<std::string> links;
        for (const KeptRow& row : readKeptList(m_listPath, 0).rows)
            links.push_back(row.columns[5]);
        return links;
    }

    TempFolder m_runtime{"vantaro-runtime"};
    TempFolder m_state{"vantaro-state"};
    TempFolder m_home{"vantaro-home"};
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    std::string m_listPath;
};

TEST_F(KeptListEndToEnd, RowsAddedBeforeAKillAreBackAtTheNextStart) {
    const QPoint picture = addPicturePosition();
    const QString first = "https://www.youtube.com/watch?v=keptA";
    const QString second = "https://www.dailymotion.com/video/keptB";
    const QString third = "https://www.youtube.com/watch?v=keptC";

    std::unique_ptr<QProcess> program = start({first});
    QString window = windowOf(*program);
    ASSERT_FALSE(window.isEmpty()) << program->readAllStandardError().toStdString();
    letEventsRun(500);
    xdotool({"mousemove", "--window", window, QString::number(picture.x()),
             QString::number(picture.y()), "click", "1"});
    addLink(window, second, picture);
    const std::vector<std::string> two{first.toStdString(), second.toStdString()};
    ASSERT_TRUE(waitFor([&] { return keptLinks() == two; }, Ceiling))
        << program->readAllStandardError().toStdString();

    program->kill(); // SIGKILL: nothing is written on the way out
    ASSERT_TRUE(program->waitForFinished(Ceiling));

    // The next program starts with the two rows: one more added after them makes three.
    program = start({});
    window = windowOf(*program);
    ASSERT_FALSE(window.isEmpty()) << program->readAllStandardError().toStdString();
    letEventsRun(500);
    // What the user sees: the two rows back and the status bar saying so.
    fs::create_directories(VANTARO_BINARY_DIR "/artifacts/screenshots");
    EXPECT_EQ(QProcess::execute("import", {"-window", window,
                                           VANTARO_BINARY_DIR
                                           "/artifacts/screenshots/kept-list-restored.png"}),
              0);
    addLink(window, third, picture);
    const std::vector<std::string> three{first.toStdString(), second.toStdString(),
                                         third.toStdString()};
    EXPECT_TRUE(waitFor([&] { return keptLinks() == three; }, Ceiling))
        << program->readAllStandardError().toStdString();
    program->terminate();
    program->waitForFinished(Ceiling);
    if (program->state() != QProcess::NotRunning) {
        program->kill();
        program->waitForFinished(Ceiling);
    }
}

} // namespace
} // namespace vantaro
