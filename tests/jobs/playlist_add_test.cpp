// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/PlaylistAdd.h"

#include "core/Constants.h"
#include "core/RemoteText.h"
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
    list.appendListEntry("MP3", "/music", "Taken", "-", "http://www.youtube.com/x");
    list.appendListEntry("MP3", "/elsewhere", "Free", "-", "http://www.youtube.com/y");
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
        // A link holds no space, control character or NUL.
        {"https://www.youtube.com/watch?v=6 --exec=x", "space"},
        {"https://www.youtube.com/watch?v=7\nvantaro-file /home/me/notes.txt", "line break"},
        {std::string("https://www.youtube.com/watch?v=8") + '\0' + "/etc", "NUL"},
        {"https://www.youtube.com/watch?v=9\x7f", "DEL"},
        {"http://www.dailymotion.com/video/7#__youtubedl_smuggle=%7B%7D", "Smuggled"},
    };
    const struct {
        std::string format, mp3Title;
        std::vector<std::string> titles;
    } cases[] = {
        {"MP3", DefaultMp3Title, {"Song", "Taken", "Free", "A/B c", "A/B c", "Smuggled"}},
        {"MP3", "Mine", {"Mine", "Mine", "Mine", "Mine", "Mine", "Mine"}},
        {"AVI", "-", {"-", "-", "-", "-", "-", "-"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format + " " + c.mp3Title);
        const PlaylistRows rows =
            playlistRows(entries, {"feed", "/music", "typed", c.format, c.mp3Title}, list, exists);
        EXPECT_EQ(rows.leftOut, 7);
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

    // A title of 1 MB: a file name that fits, an MP3 title of 250 bytes without control
    // characters; a title of control characters only falls back to the file name.
    std::string huge = "\t\u00e9";
    while (huge.size() < 1'000'000)
        huge += "\u00e9\x1b\r\n";
    const PlaylistRows cut = playlistRows({{"http://www.youtube.com/1", huge},
                                           {"http://www.youtube.com/2", "\x01\x02"},
                                           {"http://www.youtube.com/3", huge}},
                                          {"l", "/f", "n", "MP3", DefaultMp3Title}, LinkList(),
                                          [](const std::string&) { return false; });
    ASSERT_EQ(cut.rows.size(), 3u);
    EXPECT_LE(cut.rows[0].destinationFileName.size(), 200u);
    EXPECT_LE(cut.rows[2].destinationFileName.size(), 200u) << "the copy's number fits too";
    EXPECT_TRUE(cut.rows[2].destinationFileName.ends_with("-2"));
    std::string expected;
    for (int i = 0; i < 125; ++i)
        expected += "\u00e9";
    EXPECT_EQ(cut.rows[0].mp3Title, expected);
    EXPECT_EQ(cut.rows[1].mp3Title, cut.rows[1].destinationFileName);
    EXPECT_EQ(cut.rows[1].destinationFileName, "--");
}

// Text from a page made fit to keep: controls out (both blocks), cut without splitting a
// character, and what cannot be UTF-8 cut at the bound itself.
TEST(PlaylistRowsTest, RemoteTextLosesControlsAndIsCutOnACharacter) {
    std::string euros;
    for (int i = 0; i < 100; ++i)
        euros += "\u20ac"; // three bytes each
    const struct {
        std::string text;
        std::size_t maxBytes;
        std::string expected;
    } cases[] = {
        {"plain", 250, "plain"},
        {"a\tb\r\nc\x7f\u0085d\u009f\u00a0", 250, "abcd\u00a0"},
        {std::string("x\0y", 3), 250, "xy"},
        {"ab\u00e9", 3, "ab"},
        {"ab\U0001F3B5c", 5, "ab"},
        {"ab\U0001F3B5c", 6, "ab\U0001F3B5"},
        {"\x1b\x1b\x1b"
         "abc",
         2, "ab"},
        {"abc\x80\x80\x80\x80\x80", 6, "abc\x80\x80\x80"},
        {"abc", 0, ""},
        {std::string(1 << 20, 'u'), 250, std::string(250, 'u')},
        {"ab" + euros, 250, "ab" + euros.substr(0, 246)}, // 82 whole characters
        {"a" + euros, 250, "a" + euros.substr(0, 249)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cleanRemoteText(c.text, c.maxBytes), c.expected) << c.text << " " << c.maxBytes;
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
