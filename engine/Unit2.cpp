// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Unit2.h"

#include "core/ProgramFolder.h"
#include "core/SharedState.h"
#include "core/SystemReasons.h"
#include "engine/Conversion.h"
#include "engine/DailymotionLink.h"
#include "engine/Fetch.h"
#include "engine/Mp3Tagging.h"
#include "engine/ProgressThrottle.h"
#include "engine/Resolver.h"
#include "engine/WorkerTexts.h"
#include "engine/YtDlpSource.h"
#include "jobs/FormatCatalogue.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

namespace vantaro {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const char* keyword) {
    return text.find(keyword) != std::string::npos;
}

// Removes a file; a folder of that name is left alone.
void removeFile(const std::string& path) {
    std::error_code ignored;
    if (!fs::is_directory(fs::symlink_status(path, ignored)))
        fs::remove(path, ignored);
}

bool fileExists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

// The files of one link: the output path without extension and the temporary files beside it.
struct JobFiles {
    JobFiles(const std::string& folder, const std::string& fileName)
        : base(jobBase(folder, fileName)), pageFile(base + "xxx.txt"),
          downloadFile(base + "xxx.flv") {}
    std::string base;
    std::string pageFile;
    std::string downloadFile;
};

// A fetch the job needed did not deliver its whole body, and no stop cut it: the fetch has
// already shown why, and the job ends there.
struct IncompleteFetch {};

// The texts one site path shows before its media fetch and before its conversion.
struct PathTexts {
    WorkerText fetching;
    WorkerText converting;
};

// One run of the worker: the mode's procedure, its stop cleanups and its error handling.
class WorkerRun {
public:
    WorkerRun(WorkerHost& host, std::string serviceHost, std::optional<std::string> ytDlpProgram)
        : m_host(host), m_serviceHost(std::move(serviceHost)),
          m_ytDlp(std::move(ytDlpProgram), m_serviceHost) {}

    void single(const DownloadJob& job);
    void list();
    const WorkSummary& summary() const { return m_summary; }

private:
    bool listMode() const { return m_total >= 0; }
    void status(WorkerText id) { m_host.setStatus(workerText(id, m_values)); }

    void fetchPage(const std::string& link, const JobFiles& files, bool withTexts);
    // The three site paths in turn; false when a stop cleanup ended the run.
    bool sitePaths(const std::string& link, const JobFiles& files);
    bool youTubePath(const std::string& link, const JobFiles& files);
    bool dailymotionPath(const JobFiles& files);
    bool watTf1Path(const std::string& link, const JobFiles& files);
    // Resolves a link; in single-link mode an error reply is reported and nullopt returned.
    std::optional<std::string> resolve(const std::string& link);
    // Fetches the media and converts it, with a stop check after each; false after a cleanup.
    bool fetchAndConvert(const std::string& mediaLink, const JobFiles& files, PathTexts texts);
    // The media of the page link through yt-dlp, then as after every media fetch.
    bool ytDlpPath(const std::string& link, const JobFiles& files);
    bool afterMediaFetch(const JobFiles& files, PathTexts texts);
    void convertOrMove(const JobFiles& files);
    void stopCleanup(const JobFiles& files, const std::optional<std::string>& createdOutput);
    void failed(const std::exception* error, const JobFiles& files);
    void endJob(const JobFiles& files);
    void endList();
    // The file this link made, when its conversion or move left one (empty otherwise).
    std::string madeFile(const std::string& output,
                         const std::optional<fs::file_time_type>& before) const;

    WorkerHost& m_host;
    std::string m_serviceHost;
    YtDlpRoad m_ytDlp;
    WorkerTextValues m_values;
    int m_total = -1; // the list's row count when it started; -1 in single-link mode
    // How the page fetch of the current link ended; nothing when the link has none.
    std::optional<FetchResult> m_page;
    WorkSummary m_summary;
};

std::optional<fs::file_time_type> modificationTime(const std::string& path) {
    std::error_code ec;
    const fs::file_time_type time = fs::last_write_time(path, ec);
    if (ec)
        return std::nullopt;
    return time;
}

void WorkerRun::fetchPage(const std::string& link, const JobFiles& files, bool withTexts) {
    m_page.reset();
    if (contains(link, WatKeyword) && contains(link, Tf1Keyword))
        return;
    if (withTexts)
        status(WorkerText::PageFetching);
    m_page = FetchToFile(link, files.pageFile, m_host);
    if (withTexts) {
        status(WorkerText::PageFetched);
        status(WorkerText::LinkExtracting);
    }
}

