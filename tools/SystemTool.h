// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace vantaro::launcher {

// Replaces the launcher's process with the system tool, started with these arguments (no shell):
// the tool keeps the launcher's process id, standard streams and exit code, so whoever stops the
// launcher stops the tool. Returns only on failure, with 126 (not executable) or 127 (missing),
// after writing the reason to standard error.
int execSystemTool(const std::string& toolPath, const std::vector<std::string>& arguments);

// Runs "<ffmpeg> -hide_banner -encoders" and looks for the encoder's name in its table.
bool ffmpegHasEncoder(const std::string& ffmpegPath, const std::string& encoder);

} // namespace vantaro::launcher
