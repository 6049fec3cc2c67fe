// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile inputs, end to end: the real main window on a real X server, its download worker, the
// real converter launchers, and a scripted server that plays the video site, the media server
// and the maker's service. Each case ends with the program's message, the window still usable,
// no temporary file left and nothing outside the destination folder touched.
#include "app/DesktopShell.h"
#include "app/MainWindow.h"
#include "core/Constants.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "core/RunContext.h"

#include "engine/WorkerTestBench.h"
#include "support/MediaClips.h"
#include "support/MountedFolder.h"
#include "support/QtTestRun.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempFolder.h"
#include "support/WorkerSurroundings.h"

// After the engine's headers: the program-wide work mode hides the name of the mode type.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <sstream>

namespace vantaro::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// Boxes answered at once and recorded; every box of the window and the worker comes here.
class Presenter : public MessagePresenter {
public:
    bool showMessage(MessageKind, const std::string& text, const std::string&) override {
        std::lock_guard lock(m_mutex);
        m_texts.push_back(text);
        return true;
    }
    std::vector<std::string> texts() const {
        std::lock_guard lock(m_mutex);
        return m_texts;
    }
    std::string joined() const {
        std::string all;
        for (const std::string& text : texts())
            all += "[" + text + "] ";
        return all;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_texts;
};

// The desktop's file dialog answers with a given file; nothing is opened.
class Shell : public DesktopShell {
public:
    std::string chooseFolder(QWidget*, const std::string&, const std::string&) override {
        return {};
    }
    std::string chooseFile(QWidget*, const std::string&) override { return file; }
    void openUrl(const QUrl&) override {}
    std::string file;
};

// What a folder tree holds: each path with its kind, size and modification time.
using Listing = std::map<std::string, std::string>;

Listing listTree(const std::string& root, const std::string& skipped) {
    Listing listing;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        const std::string path = it->path().string();
        if (path == skipped) {
            it.disable_recursion_pending();
            continue;
        }
        std::error_code ignored;
        const auto status = fs::symlink_status(it->path(), ignored);
        std::ostringstream what;
        what << static_cast<int>(status.type());
        if (fs::is_regular_file(status))
            what << " " << fs::file_size(it->path(), ignored) << " "
                 << fs::last_write_time(it->path(), ignored).time_since_epoch().count();
        listing[path] = what.str();
    }
    return listing;
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::end(it); it.increment(ec))
        names.insert(it->path().filename().string());
    return names;
}

std::string rawFile(const std::string& path, const std::string& head, const std::string& body) {
    writeWholeFile(path, head + body);
    return path;
}

std::string fileItem(const std::string& path) {
    return R"({"file": )" + jsonText(path) + R"(, "substitute": false})";
}

// An inline response; "{{PORT}}" in it becomes the server's port when substitute is true.
std::string textItem(const std::string& raw, const std::string& extra = {},
                     bool substitute = false) {
    return R"({"text": )" + jsonText(raw) + R"(, "substitute": )" +
           (substitute ? "true" : "false") + extra + "}";
}

// The head of a 200 response with its length.
std::string okHead(std::size_t length) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length) +
           "\r\nConnection: close\r\n\r\n";
}

// Bytes of no meaning, the same for a seed.
std::string randomJunk(std::size_t size, unsigned seed) {
    std::string junk(size, '\0');
    std::mt19937 random(seed);
    for (char& c : junk)
        c = static_cast<char>(random());
    return junk;
}

const std::string MediaTarget = "/media.flv";
const std::string PageTarget = "/dailymotion/x1a2b3c";

class HostileInputs : public ::testing::Test {
protected:
    void SetUp() override {
        // The program folder of its own: launchers, download folder and settings file.
        makeProgramFolderWithLaunchers(m_program);
        fs::create_directories(m_program + "/" + DownloadsFolderName);
        // No offer of a newer yt-dlp: the system's copy is old, and nothing leaves 127.0.0.1.
        writeWholeFile(m_program + "/" + PreferencesFileName, "[Resolver]\nupdate=0\n");
        fs::create_directories(m_work);
        fs::create_directories(m_destination);
        fs::create_directories(m_data);
        m_surroundings.enter(m_program, m_work);
    }
    void TearDown() override {
        m_window.reset();
        m_server.reset();
        m_surroundings.leave();
    }

