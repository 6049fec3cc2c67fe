// SPDX-License-Identifier: GPL-3.0-or-later
// The process-wide port names when no "ports.txt" exists at the first lookup. One test only:
// the table is loaded once per process.
#include "capture/PortNames.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace vantaro {
namespace {

namespace fs = std::filesystem;

TEST(ProcessPortNames, AbsentAtFirstLookupStaysAbsent) {
    std::string folder = (fs::temp_directory_path() / "vantaro-noports-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const fs::path previous = fs::current_path();
    fs::current_path(folder);

    EXPECT_EQ(serviceName(50000, 80), "HTTP");
    EXPECT_EQ(serviceName(443, 80), "HTTP");
    EXPECT_EQ(serviceName(0, 0), "LOOPBACK");
    EXPECT_EQ(serviceName(700, 40000), "<700>");
    EXPECT_EQ(serviceName(40000, 2000), "<2000>");
    EXPECT_EQ(serviceName(40000, 700), "<700>");

    // A file that appears later is not read.
    std::ofstream("ports.txt") << "www-http 80/tcp\nfoo 2000/tcp\n";
    EXPECT_EQ(serviceName(50000, 80), "HTTP");
    EXPECT_EQ(serviceName(40000, 2000), "<2000>");

    fs::current_path(previous);
    fs::remove_all(folder);
}

} // namespace
} // namespace vantaro
