// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MuteKey.h"

#include <X11/XF86keysym.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <memory>

namespace vantaro {

bool PressMuteKey(const char* displayName) {
    const auto closeDisplay = [](Display* display) { XCloseDisplay(display); };
    const std::unique_ptr<Display, decltype(closeDisplay)> display(XOpenDisplay(displayName),
                                                                   closeDisplay);
    if (!display)
        return false;
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display.get(), &eventBase, &errorBase, &major, &minor))
        return false;
    const KeyCode key = XKeysymToKeycode(display.get(), XF86XK_AudioMute);
    if (key == 0)
        return false;
    XTestFakeKeyEvent(display.get(), key, True, CurrentTime);
    XTestFakeKeyEvent(display.get(), key, False, CurrentTime);
    XSync(display.get(), False);
    return true;
}

} // namespace vantaro
