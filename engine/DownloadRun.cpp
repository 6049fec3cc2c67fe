// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DownloadRun.h"

#include "core/Constants.h"
#include "core/ProgramFolder.h"
#include "core/SystemReasons.h"
#include "engine/Conversion.h"
#include "engine/Resolver.h"
#include "engine/sources/DailymotionSource.h"
#include "engine/sources/ServiceSource.h"
#include "jobs/FormatCatalogue.h"

#include <system_error>
#include <utility>

namespace vantaro {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const char* keyword) {
    return text.find(keyword) != std::string::npos;
}

bool fileExists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

std::optional<fs::file_time_type> modificationTime(const std::string& path) {
    std::error_code ec;
    const fs::file_time_type time = fs::last_write_time(path, ec);
    if (ec)
        return std::nullopt;
    return time;
}

} // namespace

DownloadRun::DownloadRun(WorkerHost& host, RunContext& context, std::string serviceHost,
                         std::optional<std::string> ytDlpProgram,
                         std::optional<UpdateSettings> engineUpdates)
    : m_host(host), m_context(context), m_serviceHost(std::move(serviceHost)),
      m_ytDlp(context, std::move(ytDlpProgram), m_serviceHost, std::move(engineUpdates)) {}

void DownloadRun::status(WorkerText id) {
    m_host.setStatus(workerText(id, m_context.language(), m_values));
}

void DownloadRun::fetchPage(const std::string& link, const JobFiles& files, bool withTexts) {
    m_page.reset();
    if (contains(link, WatKeyword) && contains(link, Tf1Keyword))
        return;
    if (withTexts)
        status(WorkerText::PageFetching);
    m_page = fetchToFile(link, files.pageFile, m_host, m_context.stopToken(), m_context.language());
    if (withTexts) {
        status(WorkerText::PageFetched);
        status(WorkerText::LinkExtracting);
    }
}

std::vector<std::unique_ptr<MediaSource>> DownloadRun::sourcesFor(const std::string& link,
                                                                  bool viaYtDlp) {
    SourceRun& run = *this;
    std::vector<std::unique_ptr<MediaSource>> sources;
    if (viaYtDlp) {
        sources.push_back(std::make_unique<YtDlpSource>(run, m_ytDlp));
        return sources;
    }
    // A link may hold several keywords: each of their sources runs, in this order.
    if (contains(link, YouTubeKeyword))
        sources.push_back(std::make_unique<YouTubeSource>(run, m_serviceHost));
    if (contains(link, DailymotionKeyword))
        sources.push_back(std::make_unique<DailymotionSource>(run));
    if (contains(link, WatKeyword) || contains(link, Tf1Keyword))
        sources.push_back(std::make_unique<WatTf1Source>(run, m_serviceHost));
    return sources;
}

bool DownloadRun::carryOut(const std::string& link, const JobFiles& files, bool viaYtDlp) {
    m_viaYtDlp = viaYtDlp;
    const std::vector<std::unique_ptr<MediaSource>> sources = sourcesFor(link, viaYtDlp);
    if (sources.empty()) {
        // No source used the page: it must not stay beside the user's files.
        removeJobFile(files.pageFile);
        m_host.showMessage(
            MessageKind::Information,
            workerText(listMode() ? WorkerText::UnsupportedListLink : WorkerText::UnsupportedLink,
                       m_context.language()));
        status(WorkerText::Ready);
        return true;
    }
    for (const std::unique_ptr<MediaSource>& source : sources) {
        const std::optional<StepTexts> texts = source->fetchMedia(link, files);
        if (!texts)
            continue; // the source ended the link and told why
        if (!afterMediaFetch(files, *texts))
            return false;
        if (!m_summary.madeFile.empty())
            source->mediaMade(m_summary.madeFile);
    }
    return true;
}

