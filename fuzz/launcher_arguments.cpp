// SPDX-License-Identifier: GPL-3.0-or-later
// The launchers' argument translation on any argument list (NUL-separated): it must never
// touch the output file or an input file, nor leave a -metadata pair before the first input.
// The launcher library is not part of the fuzz build, so its source is compiled in here.
#include "tools/LauncherArguments.cpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// The options whose value the translation always takes as theirs.
bool takesValue(const std::string& argument) {
    return argument == "-metadata" || argument == "-title" || argument == "-s";
}

// Where the first "-i" stands that is an option and has an input file after it (npos: none).
std::size_t firstInputAt(const std::vector<std::string>& arguments) {
    for (std::size_t i = 0; i + 2 < arguments.size(); i += takesValue(arguments[i]) ? 2 : 1) {
        if (arguments[i] == "-i")
            return i;
    }
    return std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantaro::launcher;
    std::vector<std::string> arguments;
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    arguments.push_back(current);

    const auto out =
        translateFfmpegArguments(arguments, [size](const std::string&) { return size % 2 == 0; });
    if (out.empty() || out.back() != arguments.back())
        std::abort(); // the output file stays last and unchanged
    // The first input file comes right after the first -i, with no -metadata before it.
    const std::size_t before = firstInputAt(arguments);
    if (before != std::string::npos) {
        const std::size_t after = firstInputAt(out);
        if (after == std::string::npos || out[after + 1] != arguments[before + 1])
            std::abort();
        for (std::size_t i = 0; i < after; i += takesValue(out[i]) ? 2 : 1) {
            if (out[i] == "-metadata")
                std::abort(); // an output option left before the input
        }
    }
    const auto mencoder =
        translateMencoderArguments(arguments, [](const std::string&) { return true; });
    if (!std::equal(arguments.rbegin(), arguments.rend(), mencoder.rbegin()))
        std::abort(); // the mencoder launcher only adds in front
    return 0;
}
