// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/PlaylistAdd.h"

#include "core/Constants.h"
#include "jobs/LinkList.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace vantaro {
namespace {

// The rows of one playlist: names from titles made safe and unique against the list's rows of
// the same folder and the folder's files, titles by the MP3 rule, bad links left out.
TEST(PlaylistRowsTest, NamesTitlesAndLeftOutLinks) {
    LinkList list;
    list.AppendListEntry("MP3", "/music", "Taken", "-", "http://www.youtube.com/x");
    list.AppendListEntry("MP3", "/elsewhere", "Free", "-", "http://www.youtube.com/y");
    const std::set<std::string> files = {"/music/Song.mp3"};
    const auto exists = [&](const std::string& path) { return files.contains(path); };
    const std::vector<PlaylistEntry> entries = {
        {"https://www.youtube.com/watch?v=1", "Song"},  // a file of that name exists
        {"https://www.youtube.com/watch?v=2", "Taken"}, // a row of the folder has it
        {"https://www.youtube.com/watch?v=3", "Free"},  // only a row of another folder has it
        {"https://www.youtube.com/watch?v=4", "A/B c\n"},
        {"https://www.youtube.com/watch?v=5", "A/B c\n"},
        {"ftp://www.youtube.com/v", "not http"},
        {"https://example.com/v", "no site keyword"},
        {"--exec=x youtube", "an option"},
        {"http://www.dailymotion.com/video/7#__youtubedl_smuggle=%7B%7D", "Smuggled"},
    };
    const struct {
        std::string format, mp3Title;
        std::vector<std::string> titles;
    } cases[] = {
        {"MP3", DefaultMp3Title, {"Song", "Taken", "Free", "A/B c\n", "A/B c\n", "Smuggled"}},
        {"MP3", "Mine", {"Mine", "Mine", "Mine", "Mine", "Mine", "Mine"}},
        {"AVI", "-", {"-", "-", "-", "-", "-", "-"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format + " " + c.mp3Title);
        const PlaylistRows rows =
            playlistRows(entries, {"feed", "/music", "typed", c.format, c.mp3Title}, list, exists);
        EXPECT_EQ(rows.leftOut, 3);
        std::vector<std::string> names, titles, links;
        for (const DownloadJob& row : rows.rows) {
            names.push_back(row.destinationFileName);
            titles.push_back(row.mp3Title);
            EXPECT_EQ(row.formatName, c.format);
            EXPECT_EQ(row.destinationPathName, "/music");
        }
        const std::string song = c.format == "MP3" ? "Song-2" : "Song"; // Song.avi is free
        EXPECT_EQ(names, (std::vector<std::string>{song, "Taken-2", "Free", "A-B-c-", "A-B-c--2",
                                                   "Smuggled"}));
        EXPECT_EQ(titles, c.titles);
        EXPECT_EQ(rows.rows.back().videoUrl, "http://www.dailymotion.com/video/7");
    }
}

TEST(PlaylistRowsTest, FileNamesFitAndEmptyTitlesGetARandomName) {
    const std::string longTitle = std::string(199, 'a') + "\u00e9\u00e9";
    EXPECT_EQ(playlistFileName(longTitle), std::string(199, 'a')) << "not cut inside a character";
    const PlaylistRows rows =
        playlistRows({{"http://www.youtube.com/1", ""}}, {"l", "/f", "n", "MP3", DefaultMp3Title},
                     LinkList(), [](const std::string&) { return false; });
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_EQ(rows.rows[0].destinationFileName.size(), 6u);
    EXPECT_EQ(rows.rows[0].mp3Title, rows.rows[0].destinationFileName);
}

// Video pages of the four sites skip the reading; anything that may hold several videos is read.
TEST(PlaylistRowsTest, OnlyLinksThatMayBePlaylistsAreRead) {
    const struct {
        const char* link;
        bool read;
    } cases[] = {
        {ExampleYouTubeLink, false},
        {"https://youtu.be/dQw4w9WgXcQ", false},
        {"https://www.youtube.com/shorts/abc", false},
        {ExampleDailymotionLink, false},
        {"http://www.wat.tv/video/clip-1a2b3_2exyh_.html", false},
        {"https://www.tf1.fr/tf1/show/videos/episode-1.html", false},
        {"https://www.youtube.com/watch?v=dQw4w9WgXcQ&list=PL1", true},
        {"https://www.youtube.com/playlist?list=PL1", true},
        {"https://www.dailymotion.com/playlist/x6hynp", true},
        {"https://www.youtube.com/@channel/videos", true},
        {"http://127.0.0.1:8080/youtube/feed.xml", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mayBePlaylist(c.link), c.read) << c.link;
}

} // namespace
} // namespace vantaro
