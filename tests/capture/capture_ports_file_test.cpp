// SPDX-License-Identifier: GPL-3.0-or-later
// The capture tool with a "ports.txt" in its own working directory: the file's names decide
// which ports carry web requests. One test only: the port names are read once per process.
#include "capture/CaptureTool.h"

#include "CaptureFakes.h"
#include "core/Constants.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace vantaro {
namespace {

using testing::FakeCaptureHost;
using testing::FakeMonitor;
using testing::FakeVolume;
using testing::requestHead;
using testing::requestRecord;

TEST(CapturePortNames, OnlyHttpAndWwwHttpNamesCarryRequests) {
    testing::TempFolder folder("vantaro-capture-ports");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    testing::writeWholeFile(folder.file("ports.txt"), "http-alt 8080/tcp\r\n"
                                                      "WWW-HTTP 8000/tcp   # names keep case\r\n"
                                                      "http 8888/tcp\r\n"
                                                      "intranet 80/tcp\r\n");
    FakeCaptureHost host;
    FakeVolume volume;
    FakeMonitor::Record monitor;
    CaptureTool tool(host, volume, std::make_unique<FakeMonitor>(monitor));
    tool.toggleCapture();
    host.log.clear();
    const std::string request = requestHead("GET /get/abc/video.mp4?ticket=1 HTTP/1.1", WatWebHost);

    // 8080 is "http-alt" and 80 is renamed by the file: neither is a web port any more.
    monitor.handler(requestRecord(request, 8080));
    monitor.handler(requestRecord(request, 80));
    EXPECT_TRUE(tool.captureRunning());
    EXPECT_TRUE(host.log.empty());

    // "WWW-HTTP" lower-cased is a web service name.
    monitor.handler(requestRecord(request, 8000));
    EXPECT_EQ(tool.foundMediaLink(), "http://www.wat.tv/get/abc/video.mp4");
    EXPECT_FALSE(tool.captureRunning());

    tool.toggleCapture();
    monitor.handler(requestRecord(requestHead("GET /get/b.flv HTTP/1.1", WatWebHost), 8888));
    EXPECT_EQ(tool.foundMediaLink(), "http://www.wat.tv/get/b.flv");

    std::filesystem::current_path(previous);
}

} // namespace
} // namespace vantaro
