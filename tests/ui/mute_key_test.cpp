// SPDX-License-Identifier: GPL-3.0-or-later
// The volume-mute key sent through the X server's test extension. The key is only ever sent to
// a private Xvfb display (the test "ui_mute_key_under_xvfb"), never to the desktop running the
// tests, whose sound it would toggle.
#include "app/MuteKey.h"

#include <gtest/gtest.h>

#include <X11/XF86keysym.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace vantaro {
namespace {

TEST(MuteKey, WithoutADisplayNothingIsSent) {
    EXPECT_FALSE(PressMuteKey(":vantaro-no-display"));
}

TEST(MuteKey, PressAndReleaseReachTheFocusedWindow) {
    if (std::getenv("VANTARO_PRIVATE_DISPLAY") == nullptr || std::getenv("DISPLAY") == nullptr)
        GTEST_SKIP() << "runs only on a private Xvfb display (ui_mute_key_under_xvfb)";
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 100, 100, 0, 0, 0);
    XSelectInput(display, window, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
    XMapWindow(display, window);
    for (XEvent event{}; event.type != MapNotify;)
        XNextEvent(display, &event);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);

    ASSERT_TRUE(PressMuteKey());

    std::vector<int> seen; // event types of the mute key, in order
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen.size() < 2 && std::chrono::steady_clock::now() < deadline) {
        if (XPending(display) == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        XEvent event{};
        XNextEvent(display, &event);
        if ((event.type == KeyPress || event.type == KeyRelease) &&
            XLookupKeysym(&event.xkey, 0) == XF86XK_AudioMute)
            seen.push_back(event.type);
    }
    EXPECT_EQ(seen, (std::vector<int>{KeyPress, KeyRelease}));
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}

} // namespace
} // namespace vantaro
