// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Constants.h"
#include "core/RunContext.h"
#include "engine/WorkerHost.h"
#include "engine/sources/MediaSource.h"
#include "engine/sources/YtDlpEngine.h"
#include "update/EngineUpdater.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class QProcess;

namespace vantaro {

// The program used when the preferences name none: yt-dlp as found on PATH.
inline constexpr const char* DefaultYtDlpProgram = "yt-dlp";

// yt-dlp ended with an error; what() is its own reason (its last "ERROR:" line, less the prefix).
class YtDlpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Bytes received and the total announced or estimated (0 when unknown), from one progress line.
struct YtDlpProgress {
    std::int64_t received = 0;
    std::int64_t total = 0;
};

// The arguments of one download, run in the job's work folder: the link always last, after "--",
// so that no link is ever read as an option. Every name yt-dlp writes is one of ours, relative
// to that folder; nothing of the link or of the job's names is in them. versionArguments are
// those the yt-dlp that runs calls for.
std::vector<std::string> ytDlpArguments(const std::string& link, const std::string& formatName,
                                        const std::vector<std::string>& versionArguments = {});
// The progress line our template makes (numbers or "NA" only), or nullopt for any other line.
std::optional<YtDlpProgress> parseYtDlpProgress(std::string_view line);
// The reason of an "ERROR: " line, or nullopt for any other line.
std::optional<std::string> ytDlpErrorReason(std::string_view line);
// The text of a line holding one JSON string and nothing else (a final line break aside), as
// yt-dlp's "j" conversion writes it; nullopt for anything else, "null" included.
std::optional<std::string> parseYtDlpJsonString(std::string_view line);
// The path yt-dlp reported, resolved (links followed), when it is a regular file inside folder;
// nullopt when it lies anywhere else.
std::optional<std::string> fileInsideFolder(const std::string& folder, const std::string& reported);

// A folder of one job's own, made with mkdtemp inside a given folder (so that a file leaves it by
// a rename) and removed whole, without following links, when the object goes.
class JobWorkFolder {
public:
    // Throws SystemFailure when the folder cannot be made.
    explicit JobWorkFolder(const std::string& parent);
    ~JobWorkFolder();
    JobWorkFolder(const JobWorkFolder&) = delete;
    JobWorkFolder& operator=(const JobWorkFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// The configured program, or the default one when none is named.
std::string ytDlpProgramOrDefault(const std::string& program);

// True when the program starts and answers --version; a stop flag set meanwhile ends the wait.
bool ytDlpAnswers(const std::string& program, const std::atomic<bool>& stop);

// Sets the process, before its start, to lead a process group of its own, so that
// endProcessGroup ends it with everything it started; it also dies with the thread that
// started it should the program be killed. Once the process has ended, whatever it left
// running in its group is ended too.
void startInOwnGroup(QProcess& process);
// Kills the process group of a process started with startInOwnGroup and reaps the process.
void endProcessGroup(QProcess& process);

// What a download learnt of the media besides its bytes, and the job's work folder, which holds
// the thumbnail and serves the tagging pass; it goes with the object.
struct YtDlpMedia {
    std::string uploader;  // cleaned for a tag; empty when the site names none
    std::string coverFile; // the thumbnail in the work folder; empty when none came
    std::unique_ptr<JobWorkFolder> workFolder; // null after a stop
};

// Downloads the media of a page link with yt-dlp into a work folder of the job's own beside
// downloadFile, driving the host's progress bar with its byte counts, and moves the file yt-dlp
// made to downloadFile. The stop token ends yt-dlp and every process it started and returns
// (downloadFile, when it is there, is the caller's to delete). Throws YtDlpError when yt-dlp
// fails, cannot be started or names a file outside the work folder, SystemFailure when the
// folder cannot be made or the file moved. Whatever the end, nothing but the work folder and
// downloadFile is written or removed.
YtDlpMedia fetchWithYtDlp(const std::string& program, const std::string& link,
                          const std::string& downloadFile, const std::string& formatName,
                          WorkerHost& host, const std::atomic<bool>& stop,
                          const std::vector<std::string>& versionArguments = {});

// The worker's choice between the site paths and yt-dlp, for one run. A job takes yt-dlp when a
// yt-dlp program is available and its link holds a site keyword and either is an https link
// (which the fetch cannot get) or is an http link whose report to the maker's service failed.
// The yt-dlp is chosen and asked its version once a run, when a job first needs it. With update
// settings, a run whose yt-dlp is missing, too old or failing like an old copy asks the user
// once whether to download the program's own copy, and goes on with it.
class YtDlpRoad {
public:
    // program: the configured program, empty for none; nullopt: the road is closed. updates:
    // where the program's own copy comes from; nullopt: no copy is offered.
    YtDlpRoad(RunContext& context, std::optional<std::string> program,
              std::string serviceHost = MakerHost,
              std::optional<UpdateSettings> updates = std::nullopt);

    // Reports the link as every job does (quietly when yt-dlp may take over) and tells whether
    // the job takes yt-dlp. When it does not, the report's outcome was shown as always.
    bool takesOver(const std::string& link, WorkerHost& host);
    YtDlpMedia fetch(const std::string& link, const std::string& downloadFile,
                     const std::string& formatName, WorkerHost& host);

private:
    bool available(WorkerHost& host);
    void choose();
    // Asks once a run whether to fetch the program's own yt-dlp (text goes before the
    // question) and fetches it on Yes; true when a new copy is now in use.
    bool offerNewCopy(WorkerHost& host, YtDlpOffer offer, const std::string& text = {});
    bool mayOffer() const;

    RunContext& m_context;
    std::optional<std::string> m_program;
    std::string m_serviceHost;
    std::optional<UpdateSettings> m_updates;
    std::optional<YtDlpEngine> m_engine; // asked once, the first time a job needs it
    bool m_chosenByKey = false;          // the configured program runs, not a copy we own
    bool m_offered = false;
};

// The media of a page link through yt-dlp, for a job the road has taken over. An MP3 made of it
// gets the artist and the cover yt-dlp found.
class YtDlpSource : public MediaSource {
public:
    YtDlpSource(SourceRun& run, YtDlpRoad& road) : m_run(run), m_road(road) {}
    std::optional<StepTexts> fetchMedia(const std::string& link, const JobFiles& files) override;
    void mediaMade(const std::string& file) override;

private:
    SourceRun& m_run;
    YtDlpRoad& m_road;
    // The work folder holds the thumbnail and serves the tagging pass; it goes with the source,
    // however the link ends.
    YtDlpMedia m_media;
};

} // namespace vantaro
