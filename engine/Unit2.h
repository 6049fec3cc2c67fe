// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Constants.h"
#include "engine/WorkerHost.h"
#include "jobs/DownloadCommands.h"
#include "jobs/DownloadJob.h"

#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vantaro {

// The download worker's thread. Execute runs the single-link mode (100) or the list mode (200)
// as WorkMode says; every window request goes through the host and completes before the next.
class MonThread : public QThread {
public:
    // job is used in single-link mode; serviceHost is the resolver and report service's host;
    // ytDlpProgram the yt-dlp program that may take jobs over (empty: the default one), or
    // nullopt when none may.
    MonThread(WorkerHost& host, DownloadJob job, std::string serviceHost = MakerHost,
              std::optional<std::string> ytDlpProgram = std::nullopt);
    ~MonThread() override;

    // Runs the mode chosen by WorkMode (read once, here) and returns when the run has ended.
    void Execute();

protected:
    void run() override;

public:
    // True from creation until run() has returned from Execute.
    bool executing() const { return m_executing.load(); }

private:
    WorkerHost& m_host;
    DownloadJob m_job;
    std::string m_serviceHost;
    std::optional<std::string> m_ytDlpProgram;
    std::atomic<bool> m_executing{true};
};

// The start sequence and the life of the one download worker: what the download and list
// commands call, and what the window asks when the program is left.
class DownloadWorker : public WorkerLauncher {
public:
    explicit DownloadWorker(WorkerHost& host, std::string serviceHost = MakerHost);
    ~DownloadWorker() override; // stops and waits for a running worker

    // True from the creation of a worker until its Execute has returned.
    bool workerRunning() const override;
    // Starts a worker at the lowest priority; WorkMode is already stored. Does nothing while a
    // worker runs (the commands refuse before calling this).
    void startWorker(const DownloadJob& job) override;
    // Sets StopRequested and waits until the worker has ended, letting the calling thread's
    // events run meanwhile (so that blocking hand-overs to the user-interface thread complete).
    // Returns true when no worker runs any more at the end.
    bool stopAndWait(std::chrono::milliseconds timeout);
    // Lets yt-dlp take over jobs the site paths cannot carry: the function gives, at each
    // start, the program to use (empty: yt-dlp on PATH). Without it no job takes yt-dlp.
    void setYtDlpProgram(std::function<std::string()> program) {
        m_ytDlpProgram = std::move(program);
    }

private:
    void releaseFinished();

    WorkerHost& m_host;
    std::string m_serviceHost;
    std::function<std::string()> m_ytDlpProgram;
    std::unique_ptr<MonThread> m_thread;
    // Receives the end of a worker on the thread that started it, which then releases it.
    std::unique_ptr<QObject> m_context;
};

// What the Stop commands touch.
class StopCommandHost {
public:
    virtual ~StopCommandHost() = default;
    virtual void setControlEnabled(WorkerControl control, bool enabled) = 0;
    // Puts back the wave volume saved by a capture start; does nothing when none was saved.
    virtual void restoreWaveVolume() = 0;
};

// The Stop button: sets StopRequested, enables Button7 and Button6, disables Button5, then puts
// back a saved wave volume. It does not wait for the worker.
void Button5Click(StopCommandHost& host);
// The hidden "stop" button: sets StopRequested only.
void Button10Click();

} // namespace vantaro
