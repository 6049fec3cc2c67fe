// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/FormatCatalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

using namespace vantaro;
using ::testing::ElementsAre;

namespace {

const ConversionPaths paths{"/d/clipxxx.flv", "/d/clip", "Song"};
const std::string program = "/opt/v/";

// The command line each format shows, written out by hand from the catalogue table.
const std::vector<std::pair<std::string, std::string>> expectedLines = {
    {"MP3", "/opt/v/QrlBin/utilitymff4 -metadata title=\"Song-Quorlin.com\" -metadata "
            "author=\"www.quorlin.com\" -metadata comment=\"Created by Quorlin software\" -i "
            "\"/d/clipxxx.flv\" -vn -ar 44100 -ac 2 -ab 128k -f mp3 \"/d/clip.mp3\""},
    {"WAVE", "/opt/v/QrlBin/utilitymff4 -i \"/d/clipxxx.flv\" \"/d/clip.wav\""},
    {"AVI", "/opt/v/QrlBin/utilitymen2 \"/d/clipxxx.flv\" -o \"/d/clip.avi\" -ovc raw -oac pcm"},
    {"MPEG", "/opt/v/QrlBin/utilitymff4 -i \"/d/clipxxx.flv\" -b 4200k -s 320x240 -ar 44100 -ac "
             "2 -ab 256k -y \"/d/clip.mpeg\""},
    {"WMV", "/opt/v/QrlBin/utilitymen2 \"/d/clipxxx.flv\" -o \"/d/clip.wmv\" -forceidx -ofps 25 "
            "-ovc lavc -lavcopts vcodec=wmv2 -oac lavc -lavcopts acodec=wmav2:abitrate=96 -of "
            "lavf -srate 44100"},
    {"PSP", "/opt/v/QrlBin/utilitymff4 -i \"/d/clipxxx.flv\" -s 320x240 -acodec aac -strict "
            "experimental -ar 48000 -ab 128k -vcodec libx264 -r 29.97 -crf 22 -threads 0 "
            "\"/d/clip.MP4\""},
    {"iPod", "/opt/v/QrlBin/utilitymff4 -i \"/d/clipxxx.flv\" -s 640x480 -acodec aac -strict "
             "experimental -ar 48000 -ab 128k -vcodec libx264 -r 30 -crf 22 -threads 0 "
             "\"/d/clip.m4v\""},
    {"DivX", "/opt/v/QrlBin/utilitymff4 -i \"/d/clipxxx.flv\" -vcodec mpeg4 -vtag divx -metadata "
             "title=\"Quorlin.com\" -b 4200k -s 640x480 -ar 44100 -ac 2 -ab 256k -y "
             "\"/d/clip.avi\""},
    {"Xvid", "/opt/v/QrlBin/utilitymff4 -i \"/d/clipxxx.flv\" -vcodec mpeg4 -vtag xvid -b 4200k "
             "-s 640x480 -ar 44100 -ac 2 -ab 256k -y \"/d/clip.avi\""},
    {"VCD", "/opt/v/QrlBin/utilitymff4 -i \"/d/clipxxx.flv\" -target pal-vcd -aspect 4:3 -sameq "
            "\"/d/clip.mpeg\""},
    {"SVCD", "/opt/v/QrlBin/utilitymff4 -i \"/d/clipxxx.flv\" -target ntsc-svcd -ar 44100 -ac 2 "
             "-ab 256k -sameq \"/d/clip.mpeg\""},
    {"VOB", "/opt/v/QrlBin/utilitymff4 -i \"/d/clipxxx.flv\" -s 720\xc3\x97"
            "576 -vcodec mpeg2video -ac 2 -ab 256k \"/d/clip.vob\""},
    {"DV 4/3", "/opt/v/QrlBin/utilitymff4 -i \"/d/clipxxx.flv\" -target pal-dv -aspect 4:3 -sameq "
               "\"/d/clip.dv\""},
    {"DV 16/9", "/opt/v/QrlBin/utilitymff4 -i \"/d/clipxxx.flv\" -target pal-dv -aspect 16:9 "
                "-sameq \"/d/clip.dv\""},
    {"HD", "/opt/v/QrlBin/utilitymff4 -i \"/d/clipxxx.flv\" -b 4200k -s 1280x720 -ar 44100 -ac 2 "
           "-ab 256k -y \"/d/clip.mpeg\""},
};

bool contains(const std::vector<std::string>& args, const std::string& wanted) {
    return std::find(args.begin(), args.end(), wanted) != args.end();
}

} // namespace

