// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MessagePresenter.h"
#include "core/RunContext.h"
#include "jobs/DownloadJob.h"

#include <string>

namespace vantaro {

// Starts the download worker; one worker runs at a time.
class WorkerLauncher {
public:
    virtual ~WorkerLauncher() = default;
    // True from the start of a worker until its run has returned, stopped or not.
    virtual bool workerRunning() const = 0;
    // Starts the worker with the run's work mode already set; the job is used in single-link mode.
    virtual void startWorker(const DownloadJob& job) = 0;
};

// Writes the preferences file's keys when the file exists; throws std::runtime_error with the
// message "Impossible d'écrire dans <path>" when it cannot.
class PreferencesStore {
public:
    virtual ~PreferencesStore() = default;
    virtual void storeSingleDownload(const std::string& fileName, const std::string& pathName) = 0;
    virtual void storeList(const std::string& pathName) = 0;
};

// Appends one entry to the link list.
class ListAppender {
public:
    virtual ~ListAppender() = default;
    virtual void appendListEntry(const std::string& formatName, const std::string& folder,
                                 const std::string& fileName, const std::string& mp3Title,
                                 const std::string& link) = 0;
};

// The fields of the first page, as the window holds them.
struct SingleLinkFields {
    std::string link;
    std::string folder;   // destination folder
    std::string fileName; // without extension
    std::string mp3Title;
    std::string format; // format name
};

// What the download and add commands touch besides their fields.
class DownloadCommandHost : public MessagePresenter,
                            public WorkerLauncher,
                            public PreferencesStore,
                            public ListAppender {
public:
    virtual bool directoryExists(const std::string& path) = 0;
    virtual bool fileExists(const std::string& path) = 0;
    virtual void deleteFile(const std::string& path) = 0;
    // Puts a new text into the file-name field.
    virtual void setFileNameField(const std::string& text) = 0;
};

// Shows the refusal and returns true when a worker is running (checked before any other step).
bool refuseWhileWorkerRunning(const WorkerLauncher& launcher, MessagePresenter& presenter,
                              Language language);

// The download command: checks, stores the preferences, asks before overwriting, starts the
// worker in single-link mode. The fields are read once; an empty file-name field is filled with a
// random name. The command clears the stop request, sets the work mode and the current job's
// texts of the run.
void startDownload(RunContext& context, const SingleLinkFields& fields, DownloadCommandHost& host);

// The add-to-list command: checks, fills an empty file name, appends one list entry (to the
// host's list, or to the given appender).
void addToList(const RunContext& context, const SingleLinkFields& fields,
               DownloadCommandHost& host);
void addToList(const RunContext& context, const SingleLinkFields& fields, DownloadCommandHost& host,
               ListAppender& list);

namespace messages {
extern const char* const WorkerAlreadyRunningFr;
extern const char* const WorkerAlreadyRunningEn;
} // namespace messages

} // namespace vantaro
