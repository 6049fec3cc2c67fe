// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the program names itself to the desktop: box captions, the tray, --version, the launcher.
namespace vantaro {

inline constexpr const char* ApplicationTitle = "Vantaro";
// The desktop's name for the program: the desktop entry's and the icon's file names (without
// extension), the AppStream id and the launcher entry's application.
inline constexpr const char* DesktopAppId = "com.quorlin.Vantaro";
// The release, set once in the top-level CMakeLists.txt (project VERSION).
inline constexpr const char* ProgramVersion = VANTARO_VERSION;

} // namespace vantaro
