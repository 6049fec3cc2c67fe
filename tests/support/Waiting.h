// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Waiting in tests: the calling thread's events run while a condition is awaited, and the
// deadline is only there so that a broken program ends the test instead of hanging it. A test
// asserts on the condition, never on how long it took.

#include <functional>

namespace vantaro::testing {

// Milliseconds a whole download, or a program's start or end, may take on a loaded machine.
constexpr int XServerCeilingMs = 180000;

// Runs the events until the condition holds or the deadline passes; the condition's last
// answer. Without an application (or off its thread) the condition is polled instead.
bool waitFor(const std::function<bool()>& condition, int milliseconds = XServerCeilingMs);

// Runs the events for that long, for tests that check that something does NOT happen.
void letEventsRun(int milliseconds);

} // namespace vantaro::testing
