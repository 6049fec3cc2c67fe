// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/StopCommands.h"

namespace vantaro {

void stopWork(RunContext& context, StopCommandHost& host) {
    context.requestStop();
    host.workStopping();
    host.restoreWaveVolume();
}

void requestStop(RunContext& context) {
    context.requestStop();
}

} // namespace vantaro