TEST(FormatCatalogue, ListsTheSixteenFormatsInDropDownOrder) {
    std::vector<std::string> names;
    for (const FormatEntry& entry : formatCatalogue())
        names.emplace_back(entry.name);
    EXPECT_THAT(names,
                ElementsAre("MP3", "WAVE", "AVI", "MPEG", "WMV", "FLV", "PSP", "iPod", "DivX",
                            "Xvid", "VCD", "SVCD", "VOB", "DV 4/3", "DV 16/9", "HD"));
    EXPECT_EQ(findFormat("mp3"), nullptr) << "names compare case-sensitively";
    // Each format says how tall a picture it keeps, with the reason, in the same order.
    ASSERT_EQ(pictureChoices().size(), formatCatalogue().size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(pictureChoices()[i].formatName, names[i]);
        EXPECT_NE(std::string_view(pictureChoices()[i].reason), "");
    }
}

TEST(FormatCatalogue, DisplayCommandLinesReadExactlyAsTheTable) {
    for (const auto& [format, line] : expectedLines)
        EXPECT_EQ(displayCommandLine(format, paths, program), line) << format;
    // FLV is not converted, an unknown name starts converter F with no arguments.
    EXPECT_EQ(displayCommandLine("Ogg", paths, program), "/opt/v/QrlBin/utilitymff4 ");
    EXPECT_TRUE(argumentVector("FLV", paths).empty());
    EXPECT_TRUE(argumentVector("Ogg", paths).empty());
}

TEST(FormatCatalogue, ArgumentVectorIsTheDisplayLineSplitAtItsQuotes) {
    // For ordinary paths, splitting the shown line the way a command interpreter would gives
    // the vector the process is started with.
    for (const auto& [format, line] : expectedLines) {
        const std::string arguments = line.substr(line.find(' ') + 1);
        std::vector<std::string> split;
        std::string current;
        bool quoted = false, any = false;
        for (char c : arguments) {
            if (c == '"') {
                quoted = !quoted;
                any = true;
            } else if (c == ' ' && !quoted) {
                if (any)
                    split.push_back(current);
                current.clear();
                any = false;
            } else {
                current += c;
                any = true;
            }
        }
        if (any)
            split.push_back(current);
        EXPECT_EQ(argumentVector(format, paths), split) << format;
    }
    EXPECT_THAT(argumentVector("WAVE", paths), ElementsAre("-i", "/d/clipxxx.flv", "/d/clip.wav"));
}

TEST(FormatCatalogue, HostileTextsNeverSplitOrAddArguments) {
    const ConversionPaths hostile{"/d/my \"dir\"; $(touch /tmp/pwned)/a b xxx.flv",
                                  "/d/my \"dir\"; $(touch /tmp/pwned)/a b",
                                  "Say \"hi\"; rm -rf ~ {base}"};
    const auto args = argumentVector("MP3", hostile);
    const auto plain = argumentVector("MP3", paths);
    ASSERT_EQ(args.size(), plain.size());
    EXPECT_EQ(args[1], "title=Say \"hi\"; rm -rf ~ {base}-Quorlin.com")
        << "a placeholder inside a title is not filled again";
    EXPECT_TRUE(contains(args, hostile.input));
    EXPECT_EQ(args.back(), hostile.base + ".mp3");
    // The display line still shows the table's text, quotes unescaped.
    EXPECT_NE(displayCommandLine("MP3", hostile, program)
                  .find("title=\"Say \"hi\"; rm -rf ~ {base}-Quorlin.com\""),
              std::string::npos);
    for (const FormatEntry& entry : formatCatalogue()) {
        EXPECT_EQ(argumentVector(entry.name, hostile).size(),
                  argumentVector(entry.name, paths).size())
            << entry.name;
    }
}

