// SPDX-License-Identifier: GPL-3.0-or-later
// The process-wide port names read from "ports.txt" in the current directory at the first
// lookup. One test only: the table is loaded once per process.
#include "capture/PortNames.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vantaro {
namespace {

namespace fs = std::filesystem;

TEST(ProcessPortNames, ReadFromTheCurrentDirectoryOnce) {
    const testing::OwnFolder own("vantaro-ports");
    std::ofstream("ports.txt") << "# local names\r\nwww-http 80/tcp  # web\r\nfoo 5000/tcp\r\n";

    EXPECT_EQ(serviceName(5000, 80), "www-http");
    EXPECT_EQ(serviceName(80, 9000), "www-http");
    EXPECT_EQ(serviceName(40000, 5000), "foo");
    EXPECT_EQ(serviceName(443, 40000), "HTTPS");

    // Changing or removing the file afterwards changes nothing.
    std::ofstream("ports.txt") << "other 80/tcp\n";
    EXPECT_EQ(serviceName(5000, 80), "www-http");
    fs::remove("ports.txt");
    EXPECT_EQ(serviceName(40000, 5000), "foo");
}

} // namespace
} // namespace vantaro
