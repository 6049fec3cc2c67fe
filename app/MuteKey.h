// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantaro {

// Presses and releases the keyboard's volume-mute key, which toggles the desktop's sound mute,
// through the X server's test extension on the display named by DISPLAY (or the given one).
// Where there is no X11 display, no test extension or no such key, nothing happens; the result
// tells whether the key was sent.
bool PressMuteKey(const char* displayName = nullptr);

} // namespace vantaro
