// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MessagePresenter.h"

#include <cstdint>
#include <string>

namespace vantaro {

// Controls of the main window whose enabled state the worker changes.
enum class WorkerControl { Button4, Button5, Button6, Button7, StringGrid1 };

// One row of the link list as the worker reads it (columns 1 to 5).
struct ListRowTexts {
    std::string formatName;
    std::string destinationPathName;
    std::string destinationFileName;
    std::string mp3Title;
    std::string videoUrl;
};

// How a run of the worker ended, for the notice the desktop shows.
struct WorkSummary {
    bool list = false;    // the list mode ran
    bool stopped = false; // a stop ended the run
    std::string madeFile; // single link: the file made, empty when none was
    int made = 0;         // list: rows that made their file
    int dropped = 0;      // list: rows taken that made none
};

// Everything the download engine asks of the window. The window carries each request out on the
// user-interface thread and returns when it is done; tests implement it with a recording fake.
// Byte counts are 64-bit; the window scales them to what its progress bar can hold.
class WorkerHost : public MessagePresenter {
public:
    virtual void setStatus(const std::string& text) = 0;
    virtual void setProgressMax(std::int64_t maximum) = 0;
    virtual void setProgressPosition(std::int64_t position) = 0;
    virtual std::int64_t progressPosition() = 0;
    virtual std::int64_t progressMax() = 0;
    virtual void setControlEnabled(WorkerControl control, bool enabled) = 0;
    // Appends a line to the capture log (Memo1).
    virtual void appendLog(const std::string& line) = 0;

    // The link list, for the list mode of the worker.
    virtual int listRowCount() = 0;
    virtual ListRowTexts readListRow(int row) = 0;
    virtual void deleteFirstListRow() = 0; // deletes row 1 and selects row 1
    virtual void scrollListToTop() = 0;

    // Restores the application from its minimised state and shows the main window.
    virtual void restoreMainWindow() = 0;

    // The progress that follows is a conversion's, not a byte count.
    virtual void conversionStarted() {}
    // The worker's run has ended; its last request.
    virtual void workEnded(const WorkSummary& summary) { static_cast<void>(summary); }
};

} // namespace vantaro
