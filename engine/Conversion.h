// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/WorkerHost.h"

#include <string>

namespace vantaro {

// Converts the download file `input` into the format `formatName`, writing base + the format's
// suffix, with the format's converter from the program's QrlBin/ folder. Runs on the worker
// thread and returns once the converter has ended: by itself, or killed when StopRequested is
// set (the flag is left set for the worker). The progress bar creeps while it runs.
//
// `input` is a download that arrived whole: the worker converts nothing else.
//
// When the converter succeeds, or was stopped, the status shows the ready text and `input` is
// deleted. When it fails (non-zero exit, crash, or no output file or an empty one), the
// download is kept, as base + ".flv" when that name is free, and an information box names it;
// an empty download holds nothing to keep and is simply deleted. A converter that
// cannot be started is a failed conversion too: the download is kept in the same way and the
// box adds why the converter did not start.
void ConvertMedia(const std::string& input, const std::string& base, const std::string& formatName,
                  WorkerHost& host);

// The texts a failed conversion shows; `why`, when given, is a sentence said after the failure.
std::string conversionFailedMessage(const std::string& formatName, const std::string& keptFile,
                                    const std::string& why = {});
std::string conversionFailedStatus(const std::string& formatName);

} // namespace vantaro
