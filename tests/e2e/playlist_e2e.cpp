// SPDX-License-Identifier: GPL-3.0-or-later
// Playlist links through the real main window on a private X server: the real yt-dlp reads RSS
// feeds served by nginx on 127.0.0.1 (its generic reader takes a feed as a playlist), each item
// a clip page naming its uploader and thumbnail; the list then goes through the real worker and
// converter launchers. Screenshots go to the build folder's artifacts/screenshots/.

#include "app/AddLinkDialog.h"
#include "app/CommandPicture.h"
#include "app/MainWindow.h"
#include "core/Constants.h"
#include "core/RunContext.h"
#include "engine/WorkerTestBench.h"
#include "support/LinkDialogFakes.h"
#include "support/MediaClips.h"
#include "support/NginxServer.h"
#include "support/QtTestRun.h"
#include "support/ScriptedHttpServer.h"
#include "support/ServedPages.h"
#include "support/TempFolder.h"
#include "support/WindowFakes.h"
#include "support/WorkerSurroundings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <filesystem>
#include <functional>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using namespace vantaro::testing;

// A clip page as a site describes its video: title, uploader, thumbnail and media.
std::string clipPage(const std::string& site, const std::string& title,
                     const std::string& thumbnail) {
    return "<html><head><title>" + title +
           "</title><script type=\"application/ld+json\">{\"@context\": \"https://schema.org\", "
           "\"@type\": \"VideoObject\", \"name\": \"" +
           title + "\", \"author\": {\"@type\": \"Person\", \"name\": \"Ann Uploader\"}, " +
           "\"thumbnailUrl\": \"" + site + thumbnail + "\", \"contentUrl\": \"" + site +
           "/youtube/clip.mp4\", \"uploadDate\": \"2026-01-01\"}</script></head><body></body>" +
           "</html>\n";
}

std::string feed(const std::vector<std::pair<std::string, std::string>>& items) {
    std::string text =
        "<?xml version=\"1.0\"?>\n<rss version=\"2.0\"><channel><title>Feed</title>\n";
    for (const auto& [title, link] : items)
        text += "<item><title>" + title + "</title><enclosure url=\"" + link +
                "\" type=\"text/html\"/></item>\n";
    return text + "</channel></rss>\n";
}

class PlaylistEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() { makeApplication("playlist_e2e"); }
    void SetUp() override {
        makeProgramFolderWithLaunchers(m_program.path());
        // No offer of a newer yt-dlp: the system's copy is old, and nothing leaves 127.0.0.1.
        writeWholeFile(m_program.file(PreferencesFileName), "[Resolver]\nupdate=0\n");
        m_surroundings.enter(m_program.path() + "/", m_run.path());
        const std::string clip = testClip(ClipKind::Mp4, 2);
        ASSERT_FALSE(clip.empty());
        fs::create_directories(m_web.file("youtube"));
        fs::copy_file(clip, m_web.file("youtube/clip.mp4"));
        ASSERT_EQ(runTool("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=64x64",
                                     "-frames:v", "1", m_web.file("youtube/cover.png")})
                      .exitCode,
                  0);
        m_nginx = std::make_unique<NginxServer>(m_web.path());
        const std::string site = m_nginx->url("");
        // b's thumbnail is missing, c's is no picture: their MP3s stay as converted or get the
        // artist alone.
        writeWholeFile(m_web.file("youtube/broken.png"), "not a picture");
        for (const auto& [page, thumbnail] : {std::pair{"a", "/youtube/cover.png"},
                                              {"b", "/youtube/none.png"},
                                              {"c", "/youtube/broken.png"}})
            writeWholeFile(m_web.file(std::string("youtube/") + page + ".html"),
                           clipPage(site, std::string("Clip ") + page, thumbnail));
        writeWholeFile(m_web.file("youtube/feed.xml"),
                       feed({{"Live / acoustic", site + "/youtube/a.html"},
                             {"Same name", site + "/youtube/b.html"},
                             {"Same name", site + "/youtube/c.html"}}));
        // The service's port is closed: every link of the list takes yt-dlp.
        m_window = std::make_unique<MainWindow>("127.0.0.1:9");
        m_window->setMessagePresenter(&m_presenter);
        m_window->setDesktopShell(&m_shell);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void TearDown() override {
        m_window.reset();
        m_surroundings.leave();
    }

    template <typename Widget> Widget* child(const char* name) const {
        return m_window->findChild<Widget*>(name);
    }
    bool reading() const { return !child<CommandPicture>("Image22")->isEnabled(); }
    // The first page's add command with the given link, the default MP3 title.
    void addFromFirstPage(const std::string& link) {
        child<QLineEdit>("Edit1")->setText(QString::fromStdString(link));
        child<QLineEdit>("Edit6")->setText(QString::fromStdString(m_out.path()));
        child<QLineEdit>("Edit3")->setText("typed");
        child<QLineEdit>("Edit7")->setText(DefaultMp3Title);
        QTest::mouseClick(child<CommandPicture>("Image22"), Qt::LeftButton);
    }
    std::vector<std::string> column(int column) const {
        std::vector<std::string> texts;
        for (int row = 1; row <= m_window->linkList().entryCount(); ++row)
            texts.push_back(m_window->linkList().cell(row, column));
        return texts;
    }

    TempFolder m_program{"playlist-program"};
    TempFolder m_run{"playlist-run"};
    TempFolder m_web{"playlist-web"};
    TempFolder m_out{"playlist-out"};
    WorkerSurroundings m_surroundings;
    std::unique_ptr<NginxServer> m_nginx;
    RecordingPresenter m_presenter;
    FakeShell m_shell;
    std::unique_ptr<MainWindow> m_window;
};

