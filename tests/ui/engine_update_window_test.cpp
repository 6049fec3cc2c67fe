// SPDX-License-Identifier: GPL-3.0-or-later
// The window's update of its own yt-dlp from the Help menu against a release page on 127.0.0.1,
// and the quiet start-up check, once a day and only for the program's own copies. The engines
// and the check's day live in temporary XDG folders, never in the user's.
#include "app/MainWindow.h"
#include "core/ProgramFolder.h"
#include "support/QtTestRun.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "support/Waiting.h"
#include "support/WindowFakes.h"
#include "update/ReleaseBench.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>

#include <cstdlib>
#include <filesystem>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using testing::readWholeFile;
using testing::writeWholeFile;

constexpr const char* NewTag = "2025.12.08";
constexpr const char* OldTag = "2025.01.15";

class EngineWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::makeApplication("engine_update_window_test"); }
    void SetUp() override {
        fs::create_directories(program.file("QrlBin"));
        for (const char* tool : PresenceCheckTools)
            writeWholeFile(program.file(tool), "");
        setProgramFolder(program.path() + "/");
        // A deno on PATH: yt-dlp has its runtime, only yt-dlp is updated.
        fs::create_directories(work.file("bin"));
        writeWholeFile(work.file("bin/deno"), "#!/bin/sh\necho 'deno 2.5.6 (stable)'\n");
        fs::permissions(work.file("bin/deno"), fs::perms(0755));
        fs::create_directories(engines());
        old = testing::makeZipapp(work.path(), OldTag);
        installOwnCopy(old);
    }
    void TearDown() override { window.reset(); }

    std::string engines() const { return dataHome.path() + "/vantaro/engines/"; }
    std::string dayFile() const { return stateHome.path() + "/vantaro/engine-check"; }
    void installOwnCopy(const std::string& body) {
        writeWholeFile(engines() + "yt-dlp", body);
        fs::permissions(engines() + "yt-dlp", fs::perms(0755));
    }
    void writeSettings(const std::string& resolverLines) {
        writeWholeFile(program.file("applicationUserPreferences.ini"),
                       "[Resolver]\n" + resolverLines);
    }
    // The release page: BASE/yt-dlp/latest leads to NewTag; the engine, its list and signature.
    std::string releasePlan(bool missing, bool stalls) {
        newCopy = testing::makeZipapp(work.path(), NewTag);
        fs::create_directories(program.file("keys"));
        key.exportKeyring(program.file("keys/yt-dlp-release-key.gpg"));
        return testing::ytDlpReleasePlan(work.path(), key, NewTag, newCopy, !missing,
                                         stalls ? ", \"stall_after\": 200" : "");
    }
    void makeWindow() {
        window = std::make_unique<MainWindow>("127.0.0.1:9");
        window->setMessagePresenter(&presenter);
    }
    QString status() const { return window->findChild<QLabel*>("StatusBar1")->text(); }
    QAction* updateAction() const { return window->helpMenu()->actions().value(3); }

    testing::TempFolder program{"engine-window-program"};
    testing::TempFolder work{"engine-window-work"};
    testing::TempFolder dataHome{"engine-window-data"};
    testing::TempFolder stateHome{"engine-window-state"};
    testing::ScopedEnvironment dataVariable{"XDG_DATA_HOME", dataHome.path()};
    testing::ScopedEnvironment stateVariable{"XDG_STATE_HOME", stateHome.path()};
    testing::ScopedEnvironment pathVariable{"PATH", work.file("bin") + ":" + std::getenv("PATH")};
    testing::SigningKey key{"window-release"};
    testing::RecordingPresenter presenter;
    std::unique_ptr<MainWindow> window;
    std::string old;
    std::string newCopy;
};

enum class Outcome { Installed, Refused, Stopped };

struct UpdateRow {
    const char* name;
    bool missing; // the engine's file answers 404
    bool stalls;  // the engine's file stops flowing; the test presses Stop
    Outcome outcome;
};

const UpdateRow UpdateRows[] = {
    {"GoodUpdate", false, false, Outcome::Installed},
    {"EngineNotFound", true, false, Outcome::Refused},
    {"StopMidDownload", false, true, Outcome::Stopped},
};

