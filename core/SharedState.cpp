// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SharedState.h"

namespace vantaro {

std::atomic<int> WorkMode{0};
std::atomic<bool> StopRequested{false};
std::atomic<bool> ListRunning{false};
CurrentJobTexts CurrentJob;

} // namespace vantaro
