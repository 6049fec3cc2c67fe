// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/FormatCatalogue.h"
#include "tools/LauncherArguments.h"

#include "support/MediaClips.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

namespace vantaro::launcher {
namespace {

using ::testing::ElementsAre;
using Args = std::vector<std::string>;

bool withLibxvid(const std::string& encoder) {
    return encoder == "libxvid";
}
bool withoutLibxvid(const std::string&) {
    return false;
}

Args ffmpeg(const Args& arguments) {
    return translateFfmpegArguments(arguments, withLibxvid);
}

const ConversionPaths paths{"/d/v xxx.flv", "/d/v", "T"};

TEST(FfmpegTranslation, ListsTodaysFfmpegAcceptsPassUnchanged) {
    for (const char* format : {"WAVE", "MPEG", "PSP", "iPod", "DivX", "Xvid", "HD"}) {
        const Args list = argumentVector(format, paths);
        EXPECT_EQ(ffmpeg(list), list) << format;
    }
}

TEST(FfmpegTranslation, Mp3MetadataMovesAfterTheInputInItsOrder) {
    EXPECT_THAT(ffmpeg(argumentVector("MP3", paths)),
                ElementsAre("-i", "/d/v xxx.flv", "-metadata", "title=T-Quorlin.com", "-metadata",
                            "author=www.quorlin.com", "-metadata",
                            "comment=Created by Quorlin software", "-vn", "-ar", "44100", "-ac",
                            "2", "-ab", "128k", "-f", "mp3", "/d/v.mp3"));
}

TEST(FfmpegTranslation, TitleBecomesMetadataAndMovesAfterTheInputToo) {
    EXPECT_THAT(ffmpeg({"-title", "A", "-metadata", "x=1", "-i", "in", "-title", "B", "out"}),
                ElementsAre("-i", "in", "-metadata", "title=A", "-metadata", "x=1", "-metadata",
                            "title=B", "out"));
    // Without an input there is nothing to move them after.
    EXPECT_THAT(ffmpeg({"-metadata", "k", "-i", "out"}),
                ElementsAre("-metadata", "k", "-i", "out"));
}

TEST(FfmpegTranslation, SameqIsDroppedFromTheDiscTargets) {
    EXPECT_THAT(
        ffmpeg(argumentVector("VCD", paths)),
        ElementsAre("-i", "/d/v xxx.flv", "-target", "pal-vcd", "-aspect", "4:3", "/d/v.mpeg"));
    EXPECT_THAT(ffmpeg(argumentVector("SVCD", paths)),
                ElementsAre("-i", "/d/v xxx.flv", "-target", "ntsc-svcd", "-ar", "44100", "-ac",
                            "2", "-ab", "256k", "/d/v.mpeg"));
}

TEST(FfmpegTranslation, DvTargetsResampleTheirSoundInStepWithThePicture) {
    EXPECT_THAT(ffmpeg(argumentVector("DV 16/9", paths)),
                ElementsAre("-i", "/d/v xxx.flv", "-target", "pal-dv", "-af", "aresample=async=1",
                            "-aspect", "16:9", "/d/v.dv"));
    // A list that already filters its sound keeps its own filter.
    EXPECT_THAT(ffmpeg({"-i", "in", "-af", "volume=2", "-target", "pal-dv", "out.dv"}),
                ElementsAre("-i", "in", "-af", "volume=2", "-target", "pal-dv", "out.dv"));
}

TEST(FfmpegTranslation, SizeWithTheMultiplicationSignGetsTheLetterX) {
    EXPECT_THAT(ffmpeg(argumentVector("VOB", paths)),
                ElementsAre("-i", "/d/v xxx.flv", "-s", "720x576", "-vcodec", "mpeg2video", "-ac",
                            "2", "-ab", "256k", "/d/v.vob"));
    EXPECT_THAT(ffmpeg({"-i", "in", "-s",
                        "720\xD7"
                        "576",
                        "out"}),
                ElementsAre("-i", "in", "-s", "720x576", "out"));
}

TEST(FfmpegTranslation, BareSmallBitRatesAreKilobits) {
    EXPECT_THAT(ffmpeg({"-i", "in", "-b", "384", "-ab", "64", "out"}),
                ElementsAre("-i", "in", "-b", "384k", "-ab", "64k", "out"));
    EXPECT_THAT(ffmpeg({"-i", "in", "-b", "4200k", "-ab", "128000", "-b", "12a", "out"}),
                ElementsAre("-i", "in", "-b", "4200k", "-ab", "128000", "-b", "12a", "out"));
}

TEST(FfmpegTranslation, LocalPspListBecomesOneTodaysFfmpegRuns) {
    const Args list = {
        "-y",        "-i",      "src",    "-title", "Tessavo", "-timestamp", "2008-02-01 01:19:11",
        "-bitexact", "-vcodec", "xvid",   "-b",     "384",     "-ab",        "64",
        "-f",        "psp",     "out.MP4"};
    EXPECT_THAT(ffmpeg(list),
                ElementsAre("-y", "-i", "src", "-metadata", "title=Tessavo", "-timestamp",
                            "2008-02-01 01:19:11", "-bitexact", "-vcodec", "libxvid", "-b", "384k",
                            "-ab", "64k", "-f", "psp", "out.MP4"));
    const Args withoutXvid = translateFfmpegArguments(list, withoutLibxvid);
    EXPECT_EQ(withoutXvid[9], "mpeg4");
}

TEST(FfmpegTranslation, EncoderIsAskedOnlyForXvid) {
    int asked = 0;
    const EncoderQuery counting = [&](const std::string&) { return ++asked, true; };
    translateFfmpegArguments(argumentVector("Xvid", paths), counting); // -vtag xvid, not -vcodec
    EXPECT_EQ(asked, 0);
    translateFfmpegArguments({"-i", "in", "-vcodec", "xvid", "out"}, counting);
    EXPECT_EQ(asked, 1);
}

TEST(FfmpegTranslation, FileNamesAndTagValuesAreNeverTakenForOptions) {
    EXPECT_THAT(ffmpeg({"-i", "-sameq", "-metadata", "title=-sameq", "-title"}),
                ElementsAre("-i", "-sameq", "-metadata", "title=-sameq", "-title"));
    EXPECT_THAT(ffmpeg({"-metadata", "-i", "-i", "in", "-s",
                        "1\xC3\x97"
                        "2"}),
                ElementsAre("-i", "in", "-metadata", "-i", "-s",
                            "1\xC3\x97"
                            "2"));
    EXPECT_THAT(ffmpeg({}), ::testing::IsEmpty());
    EXPECT_THAT(ffmpeg({"-sameq"}), ElementsAre("-sameq"));
}

TEST(MencoderTranslation, Mp4InputIsReadWithTheMovDemuxer) {
    const auto isMp4 = [](const std::string& path) { return path == "in.mp4"; };
    const Args avi = {"in.mp4", "-o", "out.avi", "-ovc", "raw", "-oac", "pcm"};
    EXPECT_THAT(
        translateMencoderArguments(avi, isMp4),
        ElementsAre("-demuxer", "mov", "in.mp4", "-o", "out.avi", "-ovc", "raw", "-oac", "pcm"));
    const Args flv = {"in.flv", "-o", "out.avi"};
    EXPECT_EQ(translateMencoderArguments(flv, isMp4), flv);
    const Args chosen = {"in.mp4", "-demuxer", "lavf", "-o", "out.avi"};
    EXPECT_EQ(translateMencoderArguments(chosen, isMp4), chosen);
    EXPECT_THAT(translateMencoderArguments({}, isMp4), ::testing::IsEmpty());
}

TEST(MencoderTranslation, IsoMediaIsRecognisedByItsFirstBox) {
    testing::ensureCoreApplication();
    EXPECT_TRUE(fileIsIsoMedia(testing::testClip(testing::ClipKind::Mp4, 3)));
    EXPECT_FALSE(fileIsIsoMedia(testing::testClip(testing::ClipKind::Flv, 3)));
    QTemporaryDir temp;
    const std::string shortFile = temp.path().toStdString() + "/short";
    std::ofstream(shortFile) << "\0\0\0 fty";
    EXPECT_FALSE(fileIsIsoMedia(shortFile));
    EXPECT_FALSE(fileIsIsoMedia(temp.path().toStdString() + "/missing"));
}

} // namespace
} // namespace vantaro::launcher
