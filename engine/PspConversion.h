// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"
#include "core/MessagePresenter.h"
#include "core/RunContext.h"

#include <string>
#include <vector>

namespace vantaro {

// What the local PSP conversion asks of the main window. It runs on the user-interface thread,
// so every call is direct.
class PspHost : public MessagePresenter {
public:
    virtual void setStatus(const std::string& text) = 0;
    // The link field, which also holds the video to convert.
    virtual std::string sourceText() = 0;
    virtual void setSourceText(const std::string& text) = 0;
    // The file-open dialog with a filter that names no pattern; "" when cancelled.
    virtual std::string chooseFile(const std::string& filterText) = 0;
    // The folder picker with its caption; "" when cancelled.
    virtual std::string chooseFolder(const std::string& caption) = 0;
    // Lets the window handle its pending events, so it stays usable during a conversion.
    virtual void processPendingEvents() = 0;
};

// The arguments of the local PSP conversion of `source` into `target`.
std::vector<std::string> pspArguments(const std::string& source, const std::string& target);

// Converts a video file on disk into a PSP video "M4V" + five digits + ".MP4" in `folder` with
// the program's QrlBin/ffmpeg, keeping the window's events flowing while it waits. The source
// stays in place. The status ends with the ready text, or says that the conversion failed when
// the converter failed or wrote nothing; what a failed converter wrote is removed. A converter that
// cannot be started is shown in the error box. Returns the path of the output file it asked for.
std::string convertToPsp(const std::string& source, const std::string& folder, PspHost& host,
                         Language language);

// The two buttons of the hidden strip that lead to the PSP conversion.
class PspCommands {
public:
    // The texts follow the context's language at each command.
    PspCommands(PspHost& host, const RunContext& context) : m_host(host), m_context(context) {}

    // "Choisir la vidéo à transformer pour PSP": the chosen file goes into the link field. Like
    // the dialog it stands for, it remembers its last file, which a cancel hands back again.
    void chooseVideo();
    // "Transformer ma vidéo pour PSP": asks for the target folder and converts the link
    // field's file.
    void convertVideo();

private:
    PspHost& m_host;
    const RunContext& m_context;
    std::string m_dialogFileName;
};

} // namespace vantaro