    // The site: the report and resolver of the service, a Dailymotion-like page pointing at the
    // media, and the media; each a plan item.
    void startServer(const std::string& media, const std::string& page = {},
                     const std::string& resolver = {}) {
        // No length for the page: the port written into it changes its size.
        const std::string pageItem =
            page.empty() ? textItem("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" +
                                        dailymotionPage("http://127.0.0.1:{{PORT}}" + MediaTarget),
                                    {}, true)
                         : page;
        std::string plan = R"({"routes": {"/addVantaroURL.php": [)" + textItem(httpOk("ok\n")) +
                           R"(], ")" + PageTarget + R"(": [)" + pageItem + R"(], ")" + MediaTarget +
                           R"(": [)" + media + R"(], "/youtube/watch": [)" +
                           textItem(httpOk("<html>a YouTube page</html>\n")) + "]";
        if (!resolver.empty())
            plan += R"(, "/fr/Vantaro/kestravo.php": [)" + resolver + "]";
        plan += "}}";
        m_server = std::make_unique<ScriptedHttpServer>(plan);
    }
    std::string dailymotionLink() const { return m_server->url(PageTarget); }
    std::string youTubeLink() const { return m_server->url("/youtube/watch?v=x"); }
    std::string serviceHost() const { return "127.0.0.1:" + std::to_string(m_server->port()); }

    // A media response: the clip behind a 200 with its length.
    std::string clipItem() {
        const std::string clip = testClip(ClipKind::Flv, 2);
        const std::string bytes = readWholeFile(clip);
        return fileItem(rawFile(m_data + "/clip.http",
                                "HTTP/1.1 200 OK\r\nContent-Type: video/x-flv\r\nContent-Length: " +
                                    std::to_string(bytes.size()) + "\r\nConnection: close\r\n\r\n",
                                bytes));
    }

    void openWindow() {
        m_window =
            std::make_unique<MainWindow>(m_server ? serviceHost() : std::string("127.0.0.1:9"));
        m_window->setMessagePresenter(&m_presenter);
        m_window->setDesktopShell(&m_shell);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        QCoreApplication::processEvents();
    }
    template <typename Widget> Widget* child(const char* name) const {
        Widget* widget = m_window->findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void fill(const std::string& link, const std::string& folder, const std::string& name,
              const std::string& format = "MP3", const std::string& title = "Essai") {
        child<QLineEdit>("Edit1")->setText(QString::fromStdString(link));
        child<QLineEdit>("Edit6")->setText(QString::fromStdString(folder));
        child<QLineEdit>("Edit3")->setText(QString::fromStdString(name));
        child<QLineEdit>("Edit7")->setText(QString::fromStdString(title));
        child<QComboBox>("ComboBox1")->setCurrentText(QString::fromStdString(format));
    }
    std::string status() const { return child<QLabel>("StatusBar1")->text().toStdString(); }

    // Takes the listing of every place the program could write to besides the destination.
    void rememberPlaces() {
        m_before = listTree(m_scratch.path(), m_destination);
        m_tmpBefore = namesIn(fs::temp_directory_path().string());
    }

    // Presses a button of the window and lets the events run until the worker it started ends.
    void press(const char* button) {
        child<QPushButton>(button)->click();
        waitForWorker();
    }
    void waitForWorker(std::chrono::seconds ceiling = std::chrono::seconds(120)) {
        waitFor([this] { return !m_window->workerRunning(); },
                static_cast<int>(std::chrono::milliseconds(ceiling).count()));
        ASSERT_FALSE(m_window->workerRunning()) << "the worker did not end";
    }
    // Waits until the server was asked for the target; false after the ceiling.
    bool waitForRequest(const std::string& target) {
        return waitFor(
            [&] {
                for (const auto& request : m_server->requests())
                    if (request.target() == target)
                        return true;
                return false;
            },
            60000);
    }

    // What every case ends with.
    void expectCleanEnd(bool listDownload = false) {
        SCOPED_TRACE("boxes: " + m_presenter.joined());
        EXPECT_FALSE(m_window->workerRunning());
        // The commands are back (Stop stays enabled after a single link, as designed).
        if (listDownload) {
            for (const char* button : {"Button6", "Button7"})
                EXPECT_TRUE(child<QPushButton>(button)->isEnabled()) << button << " stays off";
            EXPECT_FALSE(child<QPushButton>("Button5")->isEnabled()) << "Stop stays on";
        } else {
            EXPECT_TRUE(child<QPushButton>("Button4")->isEnabled()) << "Button4 stays off";
        }
        EXPECT_FALSE(m_window->runContext().listRunning());
        // No temporary file of a job, in the destination or anywhere else the program writes.
        for (const std::string& name : namesIn(m_destination))
            EXPECT_THAT(name, ::testing::Not(HasSubstr("xxx"))) << "left in the destination";
        EXPECT_FALSE(fs::exists(m_work + "/" + ServiceReplyFileName)) << "reply file left";
        for (const std::string& name : namesIn(fs::temp_directory_path().string())) {
            if (m_tmpBefore.count(name) == 0) {
                EXPECT_THAT(name, ::testing::Not(HasSubstr("xxx"))) << "left in the temp folder";
            }
        }
        // Nothing outside the destination changed, but for the remembered folder and name.
        Listing after = listTree(m_scratch.path(), m_destination);
        const std::string settings = m_program + "/" + PreferencesFileName;
        after.erase(settings);
        Listing before = m_before;
        before.erase(settings);
        for (const auto& [path, what] : after)
            EXPECT_EQ(before.count(path) ? before[path] : "(new)", what) << path;
        for (const auto& [path, what] : before)
            EXPECT_TRUE(after.count(path)) << "removed: " << path;
        // The window still answers: a download without a link is refused with its message.
        const std::size_t boxes = m_presenter.texts().size();
        child<QLineEdit>("Edit1")->setText({});
        child<QLineEdit>("Edit6")->setText(QString::fromStdString(m_destination));
        child<QPushButton>("Button4")->click();
        QCoreApplication::processEvents();
        ASSERT_EQ(m_presenter.texts().size(), boxes + 1) << "the window did not answer";
        EXPECT_THAT(m_presenter.texts().back(), HasSubstr("ne peut pas \u00eatre effectu\u00e9"));
        std::string asked;
        for (const auto& request : m_server ? m_server->requests() : std::vector<RecordedRequest>{})
            asked += " " + request.target().substr(0, 60);
        std::string left;
        for (const std::string& name : namesIn(m_destination))
            left += " " + name.substr(0, 60);
        std::printf("  boxes: %s\n  status: %s\n  requests:%s\n  destination:%s\n",
                    m_presenter.joined().c_str(), status().c_str(), asked.c_str(), left.c_str());
    }

    // The common case: the first page's link downloaded into the destination under `name`,
    // ending with a box that holds `box`, then the clean end of every case.
    void downloadExpectingBox(const std::string& link, const std::string& name,
                              const std::string& box) {
        openWindow();
        fill(link, m_destination, name);
        rememberPlaces();
        press("Button4");
        EXPECT_TRUE(anyBoxContains(box)) << m_presenter.joined();
        expectCleanEnd();
    }

    // Starts a download, presses Stop once the media was asked for and `settleMs` more have
    // passed, and waits for the worker. The stop ends it with everything it started: the ready
    // status, no process working on the destination, no partial download. (How soon it ends is
    // measured by the worker benchmark.)
    void stopDuringMedia(const std::string& name, int settleMs) {
        openWindow();
        fill(dailymotionLink(), m_destination, name);
        rememberPlaces();
        child<QPushButton>("Button4")->click();
        ASSERT_TRUE(waitForRequest(MediaTarget));
        QTest::qWait(settleMs);
        child<QPushButton>("Button5")->click();
        waitForWorker();
        EXPECT_EQ(status(), fr::R);
        for (const int pid : processesMentioning(m_destination))
            EXPECT_FALSE(processAlive(pid)) << "a process was left running: " << pid;
        EXPECT_TRUE(namesIn(m_destination).empty()) << "the partial download is removed";
    }

    bool anyBoxContains(const std::string& text) const {
        for (const std::string& box : m_presenter.texts())
            if (box.find(text) != std::string::npos)
                return true;
        return false;
    }

    TempFolder m_scratch{"hostile"};
    const std::string m_program = m_scratch.file("program");
    const std::string m_work = m_scratch.file("work");
    const std::string m_destination = m_scratch.file("destination");
    const std::string m_data = m_scratch.file("data");
    Presenter m_presenter;
    Shell m_shell;
    std::unique_ptr<ScriptedHttpServer> m_server;
    std::unique_ptr<MainWindow> m_window;
    Listing m_before;
    std::set<std::string> m_tmpBefore;
    WorkerSurroundings m_surroundings;
};

