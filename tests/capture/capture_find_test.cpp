// SPDX-License-Identifier: GPL-3.0-or-later
// The capture tool on the loopback interface finds curl's request to nginx on 127.0.0.1.
// Opening the packet socket needs CAP_NET_RAW (root); the test skips without it. It runs in a
// folder of its own, where it writes the "ports.txt" that names nginx's port "http".
#include "capture/CaptureTool.h"

#include "CaptureFakes.h"
#include "LoopbackCapture.h"
#include "support/NginxServer.h"
#include "support/QtTestRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <memory>

namespace vantaro {
namespace {

using testing::canOpenPacketSocket;
using testing::FakeCaptureHost;
using testing::FakeVolume;
using testing::freeLowPort;
using testing::OwnFolder;
using testing::waitFor;

TEST(CaptureOnLoopback, CurlRequestToTheWatHostIsFound) {
    if (!canOpenPacketSocket())
        GTEST_SKIP() << "no packet socket without CAP_NET_RAW; run as root";
    testing::ensureCoreApplication("capture_test");
    OwnFolder own{"vantaro-capture-loopback"};
    const testing::TempFolder root("vantaro-capture-root");
    std::filesystem::create_directories(root.path() + "/get/abc");
    testing::writeWholeFile(root.file("get/abc/video.mp4"), "not really a video\n");
    std::unique_ptr<testing::NginxServer> nginx;
    for (int attempt = 0; attempt < 5 && !nginx; ++attempt) {
        try {
            nginx = std::make_unique<testing::NginxServer>(root.path(), freeLowPort());
        } catch (const std::exception&) {
            // Another program took the port meanwhile: draw again.
        }
    }
    ASSERT_TRUE(nginx) << "nginx did not start on a port below 10000";
    const std::string port = std::to_string(nginx->port());
    testing::writeWholeFile(own.folder().file("ports.txt"), "http " + port + "/tcp\n");

    FakeCaptureHost host;
    FakeVolume volume;
    CaptureTool tool(host, volume);
    host.address = "127.0.0.1";
    tool.toggleCapture();
    ASSERT_TRUE(tool.captureRunning()) << (host.log.empty() ? "" : host.log.back());

    QProcess curl;
    curl.start(
        "curl",
        {"-s", "-o", "/dev/null", "--noproxy", "*", "--max-time", "10", "-H", "Host: www.wat.tv",
         QString::fromStdString("http://127.0.0.1:" + port + "/get/abc/video.mp4?ticket=1")});
    const bool stopped = waitFor([&] { return !tool.captureRunning(); }, 20000);
    waitFor([&] { return curl.state() == QProcess::NotRunning; }, 15000);

    EXPECT_TRUE(stopped);
    EXPECT_EQ(curl.exitCode(), 0);
    EXPECT_NE(std::find(host.log.begin(), host.log.end(),
                        std::string("[http://www.wat.tv/get/abc/video.mp4]")),
              host.log.end());
    EXPECT_EQ(tool.foundMediaLink(), "http://www.wat.tv/get/abc/video.mp4");
    EXPECT_EQ(host.caption, "Start Capture");
    EXPECT_FALSE(host.timerEnabled);
}

} // namespace
} // namespace vantaro