TEST_F(EngineWindowTest, HelpMenuUpdateEndsAsTheReleasePageAllows) {
    for (const UpdateRow& row : UpdateRows) {
        SCOPED_TRACE(row.name);
        installOwnCopy(old);
        fs::remove(engines() + "yt-dlp.previous");
        presenter.clear();
        testing::ScriptedHttpServer server(releasePlan(row.missing, row.stalls));
        writeSettings("releases=" + server.url("") + "\nupdate=0\n");
        makeWindow();
        ASSERT_EQ(updateAction()->text(), QString::fromUtf8("Mettre à jour yt-dlp"));

        updateAction()->trigger();
        ASSERT_TRUE(window->engineUpdateRunning());
        EXPECT_FALSE(updateAction()->isEnabled());
        EXPECT_FALSE(window->findChild<QPushButton*>("Button4")->isEnabled());
        if (row.stalls) {
            auto* bar = window->findChild<QProgressBar*>("ProgressBar1");
            ASSERT_TRUE(testing::waitFor([&] { return bar->value() > 0; }));
            EXPECT_TRUE(status().contains("yt-dlp")) << status().toStdString();
            window->startDownload();
            ASSERT_EQ(presenter.texts().size(), 1u);
            EXPECT_NE(presenter.texts()[0].find("mise à jour de yt-dlp"), std::string::npos);
            window->findChild<QPushButton*>("Button5")->click();
        }
        ASSERT_TRUE(testing::waitFor([&] { return !window->engineUpdateRunning(); }));

        EXPECT_TRUE(updateAction()->isEnabled());
        EXPECT_TRUE(window->findChild<QPushButton*>("Button4")->isEnabled());
        const auto boxes = presenter.boxes();
        const std::size_t refusals = row.stalls ? 1 : 0;
        if (row.outcome == Outcome::Installed) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].kind, MessageKind::Plain);
            EXPECT_NE(boxes[0].text.find(NewTag), std::string::npos) << boxes[0].text;
            EXPECT_EQ(readWholeFile(engines() + "yt-dlp"), newCopy);
            EXPECT_EQ(readWholeFile(engines() + "yt-dlp.previous"), old);
        } else {
            ASSERT_EQ(boxes.size(), refusals + (row.outcome == Outcome::Refused ? 1 : 0));
            if (row.outcome == Outcome::Refused) {
                EXPECT_EQ(boxes.back().kind, MessageKind::Error);
                EXPECT_NE(boxes.back().text.find("refusé"), std::string::npos) << boxes.back().text;
            } else {
                EXPECT_EQ(status(), QString::fromUtf8("Mise à jour de yt-dlp arrêtée."));
            }
            EXPECT_EQ(readWholeFile(engines() + "yt-dlp"), old);
            EXPECT_FALSE(fs::exists(engines() + "yt-dlp.previous"));
        }
        EXPECT_EQ(status().toStdString(), row.outcome == Outcome::Stopped
                                              ? std::string("Mise à jour de yt-dlp arrêtée.")
                                              : boxes.back().text);
        window.reset();
    }
}

// A download on the yt-dlp road, with the program's own copy past 90 days old, offers the newest
// one once, under the same switch as the start-up check; No goes on with the old copy.
TEST_F(EngineWindowTest, ADownloadOffersANewerOwnCopyUnlessUpdatesAreOff) {
    for (const bool allowed : {true, false}) {
        SCOPED_TRACE(allowed ? "updates on" : "update=0");
        testing::ScriptedHttpServer server(releasePlan(false, false));
        writeSettings("releases=" + server.url("") + (allowed ? "\n" : "\nupdate=0\n"));
        fs::remove(dayFile());
        makeWindow();
        presenter.clear();
        presenter.answerQuestionsWith(false);
        fs::create_directories(work.file("out"));
        window->findChild<QLineEdit*>("Edit1")->setText("http://127.0.0.1:9/youtube/watch?v=abc");
        window->findChild<QLineEdit*>("Edit6")->setText(QString::fromStdString(work.file("out")));
        window->findChild<QLineEdit*>("Edit3")->setText("clip");
        window->startDownload();
        ASSERT_TRUE(testing::waitFor([&] { return !window->workerRunning(); }));

        int offers = 0;
        for (const auto& box : presenter.boxes())
            offers += box.kind == MessageKind::Confirmation &&
                      box.text.find("90 jours") != std::string::npos;
        EXPECT_EQ(offers, allowed ? 1 : 0);
        for (const auto& request : server.requests())
            EXPECT_EQ(request.target().find("/download/"), std::string::npos) << request.target();
        EXPECT_EQ(readWholeFile(engines() + "yt-dlp"), old);
        window.reset();
    }
}

// The day of the last check: never, today, yesterday; the switch off; no own copy.
struct CheckRow {
    const char* name;
    int lastCheckDaysAgo; // -1: never checked
    bool allowed;
    bool ownCopy;
    bool asks;
};

const CheckRow CheckRows[] = {
    {"NeverChecked", -1, true, true, true},    {"CheckedToday", 0, true, true, false},
    {"CheckedYesterday", 1, true, true, true}, {"SwitchedOff", -1, false, true, false},
    {"OnlyAPathCopy", -1, true, false, false},
};

TEST_F(EngineWindowTest, StartUpCheckAsksAtMostOnceADayAboutOwnCopies) {
    for (const CheckRow& row : CheckRows) {
        SCOPED_TRACE(row.name);
        fs::remove(dayFile());
        if (row.lastCheckDaysAgo >= 0) {
            ASSERT_TRUE(
                writeCheckDay(dayFile(), today() - std::chrono::days(row.lastCheckDaysAgo)));
        }
        if (row.ownCopy)
            installOwnCopy(old);
        else
            fs::remove(engines() + "yt-dlp");
        testing::ScriptedHttpServer server(releasePlan(false, false));
        writeSettings("releases=" + server.url("") + (row.allowed ? "\n" : "\nupdate=0\n"));
        makeWindow();

        window->checkOnActivation();
        ASSERT_TRUE(testing::waitFor([&] { return !window->engineCheckRunning(); }));
        testing::letEventsRun(50);

        EXPECT_EQ(!server.requests().empty(), row.asks);
        for (const auto& request : server.requests())
            EXPECT_EQ(request.target().find("/download/"), std::string::npos) << request.target();
        EXPECT_EQ(status().contains(NewTag), row.asks) << status().toStdString();
        const auto day = readCheckDay(dayFile());
        if (row.asks || row.lastCheckDaysAgo == 0) {
            EXPECT_EQ(day, today());
        } else if (row.lastCheckDaysAgo < 0) {
            EXPECT_FALSE(day.has_value());
        }
        EXPECT_EQ(fs::exists(engines() + "yt-dlp"), row.ownCopy);
        if (row.ownCopy) {
            EXPECT_EQ(readWholeFile(engines() + "yt-dlp"), old);
        }
        EXPECT_TRUE(presenter.boxes().empty());
        window.reset();
    }
}

} // namespace
} // namespace vantaro
