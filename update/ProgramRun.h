// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace vantaro {

// What a short-lived helper program (an engine's --version, gpgv, python3 --version) did.
struct ProgramOutput {
    bool started = false;  // false when it could not be started at all
    bool finished = false; // false when it was killed: stop, time limit
    int exitCode = -1;     // its exit status when it ended by itself; -1 after a signal
    std::string output;    // its standard output, cut at the limit given
};

// Runs program (an absolute path) with arguments (argv[1..]), without a shell, its standard
// input and error on /dev/null, and waits for it; it is killed when stop is set or the time
// limit passes. Standard output beyond maxOutput bytes is read and dropped.
ProgramOutput runProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::atomic<bool>* stop = nullptr,
                         std::chrono::milliseconds timeLimit = std::chrono::seconds(60),
                         std::size_t maxOutput = 64 * 1024);

// The first line of a text, without its line end and surrounding blanks.
std::string firstLine(const std::string& text);

// The absolute path of the first executable file called name in a PATH value (':'-separated;
// empty and relative entries are skipped); empty when there is none. A name with a '/' is not
// looked up.
std::string findOnPath(const std::string& name, const std::string& pathValue);

// True when path names an executable regular file.
bool isExecutableFile(const std::string& path);

} // namespace vantaro