bool WorkerRun::sitePaths(const std::string& link, const JobFiles& files) {
    if (contains(link, YouTubeKeyword) && !youTubePath(link, files))
        return false;
    if (contains(link, DailymotionKeyword) && !dailymotionPath(files))
        return false;
    if ((contains(link, WatKeyword) || contains(link, Tf1Keyword)) && !watTf1Path(link, files))
        return false;
    if (!contains(link, YouTubeKeyword) && !contains(link, DailymotionKeyword) &&
        !contains(link, WatKeyword) && !contains(link, Tf1Keyword)) {
        // No path used the page source: it must not stay beside the user's files.
        removeFile(files.pageFile);
        m_host.showMessage(
            MessageKind::Information,
            workerText(listMode() ? WorkerText::UnsupportedListLink : WorkerText::UnsupportedLink));
        status(WorkerText::Ready);
    }
    return true;
}

bool WorkerRun::youTubePath(const std::string& link, const JobFiles& files) {
    removeFile(files.pageFile);
    const std::optional<std::string> media = resolve(link);
    if (!media)
        return true;
    if (listMode())
        return fetchAndConvert(*media, files,
                               {WorkerText::ListVideoFetching, WorkerText::ListConverting});
    return fetchAndConvert(*media, files, {WorkerText::VideoFetching, WorkerText::ConvertingWait});
}

bool WorkerRun::dailymotionPath(const JobFiles& files) {
    // Half a page may still offer a link, only not the one the whole page would have given.
    if (m_page && *m_page != FetchResult::Whole && !StopRequested.load())
        throw IncompleteFetch{};
    const std::string media = ExtractDailymotionLink(files.pageFile, m_host);
    if (listMode())
        return fetchAndConvert(media, files,
                               {WorkerText::ListVideoFetching, WorkerText::ListConverting});
    return fetchAndConvert(media, files, {WorkerText::VideoFetching, WorkerText::Converting});
}

bool WorkerRun::watTf1Path(const std::string& link, const JobFiles& files) {
    if (!listMode())
        status(WorkerText::WatTf1Source);
    removeFile(files.pageFile);
    const std::optional<std::string> media = resolve(link);
    if (!media)
        return true;
    return fetchAndConvert(*media, files, {WorkerText::VideoFetching, WorkerText::Converting});
}

std::optional<std::string> WorkerRun::resolve(const std::string& link) {
    std::optional<std::string> answer = ResolveLink(link, m_host, m_serviceHost);
    // The last line of a cut reply is no answer. A stop is seen after the media fetch, as ever.
    if (!answer && !StopRequested.load())
        throw IncompleteFetch{};
    std::string reply = answer.value_or(std::string());
    if (!listMode() && contains(reply, "ERROR")) {
        ReportResolverError(reply, m_host);
        status(WorkerText::Ready);
        return std::nullopt;
    }
    return reply;
}

bool WorkerRun::fetchAndConvert(const std::string& mediaLink, const JobFiles& files,
                                PathTexts texts) {
    status(texts.fetching);
    const FetchResult fetched = FetchToFile(mediaLink, files.downloadFile, m_host);
    // Neither converted nor kept: a download that did not arrive whole is not the video.
    if (fetched != FetchResult::Whole && !StopRequested.load())
        throw IncompleteFetch{};
    return afterMediaFetch(files, texts);
}

bool WorkerRun::ytDlpPath(const std::string& link, const JobFiles& files) {
    const PathTexts texts =
        listMode() ? PathTexts{WorkerText::ListVideoFetching, WorkerText::ListConverting}
                   : PathTexts{WorkerText::VideoFetching, WorkerText::Converting};
    status(texts.fetching);
    // The work folder holds the thumbnail and serves the tagging pass; it goes with `media`,
    // however this link ends.
    const YtDlpMedia media = m_ytDlp.fetch(link, files.downloadFile, m_values.formatName, m_host);
    if (!afterMediaFetch(files, texts))
        return false;
    // The artist and the cover join an MP3 this run made; without them it stays as made.
    if (m_values.formatName == "MP3" && !m_summary.madeFile.empty() && media.workFolder)
        tagMp3(m_summary.madeFile, media.uploader, media.coverFile, media.workFolder->path());
    return true;
}

