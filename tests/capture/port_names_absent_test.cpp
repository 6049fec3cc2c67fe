// SPDX-License-Identifier: GPL-3.0-or-later
// The process-wide port names when no "ports.txt" exists at the first lookup. One test only:
// the table is loaded once per process.
#include "capture/PortNames.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace vantaro {
namespace {

TEST(ProcessPortNames, AbsentAtFirstLookupStaysAbsent) {
    const testing::OwnFolder own("vantaro-noports");

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
}

} // namespace
} // namespace vantaro
