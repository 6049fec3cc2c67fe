// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/sources/YtDlpSource.h"

#include "core/RemoteText.h"
#include "core/SystemReasons.h"
#include "engine/Fetch.h"
#include "engine/JsonScanner.h"
#include "engine/Mp3Tagging.h"
#include "engine/Resolver.h"
#include "engine/WorkerTexts.h"
#include "jobs/FormatCatalogue.h"
#include "jobs/SiteKind.h"
#include "update/EngineChoice.h"

#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/prctl.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace vantaro {
namespace {

namespace fs = std::filesystem;

constexpr const char* ProgressMark = "vantaro-progress ";
constexpr const char* ErrorMark = "ERROR: ";
// The names yt-dlp writes in the work folder: the download (whose extension yt-dlp may change
// for a merge), its thumbnail (yt-dlp adds the picture's extension) and its two reports.
constexpr const char* DownloadName = "download.flv";
constexpr const char* CoverName = "cover";
constexpr const char* FilepathReport = "filepath.json";
constexpr const char* UploaderReport = "uploader.json";
constexpr const char* WorkFolderTemplate = ".vantaro-work-XXXXXX";
constexpr std::size_t MaxLineBytes = 64 * 1024; // a longer line of yt-dlp's is dropped
constexpr int StopPollMs = 20; // the stop token is looked at this often while yt-dlp runs
constexpr int VersionWaitMs = 30000;

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool isDigits(std::string_view text) {
    return !text.empty() && text.size() <= 18 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A field of the progress line: digits, digits with a fraction (an estimate), or "NA".
std::optional<std::int64_t> progressField(std::string_view text, bool& valid) {
    if (text == "NA")
        return std::nullopt;
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    valid = valid && isDigits(whole) &&
            (dot == std::string_view::npos || isDigits(text.substr(dot + 1)));
    if (!valid)
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : whole)
        value = value * 10 + (c - '0');
    return value;
}

QStringList qtArguments(const std::vector<std::string>& arguments) {
    QStringList list;
    for (const std::string& argument : arguments)
        list.push_back(QString::fromStdString(argument));
    return list;
}

// One yt-dlp run: reads its output as it comes, a line at a time up to MaxLineBytes, drives the
// progress bar and keeps its reason. Nothing it prints names a file.
class YtDlpRun {
public:
    YtDlpRun(WorkerHost& host, const std::atomic<bool>& stop) : m_host(host), m_stop(stop) {}
    ~YtDlpRun() {
        if (m_process.state() != QProcess::NotRunning)
            endProcessGroup(m_process);
    }

