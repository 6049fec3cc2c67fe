// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/ListFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace vantaro {
namespace {

struct Parsed {
    std::vector<ListFileEntry> entries;
    ListFileReader::Result last = ListFileReader::Result::End;
    int errorNumber = 0;
};

Parsed readAll(std::FILE* stream, std::size_t chunkSize) {
    Parsed parsed;
    ListFileReader reader(stream, chunkSize);
    ListFileEntry entry;
    while ((parsed.last = reader.readEntry(entry)) == ListFileReader::Result::Entry)
        parsed.entries.push_back(entry);
    parsed.errorNumber = reader.errorNumber();
    return parsed;
}

// Reads a file's bytes from memory with the given read size.
Parsed parse(const std::string& bytes, std::size_t chunkSize = 64 * 1024) {
    std::string copy = bytes;
    std::FILE* stream =
        copy.empty() ? std::fopen("/dev/null", "rb") : fmemopen(copy.data(), copy.size(), "rb");
    EXPECT_NE(stream, nullptr);
    Parsed parsed = readAll(stream, chunkSize);
    std::fclose(stream);
    return parsed;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs pairsOf(const Parsed& parsed) {
    Pairs pairs;
    for (const auto& e : parsed.entries)
        pairs.emplace_back(e.link, e.title);
    return pairs;
}

TEST(ListFileReader, PairsOfLinesEndingInLfOrCrLf) {
    EXPECT_EQ(pairsOf(parse("http://a\nTitle A\nhttp://b\r\nTitle B\r\n")),
              (Pairs{{"http://a", "Title A"}, {"http://b", "Title B"}}));
    // Without a line end after the last title.
    EXPECT_EQ(pairsOf(parse("l1\nt1\nl2\nt2")), (Pairs{{"l1", "t1"}, {"l2", "t2"}}));
}

TEST(ListFileReader, EmptyAndBlankFiles) {
    EXPECT_TRUE(parse("").entries.empty());
    EXPECT_EQ(parse("").last, ListFileReader::Result::End);
    // One line end is one blank line: an entry with an empty link and an empty title.
    EXPECT_EQ(pairsOf(parse("\n")), (Pairs{{"", ""}}));
    EXPECT_EQ(pairsOf(parse("\r\n\r\n\r\n\r\n")), (Pairs{{"", ""}, {"", ""}}));
}

TEST(ListFileReader, ThreeLinesGiveTwoEntriesTheSecondWithoutTitle) {
    EXPECT_EQ(pairsOf(parse("l1\nt1\nl2\n")), (Pairs{{"l1", "t1"}, {"l2", ""}}));
    EXPECT_EQ(pairsOf(parse("l1\nt1\nl2")), (Pairs{{"l1", "t1"}, {"l2", ""}}));
}

TEST(ListFileReader, BlankLinesCountLikeAnyOther) {
    // A blank first line is an empty link; the pairing goes on from there.
    EXPECT_EQ(pairsOf(parse("\nhttp://a\nT\n")), (Pairs{{"", "http://a"}, {"T", ""}}));
    EXPECT_EQ(pairsOf(parse("http://a\n\nhttp://b\nB\n")),
              (Pairs{{"http://a", ""}, {"http://b", "B"}}));
}

TEST(ListFileReader, LoneCarriageReturnsAreDropped) {
    EXPECT_EQ(pairsOf(parse("ht\rtp://a\r\r\nT\ri\rtle\r\r\n")), (Pairs{{"http://a", "Title"}}));
    // A lone CR is not a line end.
    EXPECT_EQ(pairsOf(parse("a\rb\rc\n")), (Pairs{{"abc", ""}}));
    // A CR alone after the last line end still makes a (blank) line.
    EXPECT_EQ(pairsOf(parse("a\nb\n\r")), (Pairs{{"a", "b"}, {"", ""}}));
}

TEST(ListFileReader, CtrlZEndsTheFile) {
    EXPECT_EQ(pairsOf(parse("l1\nt1\n\x1Al2\nt2\n")), (Pairs{{"l1", "t1"}}));
    EXPECT_EQ(pairsOf(parse("l1\nti\x1Atle\nl2\nt2\n")), (Pairs{{"l1", "ti"}}));
    EXPECT_TRUE(parse(std::string("\x1A") + "l1\nt1\n").entries.empty());
    // Ctrl-Z right after a chunk boundary, with a read size of 3.
    EXPECT_EQ(pairsOf(parse("ab\ncd\x1A\nxx\n", 3)), (Pairs{{"ab", "cd"}}));
    EXPECT_EQ(pairsOf(parse("ab\n\x1A", 3)), (Pairs{{"ab", ""}}));
}

TEST(ListFileReader, LinesOfAnyLengthAcrossReads) {
    const std::string longLink = "http://www.youtube.com/watch?v=" + std::string(100 * 1024, 'x');
    const std::string longTitle(100 * 1024 + 7, 'T');
    const std::string file = longLink + "\r\n" + longTitle + "\r\nshort\nend\n";
    for (std::size_t chunk :
         {std::size_t{1}, std::size_t{2}, std::size_t{4095}, std::size_t{64 * 1024}}) {
        SCOPED_TRACE(chunk);
        EXPECT_EQ(pairsOf(parse(file, chunk)), (Pairs{{longLink, longTitle}, {"short", "end"}}));
    }
}

TEST(ListFileReader, SameEntriesWhateverTheReadSize) {
    const std::string file = "a\r\nb\r\r\n\r\nc\rd\n\x1Aignored\n";
    const Pairs expected = pairsOf(parse(file));
    ASSERT_EQ(expected, (Pairs{{"a", "b"}, {"", "cd"}}));
    for (std::size_t chunk = 1; chunk <= file.size() + 1; ++chunk)
        EXPECT_EQ(pairsOf(parse(file, chunk)), expected) << "read size " << chunk;
}

TEST(ListFileReader, BytesPassThroughUnchanged) {
    // Non-ASCII, tabs and NUL bytes are data like any other.
    const std::string link = std::string("http://x/\xC3\xA9t\xC3\xA9\t") + '\0' + "z";
    EXPECT_EQ(pairsOf(parse(link + "\n  two  spaces \n")), (Pairs{{link, "  two  spaces "}}));
    // As a file name, a NUL would end the path at "notes.txt" where the system reads it.
    EXPECT_EQ(titleToFileName(std::string("notes.txt\0 x", 12)), "notes.txt--x");
}

// A stream that hands out its bytes, then fails with EIO.
struct FailingSource {
    std::string bytes;
    std::size_t position = 0;
};

ssize_t readThenFail(void* cookie, char* buffer, std::size_t size) {
    auto* source = static_cast<FailingSource*>(cookie);
    if (source->position == source->bytes.size()) {
        errno = EIO;
        return -1;
    }
    const std::size_t count = std::min(size, source->bytes.size() - source->position);
    std::memcpy(buffer, source->bytes.data() + source->position, count);
    source->position += count;
    return static_cast<ssize_t>(count);
}

TEST(ListFileReader, ReadFailureAfterSomeEntries) {
    FailingSource source{"l1\nt1\nl2\nt2\nl3\nt", 0};
    cookie_io_functions_t functions{readThenFail, nullptr, nullptr, nullptr};
    std::FILE* stream = fopencookie(&source, "r", functions);
    ASSERT_NE(stream, nullptr);
    std::setvbuf(stream, nullptr, _IONBF, 0);
    const Parsed parsed = readAll(stream, 4);
    std::fclose(stream);
    EXPECT_EQ(pairsOf(parsed), (Pairs{{"l1", "t1"}, {"l2", "t2"}}));
    EXPECT_EQ(parsed.last, ListFileReader::Result::Error);
    EXPECT_EQ(parsed.errorNumber, EIO);
}

TEST(ListFileReader, DirectoryCannotBeRead) {
    const auto folder = std::filesystem::temp_directory_path();
    std::FILE* stream = std::fopen(folder.c_str(), "rb");
    if (stream == nullptr)
        GTEST_SKIP() << "this system refuses to open a directory as a stream";
    const Parsed parsed = readAll(stream, 64);
    std::fclose(stream);
    EXPECT_EQ(parsed.last, ListFileReader::Result::Error);
    EXPECT_EQ(parsed.errorNumber, EISDIR);
}

TEST(TitleToFileName, BlanksAndSlashesBecomeDashes) {
    EXPECT_EQ(titleToFileName("My  song"), "My--song");
    EXPECT_EQ(titleToFileName(" a b "), "-a-b-");
    EXPECT_EQ(titleToFileName("../../x"), "..-..-x");
    EXPECT_EQ(titleToFileName("/etc/passwd"), "-etc-passwd");
    EXPECT_EQ(titleToFileName(""), "");
    // Only the space is a blank here; other characters stay.
    EXPECT_EQ(titleToFileName("a\tb\\c"), "a\tb\\c");
}

} // namespace
} // namespace vantaro
