// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"
#include "core/RunContext.h"
#include "engine/WorkerHost.h"

#include <string>

namespace vantaro {

// Converts the download file `input` into the format `formatName`, writing base + the format's
// suffix, with the format's converter from the program's QrlBin/ folder. Runs on the worker
// thread and returns once the converter has ended: by itself, or killed when the context's stop
// token is set (the token is left set for the worker). The MP3 title and the language of the
// texts come from the context. The progress bar creeps while it runs.
//
// `input` is a download that arrived whole: the worker converts nothing else.
//
// When the converter succeeds, or was stopped, the status shows the ready text and `input` is
// deleted. When it fails (non-zero exit, crash, or no output file or an empty one), the
// download is kept, as base + ".flv" when that name is free, and an information box names it;
// an empty download holds nothing to keep and is simply deleted. A converter that
// cannot be started is a failed conversion too: the download is kept in the same way and the
// box adds why the converter did not start.
void convertMedia(const std::string& input, const std::string& base, const std::string& formatName,
                  WorkerHost& host, const RunContext& context);

// The texts a failed conversion shows; `why`, when given, is a sentence said after the failure.
std::string conversionFailedMessage(Language language, const std::string& formatName,
                                    const std::string& keptFile, const std::string& why = {});
std::string conversionFailedStatus(Language language, const std::string& formatName);

} // namespace vantaro
