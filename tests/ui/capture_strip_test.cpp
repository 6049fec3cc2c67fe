// SPDX-License-Identifier: GPL-3.0-or-later
// The capture tool's strip of widgets: the start button against an empty address list, the
// browser button's connection hint, the retry timer and connection speed, the Stop command's
// volume restore, and the same strip inside the main window.
#include "app/CaptureStrip.h"

#include "app/MainWindow.h"
#include "app/WebBrowser.h"
#include "core/Constants.h"
#include "core/ProgramFolder.h"
#include "engine/DownloadWorker.h"
#include "jobs/StopCommands.h"
#include "support/QtTestRun.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempFolder.h"
#include "support/WindowFakes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantaro {
namespace {

using testing::waitFor;

class RecordingVolume : public WaveVolume {
public:
    std::optional<std::uint16_t> current;
    std::vector<std::uint16_t>* set = nullptr;
    std::optional<std::uint16_t> level() override { return current; }
    void setLevel(std::uint16_t value) override { set->push_back(value); }
};

// The Stop command's host: the window's restore goes to the strip.
class StopHost : public StopCommandHost {
public:
    explicit StopHost(CaptureStrip& strip) : m_strip(strip) {}
    void workStopping() override {}
    void restoreWaveVolume() override { m_strip.restoreWaveVolume(); }

private:
    CaptureStrip& m_strip;
};

std::string lastLine(const QPlainTextEdit& box) {
    return box.document()->lastBlock().text().toStdString();
}

class CaptureStripTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::makeApplication("capture_strip_test"); }
    void SetUp() override {
        auto recording = std::make_unique<RecordingVolume>();
        recording->set = &volumeSet;
        volume = recording.get();
        strip = std::make_unique<CaptureStrip>(
            CaptureStripWidgets{&list, &memo, &start, &close, &mute, &nothing, &browser, &speed,
                                [this](const std::string& text) { statuses.push_back(text); }},
            nullptr, std::move(recording));
        for (const char* choice :
             {"Connexion Rapide (quick connection)", "Connexion Moyenne (medium connection)",
              "Connexion Lente (low connection)"})
            speed.addItem(choice);
    }

    QListWidget list;
    QPlainTextEdit memo;
    QPushButton start{"Start Capture"};
    QPushButton close;
    QPushButton mute;
    QPushButton nothing;
    WebBrowser browser;
    QComboBox speed;
    std::vector<std::string> statuses;
    std::vector<std::uint16_t> volumeSet;
    RecordingVolume* volume = nullptr;
    std::unique_ptr<CaptureStrip> strip;
};

TEST_F(CaptureStripTest, StartWithNoAddressLogsTheIndexErrorAndStaysStopped) {
    start.click();
    EXPECT_EQ(lastLine(memo), "Failed to Start Monitor - List index out of bounds (-1)");
    EXPECT_EQ(start.text(), "Start Capture");
    EXPECT_FALSE(strip->tool().captureRunning());

    // An address that is listed but not selected is no address either.
    list.addItem("127.0.0.1");
    list.clearSelection();
    memo.clear();
    start.click();
    EXPECT_TRUE(waitFor([&] {
        return lastLine(memo) == "Failed to Start Monitor - List index out of bounds (-1)";
    }));
    EXPECT_FALSE(strip->tool().captureRunning());
}

TEST_F(CaptureStripTest, BrowserButtonShowsTheHintOnlyWhenThePageFails) {
    testing::ScriptedHttpServer server(
        R"({"routes": {"*": [{"text": "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhome\n"}]}})");
    strip->tool().setNeutralPage(server.url("/"));
    close.click();
    ASSERT_TRUE(waitFor([&] { return !browser.Busy(); }));
    EXPECT_EQ(browser.text(), "home\n");
    EXPECT_TRUE(statuses.empty());

    // A port nothing listens on: the page fails after the click has returned.
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    strip->tool().setNeutralPage("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) +
                                 "/");
    close.click();
    ASSERT_TRUE(waitFor([&] { return !statuses.empty(); }));
    EXPECT_EQ(statuses, std::vector<std::string>{ConnectionHint});

    // A neutral page the browser refuses outright shows the hint at once.
    statuses.clear();
    strip->tool().setNeutralPage("about:blank");
    close.click();
    EXPECT_EQ(statuses, std::vector<std::string>{ConnectionHint});
}

TEST_F(CaptureStripTest, RetryTimerAndConnectionSpeed) {
    EXPECT_EQ(strip->Timer2().interval(), 7000);
    EXPECT_FALSE(strip->Timer2().isActive());
    speed.setCurrentText("Connexion Lente (low connection)");
    EXPECT_EQ(strip->tool().retryBaseInterval(), 30000);
    speed.setCurrentIndex(0);
    EXPECT_EQ(strip->tool().retryBaseInterval(), 10000);
}

TEST_F(CaptureStripTest, StopRestoresOnlyAVolumeThatWasSaved) {
    StopHost host(*strip);
    RunContext context;
    stopWork(context, host);
    EXPECT_TRUE(volumeSet.empty()) << "nothing saved: the sound is left alone";
    EXPECT_TRUE(context.stopRequested());

    // A start that read the mixer: the Stop puts that level back.
    volume->current = 30000;
    list.addItem("127.0.0.1");
    list.setCurrentRow(0);
    start.click();
    if (!strip->tool().captureRunning())
        GTEST_SKIP() << "the capture cannot start here (" << lastLine(memo) << "); run as root";
    start.click();
    stopWork(context, host);
    EXPECT_EQ(volumeSet, std::vector<std::uint16_t>{30000});
}

TEST(CaptureStripInWindow, TheWindowsStartButtonDrivesTheTool) {
    testing::makeApplication("capture_strip_test");
    testing::TempFolder programFolder("vantaro-window");
    std::filesystem::create_directories(programFolder.file("QrlBin"));
    setProgramFolder(programFolder.path() + "/");
    testing::RecordingPresenter presenter;
    MainWindow window("127.0.0.1:9");
    window.setMessagePresenter(&presenter);
    auto* list = window.findChild<QListWidget*>("ListBox1");
    auto* memo = window.findChild<QPlainTextEdit*>("Memo1");
    auto* start = window.findChild<QPushButton*>("Button15");
    ASSERT_TRUE(list && memo && start);
    EXPECT_NE(window.findChild<WebBrowser*>("WebBrowser1"), nullptr);

    list->clear();
    start->click();
    EXPECT_EQ(lastLine(*memo), "Failed to Start Monitor - List index out of bounds (-1)");
    EXPECT_EQ(start->text(), "Start Capture");

    // The worker's lines reach the same log.
    window.appendLog("une ligne du travail");
    EXPECT_TRUE(waitFor([&] { return lastLine(*memo) == "une ligne du travail"; }));
}

} // namespace
} // namespace vantaro
