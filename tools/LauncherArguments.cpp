// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/LauncherArguments.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <fstream>
#include <optional>

namespace vantaro::launcher {
namespace {

using Arguments = std::vector<std::string>;

struct Context {
    bool audioFiltered; // the list already has a sound filter of its own
    const EncoderQuery& hasEncoder;
};

// The replacement of an option and its value, or nothing when the rule leaves them as they are.
using Rewrite = std::optional<Arguments> (*)(const std::string& option, const std::string& value,
                                             const Context& context);

struct Rule {
    const char* option; // followed by a value, except for a dropped flag
    Rewrite rewrite;    // nullptr: a flag that is dropped
    const char* reason;
};

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

// A bit rate of at most three digits and no unit: below 1000, so meant in kbit/s.
std::optional<Arguments> kilobits(const std::string& option, const std::string& value,
                                  const Context&) {
    if (value.empty() || value.size() > 3 ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return Arguments{option, value + "k"};
}

// The whole translation table of the FFmpeg launcher. Anything not named here passes through.
const Rule ffmpegRules[] = {
    {"-sameq", nullptr, "removed from ffmpeg without a successor; the encoder's default serves"},
    {"-title",
     [](const std::string&, const std::string& value, const Context&) -> std::optional<Arguments> {
         return Arguments{"-metadata", "title=" + value};
     },
     "removed from ffmpeg; the title tag is now set with -metadata"},
    {"-s",
     [](const std::string& option, const std::string& value,
        const Context&) -> std::optional<Arguments> {
         return Arguments{option, withLetterX(value)};
     },
     "a size is parsed only with the letter x, not with the multiplication sign"},
    {"-b", kilobits, "a bare number is now read as bit/s; the lists meant kbit/s"},
    {"-ab", kilobits, "a bare number is now read as bit/s; the lists meant kbit/s"},
    {"-vcodec",
     [](const std::string& option, const std::string& value,
        const Context& context) -> std::optional<Arguments> {
         if (value != "xvid")
             return std::nullopt;
         return Arguments{option, context.hasEncoder("libxvid") ? "libxvid" : "mpeg4"};
     },
     "the Xvid encoder is now named libxvid; the native mpeg4 encoder makes the same stream"},
    {"-target",
     [](const std::string& option, const std::string& value,
        const Context& context) -> std::optional<Arguments> {
         if (!value.ends_with("-dv") || context.audioFiltered)
             return std::nullopt;
         return Arguments{option, value, "-af", "aresample=async=1"};
     },
     "the dv muxer now fails on sound that drifts from the picture, as MP3 from FLV does"},
};
// Output options placed before the first -i now apply to the input, which rejects them: they
// move to just after that input. "-title" becomes one of them by the rule above.
const char* const OutputOnlyOption = "-metadata";

const Rule* ruleFor(const std::string& option) {
    for (const Rule& rule : ffmpegRules) {
        if (option == rule.option)
            return &rule;
    }
    return nullptr;
}

bool contains(const Arguments& arguments, const std::string& option) {
    return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
}

} // namespace

Arguments translateFfmpegArguments(const Arguments& arguments, const EncoderQuery& hasEncoder) {
    const Context context{contains(arguments, "-af") || contains(arguments, "-filter:a"),
                          hasEncoder};
    Arguments out;
    Arguments beforeInput; // output options met before the first input
    bool inputSeen = false;
    // The last argument is the output file and the value of -i an input file: both are names
    // chosen by the user and never taken for options.
    const std::size_t last = arguments.empty() ? 0 : arguments.size() - 1;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < last;
        if (i == last) {
            out.push_back(argument);
            continue;
        }
        if (argument == "-i" && hasValue) {
            out.insert(out.end(), {argument, arguments[++i]});
            if (!inputSeen)
                out.insert(out.end(), beforeInput.begin(), beforeInput.end());
            inputSeen = true;
            continue;
        }
        const Rule* rule = ruleFor(argument);
        if (rule != nullptr && rule->rewrite == nullptr)
            continue; // a dropped flag
        std::optional<Arguments> replaced;
        if (rule != nullptr && hasValue)
            replaced = rule->rewrite(argument, arguments[i + 1], context);
        if (replaced)
            ++i;
        else if (argument == OutputOnlyOption && hasValue)
            replaced = Arguments{argument, arguments[++i]};
        else
            replaced = Arguments{argument};
        Arguments& target = !inputSeen && replaced->front() == OutputOnlyOption ? beforeInput : out;
        target.insert(target.end(), replaced->begin(), replaced->end());
    }
    if (!inputSeen) // nothing to move them after: they stay in front
        out.insert(out.begin(), beforeInput.begin(), beforeInput.end());
    return out;
}

Arguments translateMencoderArguments(const Arguments& arguments, const MediaQuery& isIsoMedia) {
    // The only rule of the MEncoder launcher: its lavf demuxer loses the AAC sound of MP4 files
    // when lavc encodes it (a WMV keeps 0.05 s of it); its own mov demuxer keeps it all. The
    // input comes first in the program's lists.
    Arguments out;
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
