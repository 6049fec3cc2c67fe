// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DownloadWorker.h"

#include "engine/DownloadRun.h"
#include "engine/ProgressThrottle.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <algorithm>
#include <utility>

namespace vantaro {

DownloadThread::DownloadThread(RunContext& context, WorkerHost& host, DownloadJob job,
                               std::string serviceHost, std::optional<std::string> ytDlpProgram,
                               std::optional<UpdateSettings> engineUpdates)
    : m_context(context), m_host(host), m_job(std::move(job)),
      m_serviceHost(std::move(serviceHost)), m_ytDlpProgram(std::move(ytDlpProgram)),
      m_engineUpdates(std::move(engineUpdates)) {}

DownloadThread::~DownloadThread() {
    wait();
}

void DownloadThread::execute() {
    ProgressThrottle host(m_host);
    const WorkMode mode = m_context.workMode();
    host.workStarted(mode);
    DownloadRun run(host, m_context, m_serviceHost, m_ytDlpProgram, m_engineUpdates);
    if (mode == WorkMode::Single)
        run.single(m_job);
    else if (mode == WorkMode::List)
        run.list();
    host.workEnded(run.summary());
    host.flush();
}

void DownloadThread::run() {
    try {
        execute();
    } catch (...) {
        // A host that failed mid-request: nothing more can be shown; the worker ends, and no
        // list is running any more.
        m_context.setListRunning(false);
    }
    m_executing = false;
}

DownloadWorker::DownloadWorker(RunContext& context, WorkerHost& host, std::string serviceHost)
    : m_context(context), m_host(host), m_serviceHost(std::move(serviceHost)),
      m_receiver(std::make_unique<QObject>()) {}

DownloadWorker::~DownloadWorker() {
    m_receiver.reset();
    while (!stopAndWait(std::chrono::seconds(1))) {
    }
}

bool DownloadWorker::workerRunning() const {
    return m_thread != nullptr && m_thread->executing();
}

void DownloadWorker::releaseFinished() {
    if (m_thread != nullptr && !m_thread->executing()) {
        m_thread->wait();
        m_thread.reset();
    }
}

void DownloadWorker::startWorker(const DownloadJob& job) {
    releaseFinished();
    if (m_thread != nullptr)
        return;
    std::optional<std::string> ytDlpProgram;
    if (m_ytDlpProgram)
        ytDlpProgram = m_ytDlpProgram();
    std::optional<UpdateSettings> engineUpdates;
    if (m_engineUpdates)
        engineUpdates = m_engineUpdates();
    m_thread = std::make_unique<DownloadThread>(m_context, m_host, job, m_serviceHost,
                                                std::move(ytDlpProgram), std::move(engineUpdates));
    if (m_receiver != nullptr)
        QObject::connect(m_thread.get(), &QThread::finished, m_receiver.get(),
                         [this] { releaseFinished(); });
    m_thread->start(QThread::LowestPriority);
}

bool DownloadWorker::stopAndWait(std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    if (workerRunning())
        m_context.requestStop();
    while (workerRunning()) {
        if (deadline.hasExpired())
            return false;
        // The worker may be waiting for this thread to carry out a request.
        if (QCoreApplication::instance() != nullptr)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (m_thread != nullptr)
            m_thread->wait(QDeadlineTimer(std::min<qint64>(5, deadline.remainingTime())));
    }
    releaseFinished();
    return true;
}

} // namespace vantaro