TEST_F(HostileInputs, ARedirectLoop) {
    startServer(textItem("HTTP/1.1 302 Found\r\nLocation: " + MediaTarget +
                         "\r\nContent-Length: 0\r\n\r\n"));
    downloadExpectingBox(dailymotionLink(), "loop", fr::NetworkError);
}

TEST_F(HostileInputs, AResponseHeaderOfOneMebibyte) {
    const std::string head = "HTTP/1.1 200 OK\r\nX-Filler: " + std::string(1 << 20, 'h') +
                             "\r\nContent-Length: 10\r\nConnection: close\r\n\r\n";
    startServer(fileItem(rawFile(m_data + "/big-header.http", head, "0123456789")));
    downloadExpectingBox(dailymotionLink(), "header", fr::NetworkError);
}

TEST_F(HostileInputs, OneByteEveryTenSecondsEndsAtStop) {
    startServer(textItem("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n" +
                             std::string(1000, 'b'),
                         R"(, "pace": [1, 10])"));
    // The first byte has arrived, the next is ten seconds away.
    stopDuringMedia("slow", 300);
    EXPECT_TRUE(m_presenter.texts().empty()) << "a stop is not an error";
    expectCleanEnd();
}

TEST_F(HostileInputs, AMalformedChunkSize) {
    startServer(textItem("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: "
                         "close\r\n\r\n5\r\nhello\r\nzz-not-hex\r\nworld\r\n0\r\n\r\n"));
    downloadExpectingBox(dailymotionLink(), "chunk", fr::NetworkError);
}

