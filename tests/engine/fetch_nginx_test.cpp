// SPDX-License-Identifier: GPL-3.0-or-later
// fetchToFile against a real nginx on loopback: a large file arrives byte for byte.

#include "core/RunContext.h"
#include "engine/Fetch.h"

#include "support/NginxServer.h"
#include "support/RecordingHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace {

using vantaro::testing::NginxServer;
using vantaro::testing::RecordingHost;
using vantaro::testing::TempFolder;

constexpr std::int64_t FileSize = 256LL * 1024 * 1024;
constexpr std::size_t Block = 1 << 20;

// Writes FileSize pseudo-random bytes (a fixed seed, so every run serves the same file).
void writeRandomFile(const std::string& path) {
    std::mt19937_64 random(20140101);
    std::vector<std::uint64_t> block(Block / sizeof(std::uint64_t));
    std::ofstream out(path, std::ios::binary);
    for (std::int64_t written = 0; written < FileSize; written += Block) {
        for (auto& word : block)
            word = random();
        out.write(reinterpret_cast<const char*>(block.data()), Block);
    }
}

// The offset of the first difference of two files, or -1 when they are equal.
std::int64_t firstDifference(const std::string& a, const std::string& b) {
    std::ifstream first(a, std::ios::binary);
    std::ifstream second(b, std::ios::binary);
    std::vector<char> left(Block);
    std::vector<char> right(Block);
    for (std::int64_t offset = 0;; offset += Block) {
        first.read(left.data(), Block);
        second.read(right.data(), Block);
        if (first.gcount() != second.gcount())
            return offset + std::min(first.gcount(), second.gcount());
        for (std::streamsize i = 0; i < first.gcount(); ++i) {
            if (left[static_cast<std::size_t>(i)] != right[static_cast<std::size_t>(i)])
                return offset + i;
        }
        if (first.gcount() == 0)
            return -1;
    }
}

TEST(FetchFromNginx, A256MiBFileArrivesByteForByte) {
    const vantaro::RunContext context;
    TempFolder root("nginx-root");
    writeRandomFile(root.file("video.flv"));
    NginxServer nginx(root.path());
    TempFolder downloads("nginx-downloads");
    RecordingHost host;

    vantaro::fetchToFile(nginx.url("/video.flv"), downloads.file("videoxxx.flv"), host,
                         context.stopToken(), context.language());

    EXPECT_TRUE(host.messages().empty());
    EXPECT_EQ(host.progressMax(), FileSize);
    EXPECT_EQ(host.progressPosition(), FileSize);
    EXPECT_EQ(firstDifference(root.file("video.flv"), downloads.file("videoxxx.flv")), -1);

    // A missing file is nginx's 404: the network error, an empty file.
    vantaro::fetchToFile(nginx.url("/missing.flv"), downloads.file("missing.flv"), host,
                         context.stopToken(), context.language());
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(vantaro::testing::readWholeFile(downloads.file("missing.flv")), "");
}

// A length beyond the 32-bit range: counts and progress stay exact (a sparse file, written to
// /dev/null, so the test costs neither disk nor much time).
TEST(FetchFromNginx, ALengthBeyond2GiBIsCountedIn64Bits) {
    const vantaro::RunContext context;
    constexpr std::int64_t Large = 2LL * 1024 * 1024 * 1024 + 123457;
    TempFolder root("nginx-root");
    std::ofstream(root.file("large.bin")).close();
    std::filesystem::resize_file(root.file("large.bin"), Large);
    NginxServer nginx(root.path());
    RecordingHost host;

    vantaro::fetchToFile(nginx.url("/large.bin"), "/dev/null", host, context.stopToken(),
                         context.language());

    EXPECT_TRUE(host.messages().empty());
    EXPECT_EQ(host.progressMax(), Large);
    EXPECT_EQ(host.progressPosition(), Large);
}

} // namespace
