// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"
#include "core/RunContext.h"
#include "engine/WorkerHost.h"

#include <string>
#include <vector>

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

// The codecs of the first video and the first audio stream, as the converter names them when it
// describes its input ("h264", "aac"); empty when the file has no such stream.
struct StreamCodecs {
    std::string video;
    std::string audio;
};
// Reads the stream lines of the converter's description of its input; other lines are skipped.
StreamCodecs describedCodecs(const std::vector<std::string>& lines);
// True when the streams go into an FLV file as they are: H.264 or Sorenson video, and AAC or
// MP3 audio (or none).
bool flvHoldsAsIs(const StreamCodecs& codecs);
// The converter's arguments making output, an FLV file: the streams copied when they fit,
// else encoded anew as H.264 and AAC. An existing output is never replaced.
std::vector<std::string> flvArguments(const std::string& input, const std::string& output,
                                      bool copy);

// Makes base + ".flv" of a download that may be any container (MP4, WebM, Matroska): its streams
// copied into FLV when they fit, else converted, with converter F, the stop token and the
// failures as convertMedia has them. An existing base + ".flv" is left alone, and the download
// then keeps its name.
void convertToFlv(const std::string& input, const std::string& base, WorkerHost& host,
                  const RunContext& context);

// The texts a failed conversion shows; `why`, when given, is a sentence said after the failure.
std::string conversionFailedMessage(Language language, const std::string& formatName,
                                    const std::string& keptFile, const std::string& why = {});
std::string conversionFailedStatus(Language language, const std::string& formatName);

} // namespace vantaro
