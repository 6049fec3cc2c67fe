// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PlaylistSource.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace vantaro