TEST(FormatCatalogue, OutputFilesAndOverwriteFlags) {
    EXPECT_EQ(outputFile("HD", "/d/x"), "/d/x.mpeg");
    EXPECT_EQ(findFormat("HD")->mainLabel, std::string(".mpg"));
    EXPECT_EQ(outputFile("MP3", "/d/x"), "/d/x.mp3");
    EXPECT_EQ(findFormat("MP3")->mainLabel, std::string(".MP3"));
    EXPECT_EQ(outputFile("FLV", "/d/x"), "/d/x.flv");
    EXPECT_EQ(outputFile("PSP", "/d/x"), "/d/x.MP4");
    EXPECT_EQ(outputFile("Ogg", "/d/x"), std::nullopt);
    std::vector<std::string> withOverwrite;
    for (const FormatEntry& entry : formatCatalogue()) {
        if (contains(argumentVector(entry.name, paths), "-y"))
            withOverwrite.emplace_back(entry.name);
        if (entry.argumentTemplate != nullptr) {
            // Every converted format writes its own output file as its last path argument.
            const auto args = argumentVector(entry.name, paths);
            EXPECT_TRUE(contains(args, *outputFile(entry.name, paths.base))) << entry.name;
        }
    }
    EXPECT_THAT(withOverwrite, ElementsAre("MPEG", "DivX", "Xvid", "HD"));
    EXPECT_EQ(argumentText("MP3", {"in", "out", ""}).find("title=\"-Quorlin.com\""), 10u)
        << "an empty MP3 title gives a tag that begins with '-'";
}

TEST(FormatChange, MainWindowLabelsTitleFieldAndGeneratedNames) {
    const MainFormatState mp3 = mainFormatChange("MP3");
    EXPECT_EQ(mp3.extensionLabel, ".MP3");
    EXPECT_TRUE(mp3.mp3TitleEnabled);
    EXPECT_TRUE(mp3.fileNameEnabled);
    EXPECT_FALSE(mp3.generatedFileName);

    const MainFormatState hd = mainFormatChange("HD");
    EXPECT_EQ(hd.extensionLabel, ".mpg");
    EXPECT_FALSE(hd.mp3TitleEnabled);

    const MainFormatState vob = mainFormatChange("VOB");
    EXPECT_FALSE(vob.fileNameEnabled);
    ASSERT_TRUE(vob.generatedFileName);
    EXPECT_TRUE(std::regex_match(*vob.generatedFileName, std::regex("VTS_[0-9]{2}_[0-9]")));

    const MainFormatState psp = mainFormatChange("PSP");
    EXPECT_EQ(psp.extensionLabel, ".MP4");
    EXPECT_FALSE(psp.fileNameEnabled);
    ASSERT_TRUE(psp.generatedFileName);
    EXPECT_TRUE(std::regex_match(*psp.generatedFileName, std::regex("M4V[0-9]{5}")));
}

TEST(FormatChange, DialogsChangeOnlyTheSixLabelledFormats) {
    const DialogFormatState mp3 = dialogFormatChange("MP3");
    EXPECT_EQ(mp3.extensionLabel, ".MP3");
    EXPECT_EQ(mp3.mp3TitleEnabled, true);

    const DialogFormatState wave = dialogFormatChange("WAVE");
    EXPECT_EQ(wave.extensionLabel, ".WAV");
    EXPECT_EQ(wave.mp3TitleEnabled, false);

    // iPod and the other eight leave label and title field as they were.
    for (const char* name : {"iPod", "DivX", "Xvid", "VCD", "SVCD", "VOB", "DV 4/3", "HD"}) {
        const DialogFormatState state = dialogFormatChange(name);
        EXPECT_FALSE(state.extensionLabel) << name;
        EXPECT_FALSE(state.mp3TitleEnabled) << name;
        EXPECT_FALSE(state.generatedFileName) << name << ": the dialogs make no VOB name";
        EXPECT_TRUE(state.fileNameEnabled) << name;
    }
    const DialogFormatState psp = dialogFormatChange("PSP");
    EXPECT_EQ(psp.extensionLabel, ".MP4");
    EXPECT_FALSE(psp.fileNameEnabled);
    ASSERT_TRUE(psp.generatedFileName);
    EXPECT_TRUE(std::regex_match(*psp.generatedFileName, std::regex("M4V[0-9]{5}")));
}