    // True when yt-dlp ran to its end, false after a stop.
    bool run(const std::string& program, const std::vector<std::string>& arguments,
             const std::string& folder);
    bool succeeded() const {
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    std::string failureReason() const;

private:
    void readOutput();
    void take(std::string_view data);
    void line(std::string_view text);

    WorkerHost& m_host;
    const std::atomic<bool>& m_stop;
    QProcess m_process;
    std::string m_program;
    std::string m_reason;
    std::string m_line;      // the line read so far
    bool m_dropping = false; // the line read so far was too long: the rest of it goes too
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
        if (m_stop.load()) {
            endProcessGroup(m_process);
            return false;
        }
        m_process.waitForReadyRead(StopPollMs);
        readOutput();
    }
    m_process.waitForFinished(-1);
    readOutput();
    if (!m_dropping)
        line(m_line);
    return true;
}

// Read as it comes, so that a line without end is never held whole.
void YtDlpRun::readOutput() {
    std::array<char, 16384> chunk;
    for (qint64 got = 0; (got = m_process.read(chunk.data(), chunk.size())) > 0;)
        take(std::string_view(chunk.data(), static_cast<std::size_t>(got)));
}

void YtDlpRun::take(std::string_view data) {
    while (!data.empty()) {
        const std::size_t end = data.find('\n');
        const std::string_view piece = data.substr(0, end);
        if (!m_dropping && m_line.size() + piece.size() > MaxLineBytes) {
            m_dropping = true;
            m_line.clear();
        } else if (!m_dropping) {
            m_line.append(piece);
        }
        if (end == std::string_view::npos)
            return;
        if (!m_dropping)
            line(m_line);
        m_line.clear();
        m_dropping = false;
        data.remove_prefix(end + 1);
    }
}

void YtDlpRun::line(std::string_view text) {
    if (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    if (const std::optional<YtDlpProgress> progress = parseYtDlpProgress(text)) {
        // A new total (a second stream of a merge, or a better estimate) starts a new count.
        if (progress->total != m_total) {
            m_total = progress->total;
            m_host.setProgressMax(m_total);
        }
        m_host.setProgressPosition(progress->received);
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

// One JSON string that yt-dlp wrote into a report of the work folder; nullopt when the report
// is missing, longer than a line may be, or holds anything else.
std::optional<std::string> readReport(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text(MaxLineBytes + 2, '\0');
    std::size_t size = 0;
    for (ssize_t got = 0;
         size < text.size() && (got = ::read(fd, text.data() + size, text.size() - size)) > 0;)
        size += static_cast<std::size_t>(got);
    ::close(fd);
    if (size > MaxLineBytes + 1)
        return std::nullopt;
    text.resize(size);
    return parseYtDlpJsonString(text);
}

// The thumbnail yt-dlp wrote into the work folder: "cover." and the picture's extension.
std::string findCover(const JobWorkFolder& folder) {
    const std::string prefix = std::string(CoverName) + ".";
    std::error_code error;
    for (fs::directory_iterator it(folder.path(), error), end; !error && it != end;
         it.increment(error)) {
        if (startsWith(it->path().filename().string(), prefix) &&
            fs::is_regular_file(it->symlink_status(error)))
            return it->path().string();
    }
    return {};
}

// Removes the entry `name` of the folder open as parentFd: a file or a link itself, or a
// folder with everything in it, opened without following a link at any level.
void removeTreeAt(int parentFd, const char* name) {
    if (::unlinkat(parentFd, name, 0) == 0 || (errno != EISDIR && errno != EPERM))
        return;
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* folder = ::fdopendir(fd);
    if (folder == nullptr) {
        ::close(fd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view entryName = entry->d_name;
        if (entryName != "." && entryName != "..")
            names.emplace_back(entryName);
    }
    for (const std::string& entryName : names)
        removeTreeAt(::dirfd(folder), entryName.c_str());
    ::closedir(folder);
    ::unlinkat(parentFd, name, AT_REMOVEDIR);
}

} // namespace

std::vector<std::string> ytDlpArguments(const std::string& link, const std::string& formatName,
                                        const std::vector<std::string>& versionArguments) {
    std::vector<std::string> arguments = {
        // Only what is given here counts, never a configuration file of the user's.
        "--ignore-config", "--no-playlist", "--no-mtime", "--no-cache-dir",
        // The work folder is new: nothing in it is older than this run.
        "--force-overwrites",
        // The first read is larger than the default kilobyte; yt-dlp then sizes its reads to
        // the speed it sees, so a slow link still moves the progress bar often.
        "--buffer-size", "16K"};
    arguments.insert(arguments.end(), versionArguments.begin(), versionArguments.end());
    const std::vector<std::string> output = {
        // On the output only progress lines of numbers, warnings and errors. What names a file
        // or comes from the page goes as a JSON string into a report of the work folder, where
        // no text of the page can add a line.
        "--quiet",
        "--newline",
        "--no-simulate",
        "--progress",
        "--progress-template",
        std::string("download:") + ProgressMark +
            "%(progress.downloaded_bytes)s %(progress.total_bytes)s "
            "%(progress.total_bytes_estimate)s",
        "--print-to-file",
        "after_move:%(filepath)j",
        FilepathReport,
        "--print-to-file",
        "after_move:%(uploader|)j",
        UploaderReport};
    // The picture the format can hold, as video and audio merged by ffmpeg into a Matroska
    // file, which holds any pair of codecs; the converter reads the content whatever the name
    // says.
    std::vector<std::string> media = ytDlpFormatArguments(formatName);
    media.insert(media.end(),
                 {"--merge-output-format", "mkv", "--paths", ".", "--output", DownloadName});
    arguments.insert(arguments.end(), output.begin(), output.end());
    arguments.insert(arguments.end(), media.begin(), media.end());
    // The thumbnail, when the page has one, becomes the cover of an MP3.
    if (formatName == "MP3")
        arguments.insert(arguments.end(),
                         {"--write-thumbnail", "--output", std::string("thumbnail:") + CoverName});
    // Whatever the link holds, it is read as a link.
    arguments.insert(arguments.end(), {"--", link});
    return arguments;
}

std::optional<YtDlpProgress> parseYtDlpProgress(std::string_view line) {
    if (!startsWith(line, ProgressMark))
        return std::nullopt;
    line.remove_prefix(std::string_view(ProgressMark).size());
    std::vector<std::string_view> fields;
    while (!line.empty() && fields.size() < 4) {
        const std::size_t space = line.find(' ');
        fields.push_back(line.substr(0, space));
        line = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    }
    if (fields.size() != 3 || !line.empty())
        return std::nullopt;
    bool valid = true;
    const std::optional<std::int64_t> received = progressField(fields[0], valid);
    const std::optional<std::int64_t> total = progressField(fields[1], valid);
    const std::optional<std::int64_t> estimate = progressField(fields[2], valid);
    if (!valid || !received)
        return std::nullopt;
    return YtDlpProgress{*received, total.value_or(estimate.value_or(0))};
}

std::optional<std::string> ytDlpErrorReason(std::string_view line) {
    if (!startsWith(line, ErrorMark))
        return std::nullopt;
    return std::string(line.substr(std::string_view(ErrorMark).size()));
}

std::optional<std::string> parseYtDlpJsonString(std::string_view line) {
    // A name yt-dlp could not decode keeps its bytes, so that it still names the same file.
    return jsonStringText(line, JsonScanner::LoneLowHalves::AsBytes);
}

std::optional<std::string> fileInsideFolder(const std::string& folder,
                                            const std::string& reported) {
    if (reported.empty() || reported.find('\0') != std::string::npos)
        return std::nullopt;
    std::error_code error;
    const fs::path base = fs::canonical(folder, error);
    if (error)
        return std::nullopt;
    const fs::path file = fs::weakly_canonical(base / reported, error);
    if (error)
        return std::nullopt;
    const auto [inBase, inFile] = std::mismatch(base.begin(), base.end(), file.begin(), file.end());
    if (inBase != base.end() || inFile == file.end())
        return std::nullopt;
    if (!fs::is_regular_file(fs::symlink_status(file, error)) || error)
        return std::nullopt;
    return file.string();
}

JobWorkFolder::JobWorkFolder(const std::string& parent) {
    std::string name = parent + "/" + WorkFolderTemplate;
    if (::mkdtemp(name.data()) == nullptr)
        throw SystemFailure("Impossible de créer un dossier de travail dans " + parent,
                            "Cannot create a work folder in " + parent, errno);
    m_path = std::move(name);
}

JobWorkFolder::~JobWorkFolder() {
    removeTreeAt(AT_FDCWD, m_path.c_str());
}

std::string ytDlpProgramOrDefault(const std::string& program) {
    return program.empty() ? std::string(DefaultYtDlpProgram) : program;
}

void startInOwnGroup(QProcess& process) {
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // A parent that died before the request took effect sends no signal: end here.
        if (::getppid() != parent)
            ::_exit(127);
    });
    // What the process started and left running ends with it: its group goes once it has ended.
    QObject::connect(&process, &QProcess::started, &process, [&process] {
        const auto group = static_cast<pid_t>(process.processId());
        QObject::connect(
            &process, &QProcess::finished, &process, [group] { ::kill(-group, SIGKILL); },
            Qt::SingleShotConnection);
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

YtDlpMedia fetchWithYtDlp(const std::string& program, const std::string& link,
                          const std::string& downloadFile, const std::string& formatName,
                          WorkerHost& host, const std::atomic<bool>& stop,
                          const std::vector<std::string>& versionArguments) {
    auto folder = std::make_unique<JobWorkFolder>(fs::path(downloadFile).parent_path().string());
    YtDlpRun run(host, stop);
    if (!run.run(program, ytDlpArguments(link, formatName, versionArguments), folder->path()))
        return {};
    if (!run.succeeded())
        throw YtDlpError(run.failureReason());
    const std::optional<std::string> reported = readReport(folder->file(FilepathReport));
    if (!reported)
        throw YtDlpError(program + " did not name the file it wrote");
    const std::optional<std::string> file = fileInsideFolder(folder->path(), *reported);
    if (!file)
        throw YtDlpError(program + " named a file outside the job's work folder");
    std::error_code error;
    fs::rename(*file, downloadFile, error);
    if (error)
        throw SystemFailure("Impossible de déplacer le téléchargement vers " + downloadFile,
                            "Cannot move the download to " + downloadFile, error.value());
    YtDlpMedia media;
    media.uploader = cleanRemoteText(readReport(folder->file(UploaderReport)).value_or(""));
    media.coverFile = findCover(*folder);
    media.workFolder = std::move(folder);
    return media;
}

YtDlpRoad::YtDlpRoad(RunContext& context, std::optional<std::string> program,
                     std::string serviceHost, std::optional<UpdateSettings> updates)
    : m_context(context), m_program(std::move(program)), m_serviceHost(std::move(serviceHost)),
      m_updates(std::move(updates)) {}

void YtDlpRoad::choose() {
    const std::string folder = m_updates ? m_updates->enginesFolder : enginesFolder();
    const char* path = std::getenv("PATH");
    const ChosenProgram chosen = chooseYtDlp(*m_program, folder, path != nullptr ? path : "");
    m_chosenByKey = chosen.origin == EngineOrigin::ResolverKey;
    YtDlpEngine engine = probeYtDlp(chosen.path, m_context.stopToken());
    if (!m_context.stopRequested())
        m_engine = std::move(engine); // a stop leaves it to be asked by the next run
}

bool YtDlpRoad::mayOffer() const {
    return m_updates && !m_offered && !m_chosenByKey;
}

bool YtDlpRoad::available(WorkerHost& host) {
    if (!m_program)
        return false;
    if (!m_engine) {
        choose();
        if (!m_engine)
            return false;
        const auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
        if (mayOffer() && wantsNewYtDlp(*m_engine, today))
            offerNewCopy(host, m_engine->answers ? YtDlpOffer::Old : YtDlpOffer::Missing);
    }
    return m_engine && m_engine->answers;
}

bool YtDlpRoad::offerNewCopy(WorkerHost& host, YtDlpOffer offer, const std::string& text) {
    m_offered = true;
    const Language language = m_context.language();
    if (!host.showMessage(MessageKind::Confirmation, text + ytDlpOfferQuestion(offer, language)))
        return false;
    host.setStatus(ytDlpFetchingStatus(language));
    std::int64_t shownTotal = -1;
    const ProgressCallback progress = [&host, &shownTotal](std::int64_t bytes, std::int64_t total) {
        if (total != shownTotal) {
            shownTotal = total;
            host.setProgressMax(total > 0 ? total : 0);
        }
        host.setProgressPosition(bytes);
    };
    UpdateSettings settings = *m_updates;
    settings.language = language;
    const UpdateResult result =
        EngineUpdater(settings).update(Engine::YtDlp, progress, m_context.stopToken());
    if (m_context.stopRequested())
        return false;
    host.setStatus(workerText(WorkerText::Ready, language));
    if (!result.ok()) {
        host.showMessage(MessageKind::Information, result.message);
        return false;
    }
    m_engine.reset();
    choose();
    return m_engine && m_engine->answers;
}

bool YtDlpRoad::takesOver(const std::string& link, WorkerHost& host) {
    if (!m_program || !isSupportedLink(link)) {
        reportLink(link, host, m_context, m_serviceHost);
        return false;
    }
    // The fetch cannot get an https link: the maker's host is not even told of it.
    if (startsWith(link, "https://")) {
        if (available(host))
            return true;
        reportLink(link, host, m_context, m_serviceHost);
        return false;
    }
    if (reportLinkQuietly(link, host, m_context, m_serviceHost))
        return false;
    if (available(host))
        return true;
    // The box the report shows when nothing takes over; a stop meanwhile shows none, as a
    // stopped fetch does not.
    if (!m_context.stopRequested())
        showNetworkError(host, m_context.language());
    return false;
}

YtDlpMedia YtDlpRoad::fetch(const std::string& link, const std::string& downloadFile,
                            const std::string& formatName, WorkerHost& host) {
    const Language language = m_context.language();
    try {
        return fetchWithYtDlp(m_engine->program, link, downloadFile, formatName, host,
                              m_context.stopToken(), m_engine->versionArguments);
    } catch (const YtDlpError& error) {
        const std::string text = ytDlpFailureText(error.what(), language);
        if (classifyYtDlpReason(error.what()) != YtDlpTrouble::OldCopy || !mayOffer())
            throw YtDlpError(text);
        // The question says why the job failed; the user has been told whatever the answer.
        if (!offerNewCopy(host, YtDlpOffer::Failing,
                          workerText(WorkerText::DownloadFailed, language) + text + "\n\n"))
            throw IncompleteFetch{};
    }
    // Once more, with the new copy.
    try {
        return fetchWithYtDlp(m_engine->program, link, downloadFile, formatName, host,
                              m_context.stopToken(), m_engine->versionArguments);
    } catch (const YtDlpError& error) {
        throw YtDlpError(ytDlpFailureText(error.what(), language));
    }
}

std::optional<StepTexts> YtDlpSource::fetchMedia(const std::string& link, const JobFiles& files) {
    const StepTexts texts =
        m_run.listMode() ? StepTexts{WorkerText::ListVideoFetching, WorkerText::ListConverting}
                         : StepTexts{WorkerText::VideoFetching, WorkerText::Converting};
    m_run.status(texts.fetching);
    m_media = m_road.fetch(link, files.downloadFile, m_run.formatName(), m_run.host());
    return texts;
}

void YtDlpSource::mediaMade(const std::string& file) {
    // The artist and the cover join an MP3 this run made; without them it stays as made.
    if (m_run.formatName() == "MP3" && m_media.workFolder)
        tagMp3(file, m_media.uploader, m_media.coverFile, m_media.workFolder->path(),
               m_run.context().stopToken());
}

} // namespace vantaro