TEST_F(HostileInputs, ABodyThatNeverEndsEndsAtStop) {
    startServer(textItem("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", R"(, "endless": 65536)"));
    stopDuringMedia("endless", 1000); // some megabytes have arrived
    expectCleanEnd();
}

TEST_F(HostileInputs, AResolverAnsweringTenMebibytesOnOneLine) {
    const std::string body(10 << 20, 'r');
    startServer(clipItem(), {},
                fileItem(rawFile(m_data + "/resolver.http", okHead(body.size()), body)));
    // Ten mebibytes are no link: its fetch fails with the network error.
    downloadExpectingBox(youTubeLink(), "resolver", fr::NetworkError);
}

TEST_F(HostileInputs, ADailymotionPageOfFiftyMebibytesWithoutMarker) {
    std::string page;
    page.reserve(50 << 20);
    while (page.size() < (50u << 20))
        page += "<div class=\"filler\">no stream links on this line</div>\n";
    startServer(clipItem(), fileItem(rawFile(m_data + "/page.http", okHead(page.size()), page)));
    // No stream link in the page: the fetch of the empty link fails with the network error.
    downloadExpectingBox(dailymotionLink(), "page", fr::NetworkError);
    EXPECT_EQ(m_server->requests().size(), 2u) << "nothing asked after the page";
}

TEST_F(HostileInputs, AListFileOfBinaryJunk) {
    startServer(clipItem());
    writeWholeFile(m_data + "/junk.txt", randomJunk(4096, 12345));
    m_shell.file = m_data + "/junk.txt";
    openWindow();
    child<QLineEdit>("Edit2")->setText(QString::fromStdString(m_destination));
    rememberPlaces();
    child<QPushButton>("Button6")->click(); // load
    QCoreApplication::processEvents();
    const int rows = m_window->listSize();
    std::printf("  junk gave %d list rows\n", rows);
    press("Button7"); // download the list
    EXPECT_EQ(m_window->listSize(), 0) << "every row was carried out or dropped";
    if (rows > 0) {
        // A junk link is no supported link: the list's refusal box.
        EXPECT_TRUE(anyBoxContains(fr::M2)) << m_presenter.joined();
    }
    expectCleanEnd(true);
}

TEST_F(HostileInputs, APreferencesFileOfBinaryJunk) {
    startServer(clipItem());
    const std::string junk =
        randomJunk(4096, 54321) + "\n[Visual]\ndestinationPathName=\x01\xff\xfe/\x80nowhere\n";
    writeWholeFile(m_program + "/" + PreferencesFileName, junk);
    openWindow();
    const std::string folder = child<QLineEdit>("Edit6")->text().toStdString();
    std::printf("  folder field after start: %zu bytes\n", folder.size());
    // The download command is then asked with what the file gave.
    child<QLineEdit>("Edit1")->setText(QString::fromStdString(dailymotionLink()));
    rememberPlaces();
    press("Button4");
    // The folder the junk gave does not exist: the command refuses before any download.
    EXPECT_TRUE(anyBoxContains("Le dossier destinataire n'existe pas")) << m_presenter.joined();
    EXPECT_TRUE(m_server->requests().empty());
    expectCleanEnd();
}

