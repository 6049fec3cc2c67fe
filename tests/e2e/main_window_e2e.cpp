// SPDX-License-Identifier: GPL-3.0-or-later
// The real main window on a real X server (a private Xvfb), driven with the keyboard and the
// mouse: one Dailymotion-like link to MP3, then a list of three, then leaving the program while
// a download runs. The site is nginx, the maker's service the scripted server, the converters
// the real launchers. Each state is saved as a PNG under the build folder's
// artifacts/screenshots/.

#include "app/CommandPicture.h"
#include "app/MainWindow.h"
#include "core/ProgramFolder.h"
#include "core/RunContext.h"
#include "engine/WorkerTestBench.h"
#include "support/QtTestRun.h"
#include "support/WindowFakes.h"
#include "support/WorkerSurroundings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <set>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using namespace vantaro::testing;

// A progress maximum above this is the stream's length: the page and the conversion's bar
// are smaller.
constexpr int StreamAtLeast = 10000;

// What the X server shows of the window.
void screenshot(QWidget& window, const std::string& name) {
    EXPECT_TRUE(saveScreenshot(window, name)) << name;
}

class MainWindowEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        makeApplication("main_window_e2e");
        ASSERT_TRUE(onXServer()) << "the end-to-end test needs X";
    }

    void SetUp() override {
        // The program folder: the real converter launchers, no settings file.
        makeProgramFolderWithLaunchers(m_program.path());
        m_surroundings.enter(m_program.path() + "/", m_run.path());
    }
    void TearDown() override {
        m_window.reset();
        m_surroundings.leave();
    }

    void startServers(int clipSeconds) {
        const std::string clip = testClip(ClipKind::Flv, clipSeconds);
        ASSERT_FALSE(clip.empty()) << "the system's ffmpeg could not make a test clip";
        fs::copy_file(clip, m_web.file("clip.flv"));
        fs::create_directories(m_web.file("dailymotion"));
        m_nginx = std::make_unique<NginxServer>(m_web.path());
        for (const char* page : {"x1", "x2", "x3", "x4"})
            writeWholeFile(m_web.file(std::string("dailymotion/") + page),
                           dailymotionPage(m_nginx->url("/clip.flv")));
        m_service = std::make_unique<ScriptedHttpServer>(
            "{\"routes\": {\"/addVantaroURL.php\": [{\"text\": " + jsonText(httpOk("ok\n")) +
            "}]}}");
    }
    std::string pageLink(const char* page) const {
        return m_nginx->url(std::string("/dailymotion/") + page);
    }

    void openWindow() {
        m_window = std::make_unique<MainWindow>("127.0.0.1:" + std::to_string(m_service->port()));
        m_window->setMessagePresenter(&m_presenter);
        m_window->setDesktopShell(&m_shell);
        ASSERT_TRUE(showExposed(*m_window));
        ASSERT_TRUE(waitFor([this] { return !text("StatusBar1").isEmpty(); }, 5000));
        QTest::qWait(300); // the first paint and the tool check
    }

    template <typename Widget> Widget* child(const char* name) const {
        auto* widget = m_window->findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString text(const char* label) const { return child<QLabel>(label)->text(); }
    QProgressBar* bar() const { return child<QProgressBar>("ProgressBar1"); }

    // Clicks into a field, selects what it holds and types the new text over it.
    void typeInto(const char* name, const std::string& typed) {
        auto* field = child<QLineEdit>(name);
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, QString::fromStdString(typed));
        EXPECT_EQ(field->text().toStdString(), typed);
    }
    void click(const char* picture) {
        QTest::mouseClick(child<CommandPicture>(picture), Qt::LeftButton);
    }
    bool idle() const {
        return !m_window->workerRunning() && text("StatusBar1") == QString::fromUtf8("Prêt");
    }

    TempFolder m_program{"vantaro-e2e-program"};
    TempFolder m_run{"vantaro-e2e-run"};
    TempFolder m_web{"vantaro-e2e-web"};
    TempFolder m_out{"vantaro-e2e-out"};
    std::unique_ptr<NginxServer> m_nginx;
    std::unique_ptr<ScriptedHttpServer> m_service;
    RecordingPresenter m_presenter;
    FakeShell m_shell;
    std::unique_ptr<MainWindow> m_window;
    WorkerSurroundings m_surroundings;
};

// A valid MP3 file: ffprobe reads it as MP3 with audio in it.
void expectMp3(const std::string& path) {
    const Probe found = probe(path);
    EXPECT_TRUE(found.readable) << path;
    EXPECT_EQ(found.formatName, "mp3") << path;
    ASSERT_FALSE(found.codecs.empty()) << path;
    EXPECT_EQ(found.codecs[0], "mp3") << path;
    EXPECT_GT(found.audioPackets, 0) << path;
}

