// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/WorkerHost.h"

#include <optional>
#include <string>

namespace vantaro {

// The desktop notice shown when a run of the worker ends.
struct WorkNotice {
    std::string title;
    std::string body;
};

// What the notice says about a run: the file made, or the first line of the first message the
// run showed; for a list, how many files were made and how many rows were dropped. A stopped run
// gets no notice.
std::optional<WorkNotice> workNotice(const WorkSummary& summary, const std::string& firstMessage,
                                     bool english);

// The first line of a message as the worker words it ("\r\n", a lone "\r" or "\n" end a line);
// blank lines before it are skipped.
std::string firstMessageLine(const std::string& message);

} // namespace vantaro
