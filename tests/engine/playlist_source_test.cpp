// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Mp3Tagging.h"
#include "engine/PlaylistSource.h"

#include "support/MediaClips.h"
#include "support/TempFolder.h"
#include "support/WorkerSurroundings.h"

#include <gtest/gtest.h>

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

// The second pass adds what it is given and keeps the sound; a pass that fails leaves the file.
TEST(Mp3TaggingTest, TagsAreAddedOrTheFileIsLeftAsItWas) {
    testing::TempFolder program("tagging-program");
    testing::TempFolder work("tagging");
    testing::makeProgramFolderWithLaunchers(program.path());
    testing::WorkerSurroundings surroundings;
    surroundings.enter(program.path() + "/", work.path());
    const std::string mp3 = work.file("song.mp3");
    const std::string cover = work.file("cover.png");
    ASSERT_EQ(testing::runTool("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=duration=1",
                                          "-metadata", "title=Kept", mp3})
                  .exitCode,
              0);
    ASSERT_EQ(testing::runTool("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc",
                                          "-frames:v", "1", cover})
                  .exitCode,
              0);
    testing::writeWholeFile(work.file("bad.jpg"), "not a picture");
    const struct {
        std::string artist, cover;
        bool tagged;
        std::vector<std::string> codecs;
    } cases[] = {
        {"", work.file("bad.jpg"), false, {"mp3"}},
        {"Ann", "", true, {"mp3"}},
        {"Bob", cover, true, {"mp3", "mjpeg"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.artist + " " + c.cover);
        const std::string before = testing::readWholeFile(mp3);
        EXPECT_EQ(tagMp3(mp3, c.artist, c.cover), c.tagged);
        testing::Probe probe = testing::probe(mp3);
        EXPECT_EQ(probe.codecs, c.codecs);
        EXPECT_EQ(probe.tags["title"], "Kept");
        if (c.tagged)
            EXPECT_EQ(probe.tags["artist"], c.artist);
        else
            EXPECT_EQ(testing::readWholeFile(mp3), before);
        EXPECT_FALSE(std::filesystem::exists(mp3 + ".tagging"));
    }
}

} // namespace
} // namespace vantaro
