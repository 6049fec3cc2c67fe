// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/FormatCatalogue.h"

#include "core/Constants.h"
#include "jobs/RandomNames.h"

#include <array>
#include <string>

namespace vantaro {
namespace {

// The maker's texts stand in the templates as {domain} and {host}.
const std::vector<FormatEntry> catalogue = {
    {"MP3", ".MP3", ".MP3", ConverterTool::F,
     "-metadata title=\"{title}-{domain}\" -metadata author=\"{host}\" -metadata "
     "comment=\"Created by Quorlin software\" -i \"{input}\" -vn -ar 44100 -ac 2 -ab 128k "
     "-f mp3 \"{base}.mp3\"",
     ".mp3"},
    {"WAVE", ".WAV", ".WAV", ConverterTool::F, "-i \"{input}\" \"{base}.wav\"", ".wav"},
    {"AVI", ".AVI", ".AVI", ConverterTool::M, "\"{input}\" -o \"{base}.avi\" -ovc raw -oac pcm",
     ".avi"},
    {"MPEG", ".MPEG", ".MPEG", ConverterTool::F,
     "-i \"{input}\" -b 4200k -s 320x240 -ar 44100 -ac 2 -ab 256k -y \"{base}.mpeg\"", ".mpeg"},
    {"WMV", ".WMV", ".WMV", ConverterTool::M,
     "\"{input}\" -o \"{base}.wmv\" -forceidx -ofps 25 -ovc lavc -lavcopts vcodec=wmv2 -oac lavc "
     "-lavcopts acodec=wmav2:abitrate=96 -of lavf -srate 44100",
     ".wmv"},
    {"FLV", ".FLV", ".FLV", ConverterTool::None, nullptr, ".flv"},
    {"PSP", ".MP4", ".MP4", ConverterTool::F,
     "-i \"{input}\" -s 320x240 -acodec aac -strict experimental -ar 48000 -ab 128k -vcodec "
     "libx264 -r 29.97 -crf 22 -threads 0 \"{base}.MP4\"",
     ".MP4"},
    {"iPod", ".m4v", nullptr, ConverterTool::F,
     "-i \"{input}\" -s 640x480 -acodec aac -strict experimental -ar 48000 -ab 128k -vcodec "
     "libx264 -r 30 -crf 22 -threads 0 \"{base}.m4v\"",
     ".m4v"},
    {"DivX", ".avi", nullptr, ConverterTool::F,
     "-i \"{input}\" -vcodec mpeg4 -vtag divx -metadata title=\"{domain}\" -b 4200k -s 640x480 "
     "-ar 44100 -ac 2 -ab 256k -y \"{base}.avi\"",
     ".avi"},
    {"Xvid", ".avi", nullptr, ConverterTool::F,
     "-i \"{input}\" -vcodec mpeg4 -vtag xvid -b 4200k -s 640x480 -ar 44100 -ac 2 -ab 256k -y "
     "\"{base}.avi\"",
     ".avi"},
    {"VCD", ".mpg", nullptr, ConverterTool::F,
     "-i \"{input}\" -target pal-vcd -aspect 4:3 -sameq \"{base}.mpeg\"", ".mpeg"},
    {"SVCD", ".mpg", nullptr, ConverterTool::F,
     "-i \"{input}\" -target ntsc-svcd -ar 44100 -ac 2 -ab 256k -sameq \"{base}.mpeg\"", ".mpeg"},
    {"VOB", ".VOB", nullptr, ConverterTool::F,
     "-i \"{input}\" -s 720\u00d7576 -vcodec mpeg2video -ac 2 -ab 256k \"{base}.vob\"", ".vob"},
    {"DV 4/3", ".dv", nullptr, ConverterTool::F,
     "-i \"{input}\" -target pal-dv -aspect 4:3 -sameq \"{base}.dv\"", ".dv"},
    {"DV 16/9", ".dv", nullptr, ConverterTool::F,
     "-i \"{input}\" -target pal-dv -aspect 16:9 -sameq \"{base}.dv\"", ".dv"},
    {"HD", ".mpg", nullptr, ConverterTool::F,
     "-i \"{input}\" -b 4200k -s 1280x720 -ar 44100 -ac 2 -ab 256k -y \"{base}.mpeg\"", ".mpeg"},
};

std::string_view placeholderValue(std::string_view name, const ConversionPaths& paths) {
    if (name == "input")
        return paths.input;
    if (name == "base")
        return paths.base;
    if (name == "title")
        return paths.mp3Title;
    if (name == "domain")
        return MakerDomain;
    if (name == "host")
        return MakerHost;
    return {};
}

} // namespace

const std::vector<FormatEntry>& formatCatalogue() {
    return catalogue;
}

const FormatEntry* findFormat(std::string_view name) {
    for (const FormatEntry& entry : catalogue) {
        if (name == entry.name)
            return &entry;
    }
    return nullptr;
}

namespace {

// The converters are fed H.264 and AAC where the site has them: every converter reads them, and
// a file that stays FLV can hold them without a new encoding.
const std::vector<PictureChoice> pictures = {
    {"MP3", 0, "sound only: the picture is dropped"},
    {"WAVE", 0, "sound only: the picture is dropped"},
    {"AVI", 1080, "raw video keeps the picture's own size"},
    {"MPEG", 240, "scaled to 320x240"},
    {"WMV", 1080, "keeps the picture's own size"},
    {"FLV", 1080, "not converted: the file is what the site served"},
    {"PSP", 240, "scaled to 320x240"},
    {"iPod", 480, "scaled to 640x480"},
    {"DivX", 480, "scaled to 640x480"},
    {"Xvid", 480, "scaled to 640x480"},
    {"VCD", 576, "PAL VCD frames, at most 576 lines"},
    {"SVCD", 576, "SVCD frames, at most 576 lines"},
    {"VOB", 576, "scaled to 720x576"},
    {"DV 4/3", 576, "PAL DV frames are 576 lines"},
    {"DV 16/9", 576, "PAL DV frames are 576 lines"},
    {"HD", 720, "scaled to 1280x720"},
};

} // namespace

const std::vector<PictureChoice>& pictureChoices() {
    return pictures;
}

const PictureChoice* findPictureChoice(std::string_view formatName) {
    for (const PictureChoice& choice : pictures) {
        if (formatName == choice.formatName)
            return &choice;
    }
    return nullptr;
}

std::vector<std::string> ytDlpFormatArguments(std::string_view formatName) {
    const PictureChoice* choice = findPictureChoice(formatName);
    if (choice != nullptr && choice->maxHeight == 0)
        return {"--format", "ba/b"};
    std::string sort = "vcodec:h264,acodec:aac";
    if (choice != nullptr)
        sort = "res:" + std::to_string(choice->maxHeight) + "," + sort;
    return {"--format", "bv*+ba/b", "-S", sort};
}

std::string toolRelativePath(ConverterTool tool) {
    return tool == ConverterTool::M ? ConverterM : ConverterF;
}

std::string fillTemplate(std::string_view argumentTemplate, const ConversionPaths& paths) {
    std::string filled;
    std::size_t pos = 0;
    while (pos < argumentTemplate.size()) {
        const std::size_t open = argumentTemplate.find('{', pos);
        const std::size_t close =
            open == std::string_view::npos ? open : argumentTemplate.find('}', open);
        if (close == std::string_view::npos) {
            filled.append(argumentTemplate.substr(pos));
            break;
        }
        filled.append(argumentTemplate.substr(pos, open - pos));
        filled.append(placeholderValue(argumentTemplate.substr(open + 1, close - open - 1), paths));
        pos = close + 1;
    }
    return filled;
}

std::vector<std::string> splitTemplate(std::string_view argumentTemplate,
                                       const ConversionPaths& paths) {
    // Split the template itself, so that a blank or a quote inside a filled value stays inside
    // its argument.
    std::vector<std::string> arguments;
    std::string current;
    bool inQuotes = false;
    bool hasArgument = false;
    for (const char c : argumentTemplate) {
        if (c == '"') {
            inQuotes = !inQuotes;
            hasArgument = true;
        } else if (c == ' ' && !inQuotes) {
            if (hasArgument)
                arguments.push_back(fillTemplate(current, paths));
            current.clear();
            hasArgument = false;
        } else {
            current += c;
            hasArgument = true;
        }
    }
    if (hasArgument)
        arguments.push_back(fillTemplate(current, paths));
    return arguments;
}

std::string argumentText(std::string_view formatName, const ConversionPaths& paths) {
    const FormatEntry* entry = findFormat(formatName);
    if (entry == nullptr || entry->argumentTemplate == nullptr)
        return {};
    return fillTemplate(entry->argumentTemplate, paths);
}

std::vector<std::string> argumentVector(std::string_view formatName, const ConversionPaths& paths) {
    const FormatEntry* entry = findFormat(formatName);
    if (entry == nullptr || entry->argumentTemplate == nullptr)
        return {};
    return splitTemplate(entry->argumentTemplate, paths);
}

std::string displayCommandLine(std::string_view formatName, const ConversionPaths& paths,
                               const std::string& programFolder) {
    const FormatEntry* entry = findFormat(formatName);
    const ConverterTool tool = entry == nullptr ? ConverterTool::F : entry->tool;
    return programFolder + toolRelativePath(tool) + " " + argumentText(formatName, paths);
}

std::optional<std::string> outputFile(std::string_view formatName, const std::string& base) {
    const FormatEntry* entry = findFormat(formatName);
    if (entry == nullptr)
        return std::nullopt;
    return base + entry->outputSuffix;
}

MainFormatState mainFormatChange(std::string_view formatName) {
    MainFormatState state;
    const FormatEntry* entry = findFormat(formatName);
    if (entry != nullptr)
        state.extensionLabel = entry->mainLabel;
    if (formatName == "MP3")
        state.mp3TitleEnabled = true;
    if (formatName == "VOB") {
        state.generatedFileName = vobFileName();
        state.fileNameEnabled = false;
    }
    if (formatName == "PSP") {
        state.generatedFileName = pspFileName();
        state.fileNameEnabled = false;
    }
    return state;
}

DialogFormatState dialogFormatChange(std::string_view formatName) {
    static constexpr std::array<std::string_view, 6> labelled = {"WAVE", "AVI", "MPEG",
                                                                 "FLV",  "PSP", "WMV"};
    DialogFormatState state;
    if (formatName == "MP3") {
        state.extensionLabel = ".MP3";
        state.mp3TitleEnabled = true;
        return state;
    }
    for (std::string_view name : labelled) {
        if (formatName == name) {
            state.extensionLabel = findFormat(name)->dialogLabel;
            state.mp3TitleEnabled = false;
        }
    }
    if (formatName == "PSP") {
        state.generatedFileName = pspFileName();
        state.fileNameEnabled = false;
    }
    return state;
}

} // namespace vantaro
