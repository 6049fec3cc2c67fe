// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PlaylistSource.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

namespace vantaro {
namespace {

using Kind = PlaylistAnswer::Kind;

TEST(PlaylistSourceTest, AnswersAreReadForTheirLinksAndTitles) {
    const struct {
        std::string json;
        Kind kind;
        std::vector<std::pair<std::string, std::string>> entries;
    } cases[] = {
        {R"({"id": "x", "entries": [{"_type": "url", "url": "http://a/1", "title": "One",
             "thumbnails": [{"url": "t", "n": [1, 2.5e3, true, null, {"entries": []}]}]},
            {"title": "Caf\u00e9 \"\ud83c\udfb5\"\\/", "url": "http://a/2"},
            {"url": null, "title": null}, 7], "_type": "playlist", "n": -1})",
         Kind::Playlist,
         {{"http://a/1", "One"}, {"http://a/2", "Caf\u00e9 \"\U0001F3B5\"\\/"}, {"", ""}}},
        {R"({"_type": "video", "entries": [{"url": "http://a/1"}]})", Kind::Single, {}},
        {R"({"_type": "playlist", "entries": []})", Kind::Single, {}},
        {R"({"url": "http://a/1"})", Kind::Single, {}},
        {R"({"_type": "playlist", "entries": [{"url": "x"})", Kind::Failed, {}},
        {R"({"_type": "playlist", "entries": [{"url": "u", "title": "\ud83c"}]})",
         Kind::Playlist,
         {{"u", "\uFFFD"}}},
        {"WARNING: not json", Kind::Failed, {}},
        {R"({"a": 1} {"b": 2})", Kind::Failed, {}},
        // Control characters are written as escapes inside a string, never as they are.
        {"{\"_type\": \"playlist\", \"entries\": [{\"url\": \"u\", \"title\": \"a\nb\"}]}",
         Kind::Failed,
         {}},
        {R"({"_type": "playlist", "entries": [{"url": "u)" + std::string(1, '\0') + R"(v"}]})",
         Kind::Failed,
         {}},
        // Escaped, they are data; half a surrogate pair gives U+FFFD and the rest is read.
        {R"({"_type": "playlist", "entries": [{"url": "a\u0000b", "title": "\ud83cA\u0042"},
            {"url": "v", "title": "\ud83c\u00e9\udfb5\udc00\ud83c\ud83c\udfb5"}]})",
         Kind::Playlist,
         {{std::string("a\0b", 3), "\uFFFDAB"}, {"v", "\uFFFD\u00e9\uFFFD\uFFFD\uFFFD\U0001F3B5"}}},
        {R"({"_type": "playlist", "entries": [{"url": "v", "title": "\ud83c\uZZZZ"}]})",
         Kind::Failed,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        const PlaylistAnswer answer = parsePlaylistAnswer(c.json);
        EXPECT_EQ(answer.kind, c.kind);
        std::vector<std::pair<std::string, std::string>> entries;
        for (const PlaylistEntry& entry : answer.entries)
            entries.emplace_back(entry.link, entry.title);
        EXPECT_EQ(entries, c.entries);
    }
    const auto arguments = ytDlpPlaylistArguments("-x");
    EXPECT_EQ(arguments.front(), "--ignore-config");
    EXPECT_EQ(std::vector<std::string>(arguments.end() - 2, arguments.end()),
              (std::vector<std::string>{"--", "-x"}));
}

// A program that answers like yt-dlp with more than the bound: it is ended, and the reading fails
// with the reason, without the rest being read.
TEST(PlaylistSourceTest, AnAnswerPastItsBoundEndsTheProgramAndFails) {
    testing::TempFolder folder("playlist-bound");
    const std::string program = folder.file("yt-dlp");
    const std::string finished = folder.file("finished");
    testing::writeWholeFile(program, "#!/bin/sh\n"
                                     "[ \"$1\" = --version ] && { echo 2025.01.01; exit 0; }\n"
                                     "printf '{\"entries\": [{\"url\": \"'\n"
                                     "head -c 100000000 /dev/zero | tr '\\0' a\n"
                                     "echo '\"}]}'\ntouch " +
                                         finished + "\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    const std::atomic<bool> cancel{false};
    const PlaylistAnswer answer = readPlaylist(program, "http://127.0.0.1:9/list", cancel);
    EXPECT_EQ(answer.kind, Kind::Failed);
    EXPECT_EQ(answer.reason, "yt-dlp's answer is larger than 64 MiB");
    EXPECT_FALSE(std::filesystem::exists(finished)) << "the program was not ended";
}

} // namespace
} // namespace vantaro
