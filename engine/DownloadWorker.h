// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Constants.h"
#include "core/RunContext.h"
#include "engine/WorkerHost.h"
#include "jobs/DownloadCommands.h"
#include "jobs/DownloadJob.h"
#include "update/EngineUpdater.h"

#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vantaro {

// The download worker's thread. execute runs the single-link mode or the list mode as the run
// context's work mode says; every window request goes through the host and completes before the
// next.
class DownloadThread : public QThread {
public:
    // job is used in single-link mode; serviceHost is the resolver and report service's host;
    // ytDlpProgram the yt-dlp program that may take jobs over (empty: the default one), or
    // nullopt when none may; engineUpdates where the program's own yt-dlp comes from, nullopt
    // when none is offered.
    DownloadThread(RunContext& context, WorkerHost& host, DownloadJob job,
                   std::string serviceHost = MakerHost,
                   std::optional<std::string> ytDlpProgram = std::nullopt,
                   std::optional<UpdateSettings> engineUpdates = std::nullopt);
    ~DownloadThread() override;

    // Runs the mode chosen by the context (read once, here) and returns when the run has ended.
    void execute();

protected:
    void run() override;

public:
    // True from creation until run() has returned from execute.
    bool executing() const { return m_executing.load(); }

private:
    RunContext& m_context;
    WorkerHost& m_host;
    DownloadJob m_job;
    std::string m_serviceHost;
    std::optional<std::string> m_ytDlpProgram;
    std::optional<UpdateSettings> m_engineUpdates;
    std::atomic<bool> m_executing{true};
};

// The start sequence and the life of the one download worker: what the download and list
// commands call, and what the window asks when the program is left.
class DownloadWorker : public WorkerLauncher {
public:
    DownloadWorker(RunContext& context, WorkerHost& host, std::string serviceHost = MakerHost);
    ~DownloadWorker() override; // stops and waits for a running worker

    // True from the creation of a worker until its execute has returned.
    bool workerRunning() const override;
    // Starts a worker at the lowest priority; the work mode is already stored in the context.
    // Does nothing while a worker runs (the commands refuse before calling this).
    void startWorker(const DownloadJob& job) override;
    // Sets the context's stop token and waits until the worker has ended, letting the calling
    // thread's events run meanwhile (so that blocking hand-overs to the user-interface thread
    // complete). Returns true when no worker runs any more at the end.
    bool stopAndWait(std::chrono::milliseconds timeout);
    // Lets yt-dlp take over jobs the site paths cannot carry: the function gives, at each
    // start, the program to use (empty: yt-dlp on PATH). Without it no job takes yt-dlp.
    void setYtDlpProgram(std::function<std::string()> program) {
        m_ytDlpProgram = std::move(program);
    }
    // Lets a job on the yt-dlp road offer the program's own yt-dlp when the one there is missing,
    // old or failing: the function gives, at each start, where it comes from (nullopt: no offer,
    // as updates are turned off). Without it nothing is offered.
    void setEngineUpdates(std::function<std::optional<UpdateSettings>()> updates) {
        m_engineUpdates = std::move(updates);
    }

private:
    void releaseFinished();

    RunContext& m_context;
    WorkerHost& m_host;
    std::string m_serviceHost;
    std::function<std::string()> m_ytDlpProgram;
    std::function<std::optional<UpdateSettings>()> m_engineUpdates;
    std::unique_ptr<DownloadThread> m_thread;
    // Receives the end of a worker on the thread that started it, which then releases it.
    std::unique_ptr<QObject> m_receiver;
};

} // namespace vantaro