bool DownloadRun::afterMediaFetch(const JobFiles& files, StepTexts texts) {
    if (m_context.stopRequested()) {
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
    if (m_context.stopRequested()) {
        m_summary.stopped = true;
        stopCleanup(files, output.value_or(std::string()));
        return false;
    }
    m_summary.madeFile = madeFile(result, before);
    return true;
}

std::string DownloadRun::madeFile(const std::string& output,
                                  const std::optional<fs::file_time_type>& before) const {
    std::error_code ec;
    if (output.empty() || !fs::is_regular_file(output, ec) || fs::file_size(output, ec) == 0 || ec)
        return {};
    if (before && modificationTime(output) == before)
        return {}; // there before, left as it was
    return output;
}

void DownloadRun::convertOrMove(const JobFiles& files) {
    if (m_values.formatName != "FLV") {
        convertMedia(files.downloadFile, files.base, m_values.formatName, m_host, m_context);
        return;
    }
    // yt-dlp's download is whatever the site served (MP4, WebM, Matroska): it becomes FLV.
    if (m_viaYtDlp) {
        convertToFlv(files.downloadFile, files.base, m_host, m_context);
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
void DownloadRun::stopCleanup(const JobFiles& files,
                              const std::optional<std::string>& createdOutput) {
    m_context.clearStop();
    status(WorkerText::Ready);
    m_host.setProgressPosition(m_host.progressMax());
    if (!createdOutput)
        removeJobFile(files.downloadFile);
    else if (!createdOutput->empty())
        removeJobFile(*createdOutput);
    m_host.stopCleanedUp(listMode() ? WorkMode::List : WorkMode::Single);
    if (listMode())
        m_context.setListRunning(false);
}

// An error that no step handled: the user is told, and the job ends.
void DownloadRun::failed(const std::exception* error, const JobFiles& files) {
    m_host.showMessage(MessageKind::Information,
                       workerText(WorkerText::DownloadFailed, m_context.language()) +
                           failureText(error, m_context.language()));
    endJob(files);
}

// The end of a link whose failure the user has been told: its temporary files go, and the run
// ends (single link) or goes on with the next row (list).
void DownloadRun::endJob(const JobFiles& files) {
    removeJobFile(files.pageFile);
    removeJobFile(ServiceReplyFileName);
    if (listMode()) {
        removeJobFile(files.downloadFile);
        status(WorkerText::Ready);
        m_host.rowDone();
    } else {
        stopCleanup(files, std::nullopt);
    }
}

void DownloadRun::single(const DownloadJob& job) {
    const std::string& link = job.videoUrl;
    m_values.formatName = job.formatName;
    m_context.currentJob().setFormatName(job.formatName);
    m_context.currentJob().setMp3Title(job.mp3Title);
    const JobFiles files(job.destinationPathName, job.destinationFileName);
    try {
        const bool viaYtDlp = m_ytDlp.takesOver(link, m_host);
        if (!viaYtDlp)
            fetchPage(link, files, true);
        if (!carryOut(link, files, viaYtDlp))
            return;
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
    m_host.linkDone();
    m_host.restoreMainWindow();
}

void DownloadRun::list() {
    m_summary.list = true;
    m_values.row = 1;
    m_total = m_values.total = m_host.listSize();
    m_context.setListRunning(true);
    while (m_host.listSize() > 0) {
        if (!takeListRow())
            return; // a stop cleanup ended the run
        ++(m_summary.madeFile.empty() ? m_summary.dropped : m_summary.made);
        m_host.deleteFirstListRow();
        m_values.row++;
        if (m_context.stopRequested()) {
            m_summary.stopped = true;
            // Stopped between rows: the window is given back, the token stays for the next start.
            m_host.listStoppedBetweenRows();
            m_context.setListRunning(false);
            return;
        }
    }
    endList();
}

// Carries out the first row of the list; false when a stop cleanup ended the run.
bool DownloadRun::takeListRow() {
    const ListRowTexts row = m_host.readListRow(1);
    m_values.formatName = row.formatName;
    m_context.currentJob().setFormatName(row.formatName);
    const JobFiles files(row.destinationPathName, row.destinationFileName);
    m_summary.madeFile.clear();
    m_page.reset();
    try {
        const bool viaYtDlp = m_ytDlp.takesOver(row.videoUrl, m_host);
        m_context.currentJob().setMp3Title(row.mp3Title);
        if (!row.videoUrl.empty() && isExistingDirectory(row.destinationPathName)) {
            m_host.rowTaken();
            if (!viaYtDlp)
                fetchPage(row.videoUrl, files, false);
            status(WorkerText::ListPageFetched);
            status(WorkerText::ListExtracting);
            if (!carryOut(row.videoUrl, files, viaYtDlp))
                return false;
            status(WorkerText::Ready);
            m_host.rowDone();
        }
    } catch (const IncompleteFetch&) {
        endJob(files);
    } catch (const std::exception& error) {
        failed(&error, files);
    } catch (...) {
        failed(nullptr, files);
    }
    return true;
}

void DownloadRun::endList() {
    m_context.setListRunning(false);
    m_host.restoreMainWindow();
    m_host.listEnded();
}

} // namespace vantaro
