// SPDX-License-Identifier: GPL-3.0-or-later
// extractDailymotionLink on saved pages: decoding order, quality choice, fallbacks, the log
// line and the deletion of the page file.

#include "engine/DailymotionLink.h"

#include "support/RecordingHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using vantaro::extractDailymotionLink;
using vantaro::testing::RecordingHost;
using vantaro::testing::TempFolder;

std::string dmLink(const std::string& quality, const std::string& size) {
    return "http://www.dailymotion.com/cdn/H264-" + size + "/video/x1a2b3c.mp4?auth=" + quality +
           "-" + quality + "&x=" + std::to_string(quality.size());
}

class DailymotionLinkTest : public ::testing::Test {
protected:
    // Copies a fixture to a page file of the temporary folder and extracts from it.
    std::string extract(const std::string& fixture) {
        page = folder.file("videoxxx.txt");
        std::filesystem::copy_file(VANTARO_TEST_DATA_DIR "/dailymotion/" + fixture, page,
                                   std::filesystem::copy_options::overwrite_existing);
        host = std::make_unique<RecordingHost>();
        const std::string link = extractDailymotionLink(page, *host);
        EXPECT_FALSE(std::filesystem::exists(page)) << fixture << ": the page file stays";
        return link;
    }
    std::vector<std::string> logLines() const { return host->eventsStartingWith("log:"); }

    TempFolder folder{"dailymotion-test"};
    std::string page;
    std::unique_ptr<RecordingHost> host;
};

TEST_F(DailymotionLinkTest, PicksTheBestQualityAndLogsTheUndecodedRemainder) {
    EXPECT_EQ(extract("four-qualities.txt"), dmLink("hd720", "1280x720"));
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("1 trouvé. **\", \"%5B%7B%22name%22%3A%22main%22", 0), 0u);
    const std::string end = "%7D%7D%5D\");**";
    EXPECT_EQ(lines[0].substr(lines[0].size() - end.size()), end);

    // hd720 offered but empty: hq wins over sd.
    EXPECT_EQ(extract("empty-hd720.txt"), dmLink("hq", "848x480"));
    // hd720 without its closing quote counts as absent: sd wins over ld.
    EXPECT_EQ(extract("unclosed-key.txt"), dmLink("sd", "512x384"));
}

TEST_F(DailymotionLinkTest, DecodesTheCodesInTheirFixedOrderWithoutCase) {
    EXPECT_EQ(extract("lower-case-codes.txt"), "http://cdn.example/sd.mp4?k=v&w=1");
    // %2522 forms the key's quotes, %253A stays %3A, %255C disappears.
    EXPECT_EQ(extract("double-encoded.txt"), "http://cdn/a%3Abc.mp4");
    EXPECT_EQ(vantaro::decodePageCodes("%3a%2F%3f%3D%26%25%5c%22%5d%5B%2c%41%2525"),
              ":/?=&%\"][,%41%25");
}

TEST_F(DailymotionLinkTest, OnlyTheLastMarkerLineCounts) {
    EXPECT_EQ(extract("two-markers.txt"), dmLink("ld", "320x240"));
    EXPECT_EQ(logLines().size(), 2u);
}

TEST_F(DailymotionLinkTest, FallsBackToTheDecodedRemainderOrToNothing) {
    EXPECT_EQ(extract("no-key.txt"), "=\"nothing\",here");
    EXPECT_EQ(logLines(), std::vector<std::string>{"1 trouvé. **%3D%22nothing%22%2Chere**"});

    // The marker is case-sensitive.
    EXPECT_EQ(extract("capital-marker.txt"), "");
    EXPECT_TRUE(logLines().empty());

    // A line ends at a carriage return; what follows it up to the line feed is skipped.
    EXPECT_EQ(extract("carriage-return.txt"), "");
    EXPECT_TRUE(logLines().empty());
}

TEST_F(DailymotionLinkTest, AnUnreadablePageRaisesAndIsKept) {
    RecordingHost quiet;
    EXPECT_THROW(extractDailymotionLink(folder.file("absent.txt"), quiet), vantaro::PageFileError);
    const std::string directory = folder.file("a-folder");
    std::filesystem::create_directory(directory);
    EXPECT_THROW(extractDailymotionLink(directory, quiet), vantaro::PageFileError);
    EXPECT_TRUE(std::filesystem::exists(directory));
    EXPECT_TRUE(quiet.events().empty());
}

} // namespace
