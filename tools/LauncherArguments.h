// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

// The converter launchers of QrlBin/ accept the argument lists the program was written for and
// run today's system ffmpeg or mencoder with the few options those tools now reject rewritten.
// Everything else passes through untouched.
namespace vantaro::launcher {

// Answers whether the system ffmpeg has an encoder of the given name (asked only when needed).
using EncoderQuery = std::function<bool(const std::string& encoder)>;

// Answers whether a file is an ISO media file (MP4, M4V, MOV: an "ftyp" box first).
using MediaQuery = std::function<bool(const std::string& path)>;

// The arguments the system's tool is run with. The rules, each with its reason, are one table
// in the source of each function.
std::vector<std::string> translateFfmpegArguments(const std::vector<std::string>& arguments,
                                                  const EncoderQuery& hasEncoder);
std::vector<std::string> translateMencoderArguments(const std::vector<std::string>& arguments,
                                                    const MediaQuery& isIsoMedia);

// True when the file starts with an ISO base media "ftyp" box.
bool fileIsIsoMedia(const std::string& path);

} // namespace vantaro::launcher