bool WorkerRun::afterMediaFetch(const JobFiles& files, PathTexts texts) {
    if (StopRequested.load()) {
        m_summary.stopped = true;
        stopCleanup(files, std::nullopt);
        return false;
    }
    status(texts.converting);
    // Only an output file that this conversion creates may be deleted by a stop.
    std::optional<std::string> output = outputFile(m_values.formatName, files.base);
    if (output && fileExists(*output))
        output.reset();
    const std::string result =
        m_values.formatName == "FLV"
            ? files.base + ".flv"
            : outputFile(m_values.formatName, files.base).value_or(std::string());
    const std::optional<fs::file_time_type> before = modificationTime(result);
    convertOrMove(files);
    if (StopRequested.load()) {
        m_summary.stopped = true;
        stopCleanup(files, output.value_or(std::string()));
        return false;
    }
    m_summary.madeFile = madeFile(result, before);
    return true;
}

std::string WorkerRun::madeFile(const std::string& output,
                                const std::optional<fs::file_time_type>& before) const {
    std::error_code ec;
    if (output.empty() || !fs::is_regular_file(output, ec) || fs::file_size(output, ec) == 0 || ec)
        return {};
    if (before && modificationTime(output) == before)
        return {}; // there before, left as it was
    return output;
}

void WorkerRun::convertOrMove(const JobFiles& files) {
    if (m_values.formatName != "FLV") {
        ConvertMedia(files.downloadFile, files.base, m_values.formatName, m_host);
        return;
    }
    // A plain move that never replaces an existing result: the download then keeps its name.
    const std::string result = files.base + ".flv";
    if (fileExists(result))
        return;
    std::error_code ignored;
    fs::rename(files.downloadFile, result, ignored);
}

// After the media fetch (no output yet) or after the conversion (the output it created, or an
// empty text when it created none).
void WorkerRun::stopCleanup(const JobFiles& files,
                            const std::optional<std::string>& createdOutput) {
    StopRequested = false;
    status(WorkerText::Ready);
    m_host.setProgressPosition(m_host.progressMax());
    if (listMode())
        m_host.setControlEnabled(WorkerControl::StringGrid1, true);
    if (!createdOutput)
        removeFile(files.downloadFile);
    else if (!createdOutput->empty())
        removeFile(*createdOutput);
    if (listMode()) {
        m_host.setControlEnabled(WorkerControl::Button7, true);
        m_host.setControlEnabled(WorkerControl::Button6, true);
        m_host.setControlEnabled(WorkerControl::Button5, false);
        ListRunning = false;
    } else {
        m_host.setControlEnabled(WorkerControl::Button4, true);
        m_host.setControlEnabled(WorkerControl::Button5, false);
    }
}

// An error that no step handled: the user is told, and the job ends.
void WorkerRun::failed(const std::exception* error, const JobFiles& files) {
    m_host.showMessage(MessageKind::Information,
                       workerText(WorkerText::DownloadFailed) +
                           failureText(error, languageFromCode(LanguageCode)));
    endJob(files);
}

// The end of a link whose failure the user has been told: its temporary files go, and the run
// ends (single link) or goes on with the next row (list).
void WorkerRun::endJob(const JobFiles& files) {
    removeFile(files.pageFile);
    removeFile(ServiceReplyFileName);
    if (listMode()) {
        removeFile(files.downloadFile);
        status(WorkerText::Ready);
        m_host.setControlEnabled(WorkerControl::StringGrid1, true);
    } else {
        stopCleanup(files, std::nullopt);
    }
}

void WorkerRun::single(const DownloadJob& job) {
    m_host.setControlEnabled(WorkerControl::Button4, false);
    const std::string& link = job.videoUrl;
    m_values.formatName = job.formatName;
    CurrentJob.setFormatName(job.formatName);
    CurrentJob.setMp3Title(job.mp3Title);
    const JobFiles files(job.destinationPathName, job.destinationFileName);
    try {
        if (m_ytDlp.takesOver(link, m_host)) {
            if (!ytDlpPath(link, files))
                return;
        } else {
            fetchPage(link, files, true);
            if (!sitePaths(link, files))
                return;
        }
    } catch (const IncompleteFetch&) {
        endJob(files);
        return;
    } catch (const std::exception& error) {
        failed(&error, files);
        return;
    } catch (...) {
        failed(nullptr, files);
        return;
    }
    status(WorkerText::Ready);
    m_host.setControlEnabled(WorkerControl::Button4, true);
    m_host.restoreMainWindow();
}

