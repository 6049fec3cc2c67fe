// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/RunContext.h"

namespace vantaro {

// What the Stop commands tell the window.
class StopCommandHost {
public:
    virtual ~StopCommandHost() = default;
    // The work is being stopped: the window gives back the controls that start work.
    virtual void workStopping() = 0;
    // Puts back the wave volume saved by a capture start; does nothing when none was saved.
    virtual void restoreWaveVolume() = 0;
};

// The Stop command: sets the stop token, tells the window the work is stopping, then puts back a
// saved wave volume. It does not wait for the worker.
void stopWork(RunContext& context, StopCommandHost& host);
// The quiet stop: sets the stop token only.
void requestStop(RunContext& context);

} // namespace vantaro
