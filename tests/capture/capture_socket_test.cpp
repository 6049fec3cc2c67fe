// SPDX-License-Identifier: GPL-3.0-or-later
// The capture tool's start and stop on a real packet socket. Opening the socket needs CAP_NET_RAW
// (root); the test skips without it.
#include "capture/CaptureTool.h"

#include "CaptureFakes.h"
#include "LoopbackCapture.h"
#include "support/QtTestRun.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vantaro {
namespace {

using testing::canOpenPacketSocket;
using testing::FakeCaptureHost;
using testing::FakeVolume;

TEST(CaptureOnLoopback, StartStopStartAndAStartThatFails) {
    if (!canOpenPacketSocket())
        GTEST_SKIP() << "no packet socket without CAP_NET_RAW; run as root";
    testing::ensureCoreApplication("capture_test");
    FakeCaptureHost host;
    FakeVolume volume;
    CaptureTool tool(host, volume);

    host.address = "127.0.0.1";
    tool.toggleCapture();
    ASSERT_TRUE(tool.captureRunning()) << (host.log.empty() ? "" : host.log.back());
    EXPECT_EQ(host.caption, "Stop Capture");
    tool.toggleCapture();
    EXPECT_FALSE(tool.captureRunning());
    EXPECT_EQ(host.caption, "Start Capture");
    tool.toggleCapture();
    EXPECT_TRUE(tool.captureRunning());
    tool.toggleCapture();
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), std::string(CaptureHeader)), 2);

    // An address of no interface of this machine: the socket's message in two log lines.
    host.log.clear();
    host.address = "192.0.2.77";
    tool.toggleCapture();
    EXPECT_FALSE(tool.captureRunning());
    EXPECT_EQ(host.caption, "Start Capture");
    ASSERT_EQ(host.log.size(), 2u);
    EXPECT_EQ(host.log[0], "Failed to Start Monitor - Error 99 in function Bind");
    EXPECT_EQ(host.log[1], "Cannot assign requested address");
}

} // namespace
} // namespace vantaro
