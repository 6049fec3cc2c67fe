// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MessagePresenter.h"
#include "core/RunContext.h"

#include <cstdint>
#include <string>

namespace vantaro {

// One entry of the link list as the worker reads it.
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
//
// The worker also tells the window what happened in its run; the window decides what its
// controls show. A host without controls ignores these events.
class WorkerHost : public MessagePresenter {
public:
    virtual void setStatus(const std::string& text) = 0;
    virtual void setProgressMax(std::int64_t maximum) = 0;
    virtual void setProgressPosition(std::int64_t position) = 0;
    virtual std::int64_t progressPosition() = 0;
    virtual std::int64_t progressMax() = 0;
    // Appends a line to the capture log.
    virtual void appendLog(const std::string& line) = 0;

    // The link list, for the list mode of the worker: its number of entries, entry n (the first
    // is 1), and the removal of the first entry (the next one then becomes the selected one).
    virtual int listSize() = 0;
    virtual ListRowTexts readListRow(int row) = 0;
    virtual void deleteFirstListRow() = 0;

    // Restores the application from its minimised state and shows the main window.
    virtual void restoreMainWindow() = 0;

    // A run has started, in this mode; before any other request of the run. In list mode the
    // window shows the list from its top.
    virtual void workStarted(WorkMode mode) { static_cast<void>(mode); }
    // List mode: an entry with a link and an existing folder is being carried out.
    virtual void rowTaken() {}
    // List mode: that entry has ended (made its file or not), the list goes on.
    virtual void rowDone() {}
    // Single-link mode: the link has been carried out to its end.
    virtual void linkDone() {}
    // A stop, or in single-link mode a failure, ended the job and its files were cleaned up;
    // the run ends.
    virtual void stopCleanedUp(WorkMode mode) { static_cast<void>(mode); }
    // List mode: a stop was found between two entries; the run ends.
    virtual void listStoppedBetweenRows() {}
    // List mode: every entry was taken; the run ends.
    virtual void listEnded() {}
    // The progress that follows is a conversion's, not a byte count.
    virtual void conversionStarted() {}
    // The worker's run has ended; its last request.
    virtual void workEnded(const WorkSummary& summary) { static_cast<void>(summary); }
};

} // namespace vantaro
