// SPDX-License-Identifier: GPL-3.0-or-later
// The MEncoder launcher of QrlBin/ (utilitymen2): runs the system's mencoder with the few
// additions today's build needs for the program's argument lists.
#include "tools/LauncherArguments.h"
#include "tools/SystemTool.h"

int main(int argc, char** argv) {
    using namespace vantaro::launcher;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return execSystemTool(VANTARO_SYSTEM_MENCODER,
                          translateMencoderArguments(arguments, fileIsIsoMedia));
}