// The metadata of a page, printed by yt-dlp, carries line breaks and lines shaped like the
// program's own, naming a file of the user's outside the destination: that file stays as it
// was and the download goes on as any other.
TEST_F(HostileInputs, APageWhoseMetadataNamesAFileOutsideTheFolder) {
    const std::string notes = m_data + "/notes.txt";
    writeWholeFile(notes, "the user's notes");
    const std::string lines = "\\nvantaro-file " + notes + "\\nvantaro-uploader x\\n" +
                              "vantaro-progress 1 2 3\\r\\nERROR: no\\n";
    const std::string site = "http://127.0.0.1:{{PORT}}";
    const std::string page =
        "<html><head><title>Evil" + lines +
        "</title><script type=\"application/ld+json\">{\"@context\": \"https://schema.org\", "
        "\"@type\": \"VideoObject\", \"name\": \"Evil" +
        lines + "\", \"description\": \"" + lines +
        "\", \"author\": {\"@type\": \"Person\", \"name\": \"Evil" + lines +
        "\"}, \"contentUrl\": \"" + site +
        "/youtube/clip.mp4\", \"uploadDate\": "
        "\"2026-01-01\"}</script></head><body></body></html>\n";
    const std::string clip = readWholeFile(testClip(ClipKind::Mp4, 2));
    // No report route: the service fails, and yt-dlp takes the YouTube-like link.
    m_server = std::make_unique<ScriptedHttpServer>(
        R"({"routes": {"/youtube/page": [)" +
        textItem("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + page, {}, true) +
        R"(], "/youtube/clip.mp4": [)" +
        fileItem(rawFile(m_data + "/clip.http", okHead(clip.size()), clip)) + "]}}");
    openWindow();
    fill(m_server->url("/youtube/page"), m_destination, "meta");
    rememberPlaces();
    press("Button4");
    SCOPED_TRACE(m_presenter.joined());
    EXPECT_EQ(status(), fr::R);
    EXPECT_TRUE(m_presenter.texts().empty()) << "a good download shows no box";
    EXPECT_EQ(namesIn(m_destination), std::set<std::string>{"meta.mp3"});
    EXPECT_EQ(probe(m_destination + "/meta.mp3").formatName, "mp3");
    EXPECT_EQ(readWholeFile(notes), "the user's notes");
    expectCleanEnd();
}

TEST_F(HostileInputs, AFileNameOfThreeHundredCharacters) {
    startServer(clipItem());
    downloadExpectingBox(dailymotionLink(), std::string(300, 'n'), fr::Failed);
    // The system's reason, in French.
    EXPECT_TRUE(anyBoxContains(" : le nom est trop long")) << m_presenter.joined();
}

TEST_F(HostileInputs, ADestinationOnAFullFileSystem) {
    MountedFolder full(m_destination, MountedFolder::Kind::Small, 256 * 1024);
    if (!full.mounted())
        GTEST_SKIP() << full.whyUnavailable();
    const std::string body(4 << 20, 'm');
    startServer(fileItem(rawFile(m_data + "/big.http", okHead(body.size()), body)));
    downloadExpectingBox(dailymotionLink(), "full", "Erreur d'\u00e9criture du fichier");
}

TEST_F(HostileInputs, AReadOnlyDestination) {
    MountedFolder readOnly(m_destination, MountedFolder::Kind::ReadOnly);
    if (!readOnly.mounted())
        GTEST_SKIP() << readOnly.whyUnavailable();
    startServer(clipItem());
    downloadExpectingBox(dailymotionLink(), "readonly", fr::Failed);
    EXPECT_TRUE(anyBoxContains(" : le disque est en lecture seule")) << m_presenter.joined();
}

TEST_F(HostileInputs, ATitleAndFileNameOfShellSyntaxAndQuotes) {
    startServer(clipItem());
    openWindow();
    const std::string name = "a'b\"c;$(touch pwned1)`touch pwned2`&|<>*?\\ d";
    const std::string title = "t'i\"t;$(touch pwned3) `touch pwned4` && rm -rf x";
    fill(dailymotionLink(), m_destination, name, "MP3", title);
    rememberPlaces();
    press("Button4");
    SCOPED_TRACE(m_presenter.joined());
    EXPECT_EQ(status(), fr::R);
    EXPECT_TRUE(m_presenter.texts().empty()) << "a good download shows no box";
    EXPECT_EQ(namesIn(m_destination), std::set<std::string>{name + ".mp3"});
    Probe result = probe(m_destination + "/" + name + ".mp3");
    EXPECT_EQ(result.formatName, "mp3");
    EXPECT_GT(result.audioPackets, 0);
    EXPECT_THAT(result.tags["title"], HasSubstr(title)) << "the title arrives as typed";
    for (const char* marker : {"pwned1", "pwned2", "pwned3", "pwned4"}) {
        EXPECT_FALSE(fs::exists(m_work + "/" + marker)) << marker;
        EXPECT_FALSE(fs::exists(m_program + "/" + marker)) << marker;
    }
    expectCleanEnd();
}

} // namespace
} // namespace vantaro::testing

int main(int argc, char** argv) {
    vantaro::testing::makeApplication("hostile_inputs_test");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
