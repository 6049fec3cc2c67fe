// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/RunContext.h"

#include <atomic>

namespace vantaro {

// Being replaced by RunContext, which the window makes and hands to what it starts.
inline constexpr int WorkModeSingle = 100;
inline constexpr int WorkModeList = 200;
extern std::atomic<int> WorkMode;
extern std::atomic<bool> StopRequested;
extern std::atomic<bool> ListRunning;
extern CurrentJobTexts CurrentJob;

} // namespace vantaro