TEST_F(PlaylistEndToEnd, AFeedBecomesRowsFromBothAddsAndDownloadsAsTaggedMp3s) {
    const std::string feedLink = m_nginx->url("/youtube/feed.xml");
    addFromFirstPage(feedLink);
    EXPECT_TRUE(reading());
    EXPECT_EQ(child<QLabel>("StatusBar1")->text().toStdString(), "Lecture de la liste de lecture…");
    ASSERT_TRUE(waitFor([this] { return !reading(); }));

    FakeDialogHost dialogHost;
    FakeFolderPicker picker;
    AddLinkDialog dialog(m_window->runContext(), m_window->playlistAdd(), dialogHost, picker,
                         m_window.get());
    m_window->setDialogs(&dialog, nullptr, nullptr);
    dialog.setFields({feedLink, m_out.path(), "", "Mine", "MP3"});
    dialog.confirm();
    EXPECT_FALSE(dialog.findChild<QPushButton*>("Button4")->isEnabled());
    ASSERT_TRUE(waitFor([this] { return !reading(); }));
    EXPECT_TRUE(dialog.findChild<QPushButton*>("Button4")->isEnabled());
    m_window->setDialogs(nullptr, nullptr, nullptr);

    EXPECT_EQ(column(3),
              (std::vector<std::string>{"Live---acoustic", "Same-name", "Same-name-2",
                                        "Live---acoustic-2", "Same-name-3", "Same-name-4"}));
    EXPECT_EQ(column(4), (std::vector<std::string>{"Live / acoustic", "Same name", "Same name",
                                                   "Mine", "Mine", "Mine"}));
    EXPECT_EQ(column(5)[1], m_nginx->url("/youtube/b.html"));
    EXPECT_TRUE(m_presenter.texts().empty());
    child<QTabWidget>("PageControl1")->setCurrentIndex(1);
    QTest::qWait(300);
    EXPECT_TRUE(saveScreenshot(*m_window, "playlist-list.png", Picture::Rendering));

    child<QLineEdit>("Edit2")->setText(QString::fromStdString(m_out.path()));
    QTest::mouseClick(child<CommandPicture>("Image7"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([this] { return m_window->linkList().entryCount() == 0; }));
    ASSERT_TRUE(waitFor([this] { return !m_window->workerRunning(); }));
    EXPECT_TRUE(m_presenter.texts().empty());
    const struct {
        std::string name, title, artist;
        std::vector<std::string> codecs;
    } made[] = {
        {"Live---acoustic", "Live / acoustic", "Ann Uploader", {"mp3", "mjpeg"}},
        {"Same-name-3", "Mine", "Ann Uploader", {"mp3"}},
        {"Same-name-2", "Same name", "", {"mp3"}},
        {"Same-name-4", "Mine", "", {"mp3"}},
    };
    for (const auto& m : made) {
        SCOPED_TRACE(m.name);
        Probe mp3 = probe(m_out.file(m.name + ".mp3"));
        EXPECT_EQ(mp3.tags["title"].rfind(m.title + "-", 0), 0u) << mp3.tags["title"];
        EXPECT_EQ(mp3.tags["artist"], m.artist);
        EXPECT_EQ(mp3.codecs, m.codecs);
    }
    EXPECT_EQ(testing::filesIn(m_out.path()).size(), 6u) << "no cover or partial file left";
}

TEST_F(PlaylistEndToEnd, StopDuringTheReadingAddsNothingAndLeavesNoProcess) {
    // The feed never ends: yt-dlp is still reading it when Stop comes.
    ScriptedHttpServer slow(
        "{\"routes\": {\"/youtube/slow.xml\": [{\"text\": \"HTTP/1.1 200 OK\\r\\nContent-Type: "
        "application/rss+xml\\r\\nContent-Length: 2000000\\r\\n\\r\\n\", \"body_bytes\": "
        "2000000, \"pace\": [64, 0.05]}]}}");
    const std::string link = slow.url("/youtube/slow.xml");
    addFromFirstPage(link);
    ASSERT_TRUE(waitFor([&] { return !processesMentioning(link).empty(); }, 60000));
    EXPECT_TRUE(child<QPushButton>("Button5")->isEnabled());
    QTest::qWait(200); // painted as the user sees it
    EXPECT_TRUE(saveScreenshot(*m_window, "playlist-reading.png", Picture::Rendering));
    QTest::mouseClick(child<QPushButton>("Button5"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([this] { return !reading(); }, 60000));
    EXPECT_EQ(m_window->linkList().entryCount(), 0);
    for (const int pid : processesMentioning(link))
        EXPECT_FALSE(processAlive(pid)) << "yt-dlp left running";
    EXPECT_TRUE(m_presenter.texts().empty());
}

// A feed that fails, a plain clip page and a feed of a thousand entries.
TEST_F(PlaylistEndToEnd, FailuresSingleLinksAndLongFeeds) {
    std::vector<std::pair<std::string, std::string>> items;
    for (int i = 1; i <= 1000; ++i)
        items.emplace_back("Clip " + std::to_string(i),
                           m_nginx->url("/youtube/a.html?n=" + std::to_string(i)));
    writeWholeFile(m_web.file("youtube/long.xml"), feed(items));
    const struct {
        std::string link;
        int rows;
        std::string firstName, lastName, box;
    } cases[] = {
        {m_nginx->url("/youtube/missing.xml"), 0, "", "", "404"},
        {m_nginx->url("/youtube/a.html"), 1, "typed", "typed", ""},
        {m_nginx->url("/youtube/long.xml"), 1000, "Clip-1", "Clip-1000", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        m_window->linkList().reset();
        m_presenter.clear();
        addFromFirstPage(c.link);
        ASSERT_TRUE(waitFor([this] { return !reading(); }));
        ASSERT_EQ(m_window->linkList().entryCount(), c.rows);
        if (c.rows > 0) {
            EXPECT_EQ(column(3).front(), c.firstName);
            EXPECT_EQ(column(3).back(), c.lastName);
        }
        ASSERT_EQ(m_presenter.texts().size(), c.box.empty() ? 0u : 1u);
        if (!c.box.empty()) {
            EXPECT_EQ(m_presenter.texts()[0].rfind("La liste de lecture n'a pas pu être lue.", 0),
                      0u);
            EXPECT_NE(m_presenter.texts()[0].find(c.box), std::string::npos);
        }
    }
}

} // namespace
} // namespace vantaro
