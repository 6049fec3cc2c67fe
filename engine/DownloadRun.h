// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/RunContext.h"
#include "engine/Fetch.h"
#include "engine/WorkerHost.h"
#include "engine/WorkerTexts.h"
#include "engine/sources/MediaSource.h"
#include "engine/sources/YtDlpSource.h"
#include "jobs/DownloadJob.h"

#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantaro {

// One run of the download worker: the mode's procedure, the choice of a media source for each
// link, the conversion after the media fetch, the stop cleanups and the error handling.
class DownloadRun : private SourceRun {
public:
    // ytDlpProgram: the yt-dlp program that may take jobs over (empty: the default one), or
    // nullopt when none may; engineUpdates where a new yt-dlp may come from, nullopt for none.
    DownloadRun(WorkerHost& host, RunContext& context, std::string serviceHost,
                std::optional<std::string> ytDlpProgram,
                std::optional<UpdateSettings> engineUpdates = std::nullopt);

    void single(const DownloadJob& job);
    void list();
    const WorkSummary& summary() const { return m_summary; }

private:
    // SourceRun
    WorkerHost& host() override { return m_host; }
    RunContext& context() override { return m_context; }
    bool listMode() const override { return m_total >= 0; }
    const std::string& formatName() const override { return m_values.formatName; }
    void status(WorkerText id) override;
    std::optional<FetchResult> pageFetch() const override { return m_page; }

    void fetchPage(const std::string& link, const JobFiles& files, bool withTexts);
    // The sources of a link, in the order they run: yt-dlp alone when it took the job over,
    // else each site whose keyword the link holds; none for a link of no known site.
    std::vector<std::unique_ptr<MediaSource>> sourcesFor(const std::string& link, bool viaYtDlp);
    // Carries the link out through its sources; false when a stop cleanup ended the run.
    bool carryOut(const std::string& link, const JobFiles& files, bool viaYtDlp);
    bool afterMediaFetch(const JobFiles& files, StepTexts texts);
    void convertOrMove(const JobFiles& files);
    void stopCleanup(const JobFiles& files, const std::optional<std::string>& createdOutput);
    void failed(const std::exception* error, const JobFiles& files);
    void endJob(const JobFiles& files);
    bool takeListRow();
    void endList();
    // The file this link made, when its conversion or move left one (empty otherwise).
    std::string madeFile(const std::string& output,
                         const std::optional<std::filesystem::file_time_type>& before) const;

    WorkerHost& m_host;
    RunContext& m_context;
    std::string m_serviceHost;
    YtDlpRoad m_ytDlp;
    bool m_viaYtDlp = false; // the current link came through yt-dlp
    WorkerTextValues m_values;
    int m_total = -1; // the list's size when it started; -1 in single-link mode
    // How the page fetch of the current link ended; nothing when the link has none.
    std::optional<FetchResult> m_page;
    WorkSummary m_summary;
};

} // namespace vantaro
