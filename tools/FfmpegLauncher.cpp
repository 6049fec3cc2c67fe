// SPDX-License-Identifier: GPL-3.0-or-later
// The FFmpeg launcher of QrlBin/ (utilitymff4, utilitymff3, utilitymffx, ffmpeg): runs the
// system's ffmpeg with the options it no longer accepts rewritten.
#include "tools/LauncherArguments.h"
#include "tools/SystemTool.h"

int main(int argc, char** argv) {
    using namespace vantaro::launcher;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto hasEncoder = [](const std::string& encoder) {
        return ffmpegHasEncoder(VANTARO_SYSTEM_FFMPEG, encoder);
    };
    return execSystemTool(VANTARO_SYSTEM_FFMPEG, translateFfmpegArguments(arguments, hasEncoder));
}