void WorkerRun::list() {
    m_host.scrollListToTop();
    m_host.setControlEnabled(WorkerControl::Button7, false);
    m_host.setControlEnabled(WorkerControl::Button6, false);
    m_summary.list = true;
    m_values.row = 1;
    m_total = m_values.total = m_host.listRowCount() - 2;
    ListRunning = true;
    while (m_host.listRowCount() > 2) {
        const ListRowTexts row = m_host.readListRow(1);
        m_values.formatName = row.formatName;
        CurrentJob.setFormatName(row.formatName);
        const JobFiles files(row.destinationPathName, row.destinationFileName);
        m_summary.madeFile.clear();
        m_page.reset();
        try {
            const bool viaYtDlp = m_ytDlp.takesOver(row.videoUrl, m_host);
            CurrentJob.setMp3Title(row.mp3Title);
            if (!row.videoUrl.empty() && isExistingDirectory(row.destinationPathName)) {
                m_host.setControlEnabled(WorkerControl::StringGrid1, false);
                if (!viaYtDlp)
                    fetchPage(row.videoUrl, files, false);
                status(WorkerText::ListPageFetched);
                status(WorkerText::ListExtracting);
                if (!(viaYtDlp ? ytDlpPath(row.videoUrl, files) : sitePaths(row.videoUrl, files)))
                    return; // stopped
                status(WorkerText::Ready);
                m_host.setControlEnabled(WorkerControl::StringGrid1, true);
            }
        } catch (const IncompleteFetch&) {
            endJob(files);
        } catch (const std::exception& error) {
            failed(&error, files);
        } catch (...) {
            failed(nullptr, files);
        }
        ++(m_summary.madeFile.empty() ? m_summary.dropped : m_summary.made);
        m_host.deleteFirstListRow();
        m_values.row++;
        if (StopRequested.load()) {
            m_summary.stopped = true;
            // Stopped between rows: the controls come back, the flag stays for the next start.
            m_host.setControlEnabled(WorkerControl::StringGrid1, true);
            m_host.setControlEnabled(WorkerControl::Button7, true);
            m_host.setControlEnabled(WorkerControl::Button6, true);
            ListRunning = false;
            return;
        }
    }
    endList();
}

void WorkerRun::endList() {
    ListRunning = false;
    m_host.restoreMainWindow();
    m_host.setControlEnabled(WorkerControl::Button7, true);
    m_host.setControlEnabled(WorkerControl::Button6, true);
    m_host.setControlEnabled(WorkerControl::StringGrid1, true);
    m_host.setControlEnabled(WorkerControl::Button5, false);
}

} // namespace

MonThread::MonThread(WorkerHost& host, DownloadJob job, std::string serviceHost,
                     std::optional<std::string> ytDlpProgram)
    : m_host(host), m_job(std::move(job)), m_serviceHost(std::move(serviceHost)),
      m_ytDlpProgram(std::move(ytDlpProgram)) {}

MonThread::~MonThread() {
    wait();
}

void MonThread::Execute() {
    ProgressThrottle host(m_host);
    const int mode = WorkMode.load();
    host.setControlEnabled(WorkerControl::Button5, true);
    WorkerRun run(host, m_serviceHost, m_ytDlpProgram);
    if (mode == WorkModeSingle)
        run.single(m_job);
    else if (mode == WorkModeList)
        run.list();
    host.workEnded(run.summary());
    host.flush();
}

void MonThread::run() {
    try {
        Execute();
    } catch (...) {
        // A host that failed mid-request: nothing more can be shown; the worker ends, and no
        // list is running any more.
        ListRunning = false;
    }
    m_executing = false;
}

DownloadWorker::DownloadWorker(WorkerHost& host, std::string serviceHost)
    : m_host(host), m_serviceHost(std::move(serviceHost)), m_context(std::make_unique<QObject>()) {}

DownloadWorker::~DownloadWorker() {
    m_context.reset();
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
    m_thread = std::make_unique<MonThread>(m_host, job, m_serviceHost, std::move(ytDlpProgram));
    if (m_context != nullptr)
        QObject::connect(m_thread.get(), &QThread::finished, m_context.get(),
                         [this] { releaseFinished(); });
    m_thread->start(QThread::LowestPriority);
}

bool DownloadWorker::stopAndWait(std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    if (workerRunning())
        StopRequested = true;
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

void Button5Click(StopCommandHost& host) {
    StopRequested = true;
    host.setControlEnabled(WorkerControl::Button7, true);
    host.setControlEnabled(WorkerControl::Button6, true);
    host.setControlEnabled(WorkerControl::Button5, false);
    host.restoreWaveVolume();
}

void Button10Click() {
    StopRequested = true;
}

} // namespace vantaro
