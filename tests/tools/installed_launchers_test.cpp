// SPDX-License-Identifier: GPL-3.0-or-later
// The launchers as the build lays them down in the program folder, run on real media.
#include "support/MediaClips.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using testing::runTool;
using Args = std::vector<std::string>;

const std::string QrlBin = std::string(VANTARO_PROGRAM_DIR) + "/QrlBin/";

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ensureCoreApplication();
        ASSERT_TRUE(std::filesystem::is_directory(m_temp.path()));
        m_flv = testing::testClip(testing::ClipKind::Flv, 3);
        ASSERT_FALSE(m_flv.empty());
    }
    std::string out(const std::string& name) const { return m_temp.path() + "/" + name; }

    testing::TempFolder m_temp{"vantaro-launchers"};
    std::string m_flv;
};

TEST_F(LauncherTest, FiveToolNamesAreLaunchersNotLinks) {
    for (const char* name :
         {"utilitymff4", "utilitymff3", "utilitymffx", "ffmpeg", "utilitymen2"}) {
        const fs::path tool = QrlBin + name;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(tool))) << name;
        EXPECT_EQ(::access(tool.c_str(), X_OK), 0) << name;
    }
}

// The argument lists today's ffmpeg refuses, each run through a launcher name.
struct RefusedList {
    const char* tool;
    const char* what;
    Args arguments; // {in} and {out} stand for the input and the output file
    const char* output;
};

const std::vector<RefusedList> refusedLists = {
    {"utilitymff4",
     "metadata before -i",
     {"-metadata", "title=T-Quorlin.com", "-metadata", "author=www.quorlin.com", "-i", "{in}",
      "-vn", "-ar", "44100", "-ac", "2", "-ab", "128k", "-f", "mp3", "{out}"},
     "a.mp3"},
    {"utilitymff3",
     "-sameq",
     {"-i", "{in}", "-target", "pal-vcd", "-aspect", "4:3", "-sameq", "{out}"},
     "a.mpeg"},
    {"utilitymffx",
     "multiplication sign",
     {"-i", "{in}", "-s", "720\u00d7576", "-vcodec", "mpeg2video", "-ac", "2", "-ab", "256k",
      "{out}"},
     "a.vob"},
    {"utilitymff4",
     "dv from an FLV with MP3 sound",
     {"-i", "{in}", "-target", "pal-dv", "-aspect", "4:3", "-sameq", "{out}"},
     "a.dv"},
    {"ffmpeg",
     "-title, -vcodec xvid, bare bit rates",
     {"-y",        "-i",      "{in}", "-title",  "Tessavo", "-timestamp", "2008-02-01 01:19:11",
      "-bitexact", "-vcodec", "xvid", "-coder",  "1",       "-bufsize",   "128",
      "-g",        "250",     "-s",   "320x240", "-r",      "29.97",      "-b",
      "384",       "-acodec", "aac",  "-ac",     "2",       "-ar",        "24000",
      "-ab",       "64",      "-f",   "psp",     "{out}"},
     "M4V00001.MP4"},
};

TEST_F(LauncherTest, RefusedListsRunThroughTheLaunchers) {
    for (const RefusedList& list : refusedLists) {
        Args arguments;
        for (const std::string& argument : list.arguments)
            arguments.push_back(argument == "{in}"    ? m_flv
                                : argument == "{out}" ? out(list.output)
                                                      : argument);
        const testing::ToolRun run = runTool(QrlBin + list.tool, arguments);
        EXPECT_EQ(run.exitCode, 0) << list.what << "\n" << run.output;
        EXPECT_TRUE(fs::exists(out(list.output)) && fs::file_size(out(list.output)) > 0)
            << list.what;
    }
    // The local PSP list asked for 384 kbit/s of video and 64 kbit/s of sound, not bits.
    const testing::Probe psp = testing::probe(out("M4V00001.MP4"));
    EXPECT_THAT(psp.codecs, ::testing::ElementsAre("mpeg4", "aac"));
    EXPECT_GT(fs::file_size(out("M4V00001.MP4")), 40000u);
}

TEST_F(LauncherTest, ExitCodesOfTheToolsComeBackUnchanged) {
    const testing::ToolRun ffmpeg =
        runTool(QrlBin + "utilitymff4", {"-i", out("missing.flv"), out("x.wav")});
    EXPECT_EQ(ffmpeg.exitCode, 1);
    EXPECT_THAT(ffmpeg.output, ::testing::HasSubstr("missing.flv"));
    const testing::ToolRun mencoder =
        runTool(QrlBin + "utilitymen2",
                {out("missing.flv"), "-o", out("x.avi"), "-ovc", "raw", "-oac", "pcm"});
    EXPECT_NE(mencoder.exitCode, 0);
    EXPECT_FALSE(fs::exists(out("x.avi")) && fs::file_size(out("x.avi")) > 0);
    EXPECT_EQ(runTool(QrlBin + "utilitymff4", {"-version"}).exitCode, 0);
}

TEST_F(LauncherTest, MencoderKeepsTheSoundOfAnMp4WhenMakingWmv) {
    const std::string mp4 = testing::testClip(testing::ClipKind::Mp4, 3);
    const testing::ToolRun run = runTool(
        QrlBin + "utilitymen2", {mp4, "-o", out("a.wmv"), "-forceidx", "-ofps", "25", "-ovc",
                                 "lavc", "-lavcopts", "vcodec=wmv2", "-oac", "lavc", "-lavcopts",
                                 "acodec=wmav2:abitrate=96", "-of", "lavf", "-srate", "44100"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const testing::Probe wmv = testing::probe(out("a.wmv"));
    EXPECT_THAT(wmv.codecs, ::testing::ElementsAre("wmv2", "wmav2"));
    EXPECT_GT(wmv.audioPackets, 20) << "about three seconds of sound, not one packet";
}

} // namespace
} // namespace vantaro