TEST_F(MainWindowEndToEnd, DownloadsOneLinkThenAListOfThree) {
    startServers(20);
    openWindow();
    screenshot(*m_window, "01-start.png");

    // One link, typed in, downloaded with the big picture.
    typeInto("Edit1", pageLink("x1"));
    typeInto("Edit6", m_out.path());
    typeInto("Edit3", "premier");
    typeInto("Edit7", "Essai");
    // Positions shown between the ends while the stream's length was the maximum.
    std::set<int> between;
    bool grabbed = false;
    const auto watch = QObject::connect(bar(), &QProgressBar::valueChanged, [&](int value) {
        if (bar()->maximum() <= StreamAtLeast)
            return; // the page, or the conversion's creeping bar
        if (value > 0 && value < bar()->maximum())
            between.insert(value);
        if (!grabbed && value > bar()->maximum() / 4 && value < bar()->maximum()) {
            grabbed = true;
            screenshot(*m_window, "02-single-downloading.png");
        }
    });
    click("Image19");
    ASSERT_TRUE(waitFor([this] { return m_window->workerRunning(); }, 5000))
        << "the download did not start; boxes: " << m_presenter.texts().size();
    ASSERT_TRUE(waitFor([this] { return idle(); }));
    QObject::disconnect(watch);
    screenshot(*m_window, "03-single-done.png");

    EXPECT_TRUE(m_presenter.texts().empty()) << m_presenter.texts().front();
    EXPECT_EQ(text("StatusBar1"), QString::fromUtf8("Prêt"));
    EXPECT_GE(between.size(), 2u) << "the bar did not follow the download";
    expectMp3(m_out.file("premier.mp3"));
    EXPECT_EQ(filesIn(m_out.path()), std::vector<std::string>{"premier.mp3"});

    // A list of three links, loaded with its picture and downloaded with the list picture.
    const std::string listFile = m_run.file("liste.txt");
    writeWholeFile(listFile, pageLink("x2") + "\nChanson un\n" + pageLink("x3") +
                                 "\nChanson deux\n" + pageLink("x4") + "\nChanson trois\n");
    click("Image31");
    ASSERT_EQ(child<QTabWidget>("PageControl1")->currentWidget()->objectName(), "TabSheet2");
    const std::string listOut = m_out.file("liste");
    fs::create_directories(listOut);
    typeInto("Edit2", listOut);
    m_shell.fileAnswers = {listFile};
    click("Image28");
    ASSERT_EQ(m_window->linkList().entryCount(), 3);
    EXPECT_TRUE(child<QPushButton>("Button7")->isEnabled());
    QTest::qWait(200); // the grid shows its rows in batches
    screenshot(*m_window, "04-list-loaded.png");

    grabbed = false;
    const auto watchList = QObject::connect(bar(), &QProgressBar::valueChanged, [&](int value) {
        if (!grabbed && m_window->linkList().entryCount() == 2 &&
            bar()->maximum() > StreamAtLeast && value > bar()->maximum() / 4) {
            grabbed = true;
            screenshot(*m_window, "05-list-downloading.png");
        }
    });
    click("Image7");
    ASSERT_TRUE(waitFor([this] { return m_window->workerRunning(); }, 5000));
    ASSERT_TRUE(waitFor([this] { return idle() && m_window->linkList().entryCount() == 0; }));
    QObject::disconnect(watchList);
    QTest::qWait(300); // the grid redraws its empty list
    screenshot(*m_window, "06-list-done.png");

    EXPECT_TRUE(m_presenter.texts().empty());
    EXPECT_EQ(m_window->linkList().rowCount(), 2) << "the header and the empty row remain";
    EXPECT_FALSE(m_window->runContext().listRunning());
    EXPECT_TRUE(child<QPushButton>("Button7")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("Button5")->isEnabled());
    for (const char* name : {"Chanson-un.mp3", "Chanson-deux.mp3", "Chanson-trois.mp3"})
        expectMp3(listOut + "/" + name);
    EXPECT_EQ(filesIn(listOut).size(), 3u);
    EXPECT_FALSE(fs::exists(m_run.file("xxxoxxx")));
}

// Leaving the program while a download runs: by the tray menu during the fetch, and by the
// window's close box once the conversion begins. No converter may stay behind, and no
// temporary or partial file.
TEST_F(MainWindowEndToEnd, LeavingDuringADownloadLeavesNothingBehind) {
    startServers(90);
    for (const bool duringConversion : {false, true}) {
        SCOPED_TRACE(duringConversion ? "closed at the conversion" : "quit from the tray");
        openWindow();
        typeInto("Edit1", pageLink("x1"));
        typeInto("Edit6", m_out.path());
        typeInto("Edit3", duringConversion ? "second" : "premier");
        bool asked = false;
        const auto watch = QObject::connect(bar(), &QProgressBar::valueChanged, [&](int) {
            const int max = bar()->maximum();
            const bool moment =
                duringConversion ? max == 100 && m_window->workerRunning() : max > StreamAtLeast;
            if (asked || !moment)
                return;
            asked = true;
            screenshot(*m_window, duringConversion ? "08-closing-at-conversion.png"
                                                   : "07-quitting-during-download.png");
            // After this hand-over has returned, as a person's click would come.
            QTimer::singleShot(0, m_window.get(), [this, duringConversion] {
                if (duringConversion)
                    m_window->close();
                else
                    m_window->quitProgram();
            });
        });
        click("Image19");
        ASSERT_TRUE(waitFor([&] { return m_window->closing(); }));
        QObject::disconnect(watch);

        // Leaving waited for the worker: it has ended, with everything it started.
        EXPECT_FALSE(m_window->workerRunning());
        EXPECT_EQ(m_window->trayIcon(), nullptr);
        for (const int pid : processesMentioning(m_out.path()))
            EXPECT_FALSE(processAlive(pid)) << "a converter was left running: " << pid;
        EXPECT_EQ(filesIn(m_out.path()), std::vector<std::string>{});
        EXPECT_FALSE(fs::exists(m_run.file("xxxoxxx")));
        EXPECT_TRUE(m_presenter.texts().empty());
        m_window.reset();
    }
}

} // namespace
} // namespace vantaro
