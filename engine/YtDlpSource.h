// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Constants.h"
#include "core/SharedState.h"
#include "engine/WorkerHost.h"

#include <atomic>
#include <cstdint>
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

// The arguments of one download: the link always last, after "--", so that no link is ever read
// as an option; outputName is the name yt-dlp writes, relative to its working folder.
std::vector<std::string> ytDlpArguments(const std::string& link, const std::string& outputName,
                                        const std::string& formatName);
// The progress line our template makes, or nullopt for any other line.
std::optional<YtDlpProgress> parseYtDlpProgress(std::string_view line);
// The reason of an "ERROR: " line, or nullopt for any other line.
std::optional<std::string> ytDlpErrorReason(std::string_view line);

// Removes every file of the download file's folder whose name starts with the download file's
// name, except the download file itself: the partial files yt-dlp leaves behind.
void removePartialFiles(const std::string& downloadFile);

// The configured program, or the default one when none is named.
std::string ytDlpProgramOrDefault(const std::string& program);

// True when the program starts and answers --version; a stop flag set meanwhile ends the wait.
bool ytDlpAnswers(const std::string& program, const std::atomic<bool>& stop = StopRequested);

// Sets the process, before its start, to lead a process group of its own, so that
// endProcessGroup ends it with everything it started; it also dies with the thread that
// started it should the program be killed.
void startInOwnGroup(QProcess& process);
// Kills the process group of a process started with startInOwnGroup and reaps the process.
void endProcessGroup(QProcess& process);

// What a download learnt of the media besides its bytes.
struct YtDlpMedia {
    std::string uploader;  // empty when the site names none
    std::string coverFile; // the thumbnail written beside the download; empty when none came
};

// Downloads the media of a page link into downloadFile with yt-dlp, driving the host's progress
// bar with its byte counts, and writes its thumbnail beside it when there is one (the caller
// deletes it). StopRequested ends yt-dlp and every process it started and returns (the download
// file, partial or absent, is the caller's to delete). Throws YtDlpError when yt-dlp fails or
// cannot be started; its temporary files are gone by then.
YtDlpMedia FetchWithYtDlp(const std::string& program, const std::string& link,
                          const std::string& downloadFile, const std::string& formatName,
                          WorkerHost& host);

// The worker's choice between the site paths and yt-dlp, for one run. A job takes yt-dlp when a
// yt-dlp program is available and its link holds a site keyword and either is an https link
// (which the fetch cannot get) or is an http link whose report to the maker's service failed.
class YtDlpRoad {
public:
    // program: the configured program, empty for the default; nullopt: the road is closed.
    explicit YtDlpRoad(std::optional<std::string> program, std::string serviceHost = MakerHost);

    // Reports the link as every job does (quietly when yt-dlp may take over) and tells whether
    // the job takes yt-dlp. When it does not, the report's outcome was shown as always.
    bool takesOver(const std::string& link, WorkerHost& host);
    YtDlpMedia fetch(const std::string& link, const std::string& downloadFile,
                     const std::string& formatName, WorkerHost& host);

private:
    bool available();

    std::optional<std::string> m_program;
    std::string m_serviceHost;
    std::optional<bool> m_available; // asked once, the first time a job needs it
};

} // namespace vantaro
