// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/LauncherArguments.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <fstream>

namespace vantaro::launcher {
namespace {

// The translation table. The code below applies exactly these rules, nothing else.
const std::vector<TranslationRule> ffmpegTable = {
    {"-metadata, -title (before -i)", "moved after the input",
     "an output option placed before -i now applies to the input, which rejects it"},
    {"-sameq", "dropped", "removed from ffmpeg; there is no successor, the encoder default serves"},
    {"-title T", "-metadata title=T", "removed from ffmpeg; the tag is now set with -metadata"},
    {"-s W\u00d7H", "-s WxH",
     "a size is parsed only with the letter x, not the multiplication sign"},
    {"-b N, -ab N (N < 1000)", "Nk", "a bare number is now read as bit/s; these meant kbit/s"},
    {"-vcodec xvid", "libxvid, else mpeg4",
     "the Xvid encoder is now named libxvid; the native mpeg4 encoder makes the same stream"},
    {"-target *-dv", "adds -af aresample=async=1",
     "the dv muxer now fails on audio that drifts from the video, as MP3 from FLV does"},
};

const std::vector<TranslationRule> mencoderTable = {
    {"MP4 input", "adds -demuxer mov",
     "the lavf demuxer loses the AAC audio of MP4 files when lavc encodes it; mov keeps it"},
};

// A bit rate of at most three digits and no unit: below 1000, so meant in kbit/s.
bool isSmallBareNumber(const std::string& text) {
    return !text.empty() && text.size() <= 3 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The multiplication sign in UTF-8 (C3 97) or as the single Latin-1 byte D7 becomes "x".
std::string withLetterX(const std::string& size) {
    std::string written;
    for (std::size_t i = 0; i < size.size(); ++i) {
        if (size.compare(i, 2, "\xC3\x97") == 0) {
            written += 'x';
            ++i;
        } else {
            written += size[i] == '\xD7' ? 'x' : size[i];
        }
    }
    return written;
}

bool contains(const std::vector<std::string>& arguments, const std::string& option) {
    return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
}

// Rewrites one option with its value; returns false when the option is not one of the table's.
bool rewriteOption(const std::string& option, const std::string& value, bool audioFiltered,
                   const EncoderQuery& hasEncoder, std::vector<std::string>& out) {
    if (option == "-s") {
        out.insert(out.end(), {option, withLetterX(value)});
    } else if ((option == "-b" || option == "-ab") && isSmallBareNumber(value)) {
        out.insert(out.end(), {option, value + "k"});
    } else if (option == "-vcodec" && value == "xvid") {
        out.insert(out.end(), {option, hasEncoder("libxvid") ? "libxvid" : "mpeg4"});
    } else if (option == "-target" && value.ends_with("-dv") && !audioFiltered) {
        out.insert(out.end(), {option, value, "-af", "aresample=async=1"});
    } else {
        return false;
    }
    return true;
}

} // namespace

const std::vector<TranslationRule>& ffmpegRules() {
    return ffmpegTable;
}
const std::vector<TranslationRule>& mencoderRules() {
    return mencoderTable;
}

std::vector<std::string> translateFfmpegArguments(const std::vector<std::string>& arguments,
                                                  const EncoderQuery& hasEncoder) {
    const bool audioFiltered = contains(arguments, "-af") || contains(arguments, "-filter:a");
    std::vector<std::string> out;
    std::vector<std::string> beforeInput; // -metadata pairs met before the first input
    bool inputSeen = false;
    // The last argument is the output file and the value of -i an input file: both are names
    // chosen by the user and never taken for options.
    const std::size_t last = arguments.empty() ? 0 : arguments.size() - 1;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < last;
        if (i == last) {
            out.push_back(argument);
        } else if ((argument == "-metadata" || argument == "-title") && hasValue) {
            std::vector<std::string>& target = inputSeen ? out : beforeInput;
            const std::string& value = arguments[++i];
            target.insert(target.end(),
                          {"-metadata", argument == "-title" ? "title=" + value : value});
        } else if (argument == "-i" && hasValue) {
            out.insert(out.end(), {argument, arguments[i + 1]});
            ++i;
            if (!inputSeen)
                out.insert(out.end(), beforeInput.begin(), beforeInput.end());
            inputSeen = true;
        } else if (argument == "-sameq") {
            continue;
        } else if (hasValue &&
                   rewriteOption(argument, arguments[i + 1], audioFiltered, hasEncoder, out)) {
            ++i;
        } else {
            out.push_back(argument);
        }
    }
    if (!inputSeen) // nothing to move them after: they stay in front
        out.insert(out.begin(), beforeInput.begin(), beforeInput.end());
    return out;
}

std::vector<std::string> translateMencoderArguments(const std::vector<std::string>& arguments,
                                                    const MediaQuery& isIsoMedia) {
    std::vector<std::string> out;
    // The input comes first in the program's lists.
    if (!arguments.empty() && !contains(arguments, "-demuxer") && isIsoMedia(arguments.front()))
        out.insert(out.end(), {"-demuxer", "mov"});
    out.insert(out.end(), arguments.begin(), arguments.end());
    return out;
}

bool fileIsIsoMedia(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::array<char, 8> head{};
    if (!file.read(head.data(), head.size()))
        return false;
    return std::string(head.data() + 4, 4) == "ftyp";
}

} // namespace vantaro::launcher
