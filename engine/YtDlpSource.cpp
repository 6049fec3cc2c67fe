// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/YtDlpSource.h"

#include "core/SharedState.h"
#include "engine/Fetch.h"
#include "engine/Resolver.h"
#include "jobs/SiteKind.h"

#include <QProcess>
#include <QStringList>

#include <csignal>
#include <filesystem>
#include <sys/prctl.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace vantaro {
namespace {

namespace fs = std::filesystem;

constexpr const char* ProgressMark = "vantaro-progress ";
constexpr const char* FileMark = "vantaro-file ";
constexpr const char* UploaderMark = "vantaro-uploader ";
constexpr const char* CoverSuffix = "-cover"; // the thumbnail's name: the download's stem and this
constexpr const char* ErrorMark = "ERROR: ";
constexpr int StopPollMs = 20; // StopRequested is looked at this often while yt-dlp runs
constexpr int VersionWaitMs = 30000;

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// yt-dlp reads its output name as a template: "%" must be doubled to be taken literally.
std::string literalTemplate(const std::string& name) {
    std::string escaped;
    for (const char c : name) {
        escaped += c;
        if (c == '%')
            escaped += '%';
    }
    return escaped;
}

// yt-dlp also expands "~" at the start of a name and "$NAME" anywhere in it. Such a name is
// downloaded under a plain one and then given its own.
bool expandsInYtDlp(const std::string& name) {
    return name.find('$') != std::string::npos || startsWith(name, "~");
}

std::optional<std::int64_t> number(std::string_view text) {
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

QStringList qtArguments(const std::vector<std::string>& arguments) {
    QStringList list;
    for (const std::string& argument : arguments)
        list.push_back(QString::fromStdString(argument));
    return list;
}

// One yt-dlp run: reads its lines as they come, drives the progress bar and keeps its reason.
class YtDlpRun {
public:
    YtDlpRun(WorkerHost& host) : m_host(host) {}

    // True when yt-dlp ran to its end, false after a stop.
    bool run(const std::string& program, const std::vector<std::string>& arguments,
             const std::string& folder);
    bool succeeded() const {
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    std::string failureReason() const;
    const std::string& finalPath() const { return m_finalPath; }
    const std::string& uploader() const { return m_uploader; }

private:
    void readLines();
    void line(std::string_view text);

    WorkerHost& m_host;
    QProcess m_process;
    std::string m_program;
    std::string m_reason;
    std::string m_finalPath;
    std::string m_uploader;
    std::int64_t m_total = -1;
};

bool YtDlpRun::run(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& folder) {
    m_program = program;
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setWorkingDirectory(QString::fromStdString(folder));
    startInOwnGroup(m_process);
    m_process.start(QString::fromStdString(program), qtArguments(arguments), QIODevice::ReadOnly);
    if (!m_process.waitForStarted(-1))
        throw YtDlpError("cannot start " + program);
    while (m_process.state() != QProcess::NotRunning) {
        if (StopRequested.load()) {
            endProcessGroup(m_process);
            return false;
        }
        m_process.waitForReadyRead(StopPollMs);
        readLines();
    }
    m_process.waitForFinished(-1);
    readLines();
    const QByteArray rest = m_process.readAll();
    line(std::string_view(rest.constData(), static_cast<std::size_t>(rest.size())));
    return true;
}

void YtDlpRun::readLines() {
    while (m_process.canReadLine()) {
        QByteArray text = m_process.readLine();
        while (!text.isEmpty() && (text.back() == '\n' || text.back() == '\r'))
            text.chop(1);
        line(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    }
}

void YtDlpRun::line(std::string_view text) {
    if (const std::optional<YtDlpProgress> progress = parseYtDlpProgress(text)) {
        // A new total (a second stream of a merge, or a better estimate) starts a new count.
        if (progress->total != m_total) {
            m_total = progress->total;
            m_host.setProgressMax(m_total);
        }
        m_host.setProgressPosition(progress->received);
    } else if (startsWith(text, FileMark)) {
        m_finalPath = std::string(text.substr(std::string_view(FileMark).size()));
    } else if (startsWith(text, UploaderMark)) {
        m_uploader = std::string(text.substr(std::string_view(UploaderMark).size()));
    } else if (std::optional<std::string> reason = ytDlpErrorReason(text)) {
        m_reason = std::move(*reason);
    }
}

std::string YtDlpRun::failureReason() const {
    if (!m_reason.empty())
        return m_reason;
    if (m_process.exitStatus() != QProcess::NormalExit)
        return m_program + " crashed";
    return m_program + " ended with code " + std::to_string(m_process.exitCode());
}

void removeFile(const fs::path& path) {
    std::error_code ignored;
    if (!fs::is_directory(fs::symlink_status(path, ignored)))
        fs::remove(path, ignored);
}

// The download's name less its extension: the cover is named after it, and so does not start
// with the download's whole name, which the partial files' cleanup looks for.
std::string coverStem(const std::string& outputName) {
    return fs::path(outputName).stem().string() + CoverSuffix;
}

// The thumbnail yt-dlp wrote for this download (it adds the picture's own extension).
std::string findCover(const fs::path& folder, const std::string& outputName) {
    const std::string prefix = coverStem(outputName) + ".";
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (startsWith(it->path().filename().string(), prefix) &&
            fs::is_regular_file(it->symlink_status(error)))
            return it->path().string();
    }
    return {};
}

} // namespace

std::vector<std::string> ytDlpArguments(const std::string& link, const std::string& outputName,
                                        const std::string& formatName) {
    // Formats: for a sound-only result the best audio stream, else the best file with sound.
    // For a video result the best single file holding both video and sound; where a site
    // serves them apart only, the best video and the best audio merged by ffmpeg into a
    // Matroska file, which holds any pair of codecs. The converter reads the content whatever
    // the name says.
    const bool soundOnly = formatName == "MP3" || formatName == "WAVE";
    std::vector<std::string> arguments = {
        // Only what is given here counts, never a configuration file of the user's.
        "--ignore-config", "--no-playlist", "--no-mtime",
        // A download file left by an earlier run must not be taken for this one.
        "--force-overwrites",
        // The first read is larger than the default kilobyte; yt-dlp then sizes its reads to
        // the speed it sees, so a slow link still moves the progress bar often.
        "--buffer-size", "16K"};
    const std::vector<std::string> output = {
        // One line per progress report and the final file's path, nothing else on stdout.
        "--newline",
        "--no-simulate",
        "--progress",
        "--progress-template",
        std::string("download:") + ProgressMark +
            "%(progress.downloaded_bytes)s %(progress.total_bytes)s "
            "%(progress.total_bytes_estimate)s",
        "--print",
        std::string("after_move:") + FileMark + "%(filepath)s",
        "--print",
        std::string("after_move:") + UploaderMark + "%(uploader|)s"};
    const std::vector<std::string> media = {
        "--format", soundOnly ? "ba/b" : "b/bv*+ba", "--merge-output-format", "mkv",
        "--output", literalTemplate(outputName)};
    arguments.insert(arguments.end(), output.begin(), output.end());
    arguments.insert(arguments.end(), media.begin(), media.end());
    // The thumbnail, when the page has one, becomes the cover of an MP3.
    if (formatName == "MP3")
        arguments.insert(arguments.end(), {"--write-thumbnail", "--output",
                                           "thumbnail:" + literalTemplate(coverStem(outputName))});
    // Whatever the link holds, it is read as a link.
    arguments.insert(arguments.end(), {"--", link});
    return arguments;
}

std::optional<YtDlpProgress> parseYtDlpProgress(std::string_view line) {
    if (!startsWith(line, ProgressMark))
        return std::nullopt;
    line.remove_prefix(std::string_view(ProgressMark).size());
    std::vector<std::string_view> fields;
    while (!line.empty()) {
        const std::size_t space = line.find(' ');
        fields.push_back(line.substr(0, space));
        line = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    }
    if (fields.size() != 3)
        return std::nullopt;
    const std::optional<std::int64_t> received = number(fields[0]);
    if (!received)
        return std::nullopt;
    // The estimate may come as a fraction ("123.4"): its whole part is enough for a bar.
    const std::string_view estimate = fields[2].substr(0, fields[2].find('.'));
    const std::int64_t total = number(fields[1]).value_or(number(estimate).value_or(0));
    return YtDlpProgress{*received, total};
}

std::optional<std::string> ytDlpErrorReason(std::string_view line) {
    if (!startsWith(line, ErrorMark))
        return std::nullopt;
    return std::string(line.substr(std::string_view(ErrorMark).size()));
}

void removePartialFiles(const std::string& downloadFile) {
    const fs::path path(downloadFile);
    const std::string name = path.filename().string();
    std::error_code error;
    for (fs::directory_iterator it(path.parent_path(), error), end; !error && it != end;
         it.increment(error)) {
        const std::string other = it->path().filename().string();
        if (other != name && startsWith(other, name))
            removeFile(it->path());
    }
}

std::string ytDlpProgramOrDefault(const std::string& program) {
    return program.empty() ? std::string(DefaultYtDlpProgram) : program;
}

void startInOwnGroup(QProcess& process) {
    process.setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
}

void endProcessGroup(QProcess& process) {
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(-static_cast<pid_t>(pid), SIGKILL);
    process.waitForFinished(-1);
}

bool ytDlpAnswers(const std::string& program, const std::atomic<bool>& stop) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    startInOwnGroup(process);
    process.start(QString::fromStdString(program), {QStringLiteral("--version")},
                  QIODevice::ReadOnly);
    if (!process.waitForStarted(-1))
        return false;
    // A stop does not wait for the answer either.
    for (int waited = 0; !process.waitForFinished(StopPollMs); waited += StopPollMs) {
        if (stop.load() || waited >= VersionWaitMs) {
            endProcessGroup(process);
            return false;
        }
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 &&
           !process.readAllStandardOutput().trimmed().isEmpty();
}

YtDlpMedia FetchWithYtDlp(const std::string& program, const std::string& link,
                          const std::string& downloadFile, const std::string& formatName,
                          WorkerHost& host) {
    const fs::path target(downloadFile);
    const std::string name = target.filename().string();
    const std::string folder = target.parent_path().string();
    const std::string transfer =
        expandsInYtDlp(name) ? "vantaro-" + std::to_string(::getpid()) + "xxx.flv" : name;
    const std::string transferFile = (target.parent_path() / transfer).string();
    YtDlpRun run(host);
    bool ended = false;
    try {
        ended = run.run(program, ytDlpArguments(link, transfer, formatName), folder);
    } catch (...) {
        removePartialFiles(transferFile);
        removeFile(findCover(target.parent_path(), transfer));
        throw;
    }
    YtDlpMedia media{run.uploader(), findCover(target.parent_path(), transfer)};
    if (ended && run.succeeded() && !run.finalPath().empty() && run.finalPath() != downloadFile) {
        std::error_code ignored;
        fs::rename(run.finalPath(), downloadFile, ignored);
    }
    removePartialFiles(transferFile);
    if (transfer != name)
        removeFile(transferFile);
    if (ended && !run.succeeded()) {
        removeFile(downloadFile);
        removeFile(media.coverFile);
        throw YtDlpError(run.failureReason());
    }
    return media;
}

YtDlpRoad::YtDlpRoad(std::optional<std::string> program, std::string serviceHost)
    : m_program(std::move(program)), m_serviceHost(std::move(serviceHost)) {
    if (m_program)
        m_program = ytDlpProgramOrDefault(*m_program);
}

bool YtDlpRoad::available() {
    if (!m_program)
        return false;
    if (!m_available) {
        const bool answers = ytDlpAnswers(*m_program);
        if (StopRequested.load())
            return false; // asked again by the next run
        m_available = answers;
    }
    return *m_available;
}

bool YtDlpRoad::takesOver(const std::string& link, WorkerHost& host) {
    if (!m_program || !isSupportedLink(link)) {
        ReportLink(link, host, m_serviceHost);
        return false;
    }
    // The fetch cannot get an https link: the maker's host is not even told of it.
    if (startsWith(link, "https://")) {
        if (available())
            return true;
        ReportLink(link, host, m_serviceHost);
        return false;
    }
    if (ReportLinkQuietly(link, host, m_serviceHost))
        return false;
    if (available())
        return true;
    // The box the report shows when nothing takes over; a stop meanwhile shows none, as a
    // stopped fetch does not.
    if (!StopRequested.load())
        ShowNetworkError(host);
    return false;
}

YtDlpMedia YtDlpRoad::fetch(const std::string& link, const std::string& downloadFile,
                            const std::string& formatName, WorkerHost& host) {
    return FetchWithYtDlp(*m_program, link, downloadFile, formatName, host);
}

} // namespace vantaro
