// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vantaro {

// The folder of the running executable, ending with "/". Tests may point it elsewhere.
std::string ProgramFolder();
void setProgramFolder(const std::string& folder);

// True when the path exists and is a directory (an empty path is not).
bool isExistingDirectory(const std::string& path);

} // namespace vantaro
