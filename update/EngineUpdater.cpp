// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/EngineUpdater.h"

#include "update/EngineFiles.h"
#include "update/ProgramRun.h"
#include "update/Verification.h"
#include "update/ZipEntry.h"

#include <cstdlib>
#include <regex>

namespace vantaro {
namespace {

// The largest checksum list or signature taken, and the largest engine: yt-dlp's files weigh
// 3 to 40 MiB, deno's about 100.
constexpr std::uint64_t MaxListBytes = 64 * 1024;
constexpr std::uint64_t MaxEngineBytes = 200ULL * 1024 * 1024;

// The files beside every yt-dlp release: the checksums and their detached signature.
constexpr const char* YtDlpSums = "SHA2-256SUMS";
constexpr const char* YtDlpSumsSignature = "SHA2-256SUMS.sig";

// How long a new copy may take to tell its version (a first start unpacks itself).
constexpr auto TrialRunLimit = std::chrono::seconds(120);

bool isReleaseTag(Engine engine, const std::string& tag) {
    static const std::regex ytDlp(R"(^[0-9]{4}\.[0-9]{2}\.[0-9]{2}(\.[0-9]+)?$)");
    static const std::regex deno(R"(^v[0-9]+\.[0-9]+\.[0-9]+$)");
    return std::regex_match(tag, engine == Engine::YtDlp ? ytDlp : deno);
}

// True when the first line of a --version answer names the release tag: yt-dlp prints the tag
// itself, deno "deno 2.5.6 (stable, release, x86_64-unknown-linux-gnu)".
bool answersVersion(Engine engine, const std::string& line, const std::string& tag) {
    if (engine == Engine::YtDlp)
        return line == tag;
    const std::string expected = "deno " + tag.substr(1);
    return line == expected || line.starts_with(expected + " ");
}

std::string versionFromAnswer(Engine engine, const std::string& line) {
    if (engine == Engine::YtDlp)
        return parseDateVersion(line) ? line : std::string();
    if (!line.starts_with("deno "))
        return {};
    const std::string number = line.substr(5, line.find(' ', 5) - 5);
    return parseTripleVersion(number, false) ? "v" + number : std::string();
}

UpdateFailure failureOf(FetchStatus status) {
    switch (status) {
    case FetchStatus::Done:
        return UpdateFailure::None;
    case FetchStatus::NotAllowed:
        return UpdateFailure::BadLocation;
    case FetchStatus::HttpError:
        return UpdateFailure::HttpError;
    case FetchStatus::TooLarge:
        return UpdateFailure::TooLarge;
    case FetchStatus::Truncated:
        return UpdateFailure::Truncated;
    case FetchStatus::WriteFailed:
        return UpdateFailure::FolderNotWritable;
    case FetchStatus::Stopped:
        return UpdateFailure::Stopped;
    case FetchStatus::NetworkError:
    case FetchStatus::TooManyRedirects:
        break;
    }
    return UpdateFailure::Network;
}

} // namespace

// One update under way: what it fetches and where.
struct EngineUpdater::Release {
    Engine engine;
    std::string tag;
    std::string downloadBase; // BASE/download/TAG/
    FetchRequest request;
    const std::atomic<bool>& stop;
};

UpdateSettings updateSettingsFor(const std::string& programFolder, const std::string& releasesKey,
                                 Language language) {
    UpdateSettings settings;
    settings.enginesFolder = enginesFolder();
    settings.releasesKey = releasesKey;
    settings.keyringPath = shippedYtDlpKeyring(programFolder);
    const char* path = std::getenv("PATH");
    settings.pathValue = path != nullptr ? path : "";
    settings.language = language;
    return settings;
}

EngineUpdater::EngineUpdater(UpdateSettings settings) : m_settings(std::move(settings)) {
    if (!m_settings.enginesFolder.empty() && !m_settings.enginesFolder.ends_with('/'))
        m_settings.enginesFolder += '/';
    const std::string machine = machineName();
    if (m_settings.ytDlpAsset.empty())
        m_settings.ytDlpAsset = ytDlpAssetName(python3Version(m_settings.pathValue), machine);
    if (m_settings.denoAsset.empty())
        m_settings.denoAsset = denoAssetName(machine);
}

const std::string& EngineUpdater::assetName(Engine engine) const {
    return engine == Engine::YtDlp ? m_settings.ytDlpAsset : m_settings.denoAsset;
}

std::string EngineUpdater::installedPath(Engine engine) const {
    return m_settings.enginesFolder + engineFileName(engine);
}

std::string EngineUpdater::base(Engine engine) const {
    const auto locations = releaseLocations(m_settings.releasesKey);
    return engine == Engine::YtDlp ? locations.ytDlp : locations.deno;
}

std::string EngineUpdater::installedVersion(Engine engine, const std::atomic<bool>& stop) const {
    const std::string path = installedPath(engine);
    if (!isExecutableFile(path))
        return {};
    const auto answer = runProgram(path, {"--version"}, &stop, TrialRunLimit, 256);
    return answer.exitCode == 0 ? versionFromAnswer(engine, firstLine(answer.output)) : "";
}

UpdateResult EngineUpdater::fail(Engine engine, UpdateFailure failure, const std::string& detail,
                                 const std::string& version) const {
    UpdateResult result;
    result.failure = failure;
    result.version = version;
    result.message =
        updateFailureText(failure, m_settings.language, engineFileName(engine), detail);
    return result;
}

std::optional<std::string> EngineUpdater::latestTag(Engine engine, const std::atomic<bool>& stop,
                                                    UpdateResult& failed) const {
    const std::string releases = base(engine);
    FetchRequest request;
    request.loopbackHttp = isLoopbackHttpUrl(releases);
    request.stop = &stop;
    if (!isAllowedReleaseUrl(releases, request.loopbackHttp)) {
        failed = fail(engine, UpdateFailure::BadLocation, releases);
        return std::nullopt;
    }
    FetchOutcome outcome;
    const auto tag = latestReleaseTag(releases, request, outcome);
    if (outcome.status != FetchStatus::Done) {
        failed = fail(engine, failureOf(outcome.status),
                      outcome.status == FetchStatus::HttpError
                          ? "HTTP " + std::to_string(outcome.httpCode) + " " + outcome.finalUrl
                          : outcome.finalUrl);
        return std::nullopt;
    }
    if (!tag || !isReleaseTag(engine, *tag)) {
        failed = fail(engine, UpdateFailure::BadRelease, releases);
        return std::nullopt;
    }
    return tag;
}

ReleaseCheck EngineUpdater::check(Engine engine, const std::atomic<bool>& stop) const {
    ReleaseCheck result;
    UpdateResult failed;
    const auto tag = latestTag(engine, stop, failed);
    if (!tag) {
        result.failure = failed.failure;
        result.message = failed.message;
        return result;
    }
    result.latest = *tag;
    result.installed = installedVersion(engine, stop);
    result.newer = result.installed != result.latest;
    return result;
}

UpdateResult EngineUpdater::update(Engine engine, const ProgressCallback& progress,
                                   const std::atomic<bool>& stop) const {
    if (assetName(engine).empty())
        return fail(engine, UpdateFailure::NoAsset, machineName());
    const std::string folderProblem = prepareEnginesFolder(m_settings.enginesFolder);
    if (!folderProblem.empty())
        return fail(engine, UpdateFailure::FolderNotWritable, folderProblem);
    UpdateResult failed;
    const auto tag = latestTag(engine, stop, failed);
    if (!tag)
        return failed;
    if (installedVersion(engine, stop) == *tag) {
        UpdateResult current;
        current.version = *tag;
        current.message =
            pickText(m_settings.language, engineFileName(engine) + (" " + *tag) + " est à jour.",
                     engineFileName(engine) + (" " + *tag) + " is up to date.");
        return current;
    }
    return updateTo(engine, *tag, progress, stop);
}

UpdateResult EngineUpdater::updateTo(Engine engine, const std::string& tag,
                                     const ProgressCallback& progress,
                                     const std::atomic<bool>& stop) const {
    FetchRequest request;
    request.loopbackHttp = isLoopbackHttpUrl(base(engine));
    request.stop = &stop;
    request.progress = progress;
    const Release release{engine, tag, base(engine) + "/download/" + tag + "/", request, stop};
    return engine == Engine::YtDlp ? fetchYtDlp(release) : fetchDeno(release);
}

UpdateResult EngineUpdater::fetchFailure(const Release& release, const FetchOutcome& outcome,
                                         const std::string& file) const {
    const std::string detail = outcome.status == FetchStatus::HttpError
                                   ? "HTTP " + std::to_string(outcome.httpCode) + " " + file
                                   : file;
    return fail(release.engine, failureOf(outcome.status), detail, release.tag);
}

UpdateResult EngineUpdater::fetchYtDlp(const Release& release) const {
    ScratchFolder scratch(m_settings.enginesFolder);
    if (!scratch.made())
        return fail(release.engine, UpdateFailure::FolderNotWritable, m_settings.enginesFolder);
    FetchRequest small = release.request;
    small.maxBytes = MaxListBytes;
    small.progress = nullptr;
    for (const char* name : {YtDlpSums, YtDlpSumsSignature}) {
        TemporaryFile file(scratch.path() + name);
        const auto outcome = fetchReleaseFile(release.downloadBase + name, small, file.sink());
        if (outcome.status != FetchStatus::Done)
            return fetchFailure(release, outcome, name);
        if (!file.finish())
            return fail(release.engine, UpdateFailure::FolderNotWritable, scratch.path());
        file.keep();
    }
    const std::string sumsPath = scratch.path() + YtDlpSums;
    if (!signatureIsGood(m_settings.keyringPath, scratch.path() + YtDlpSumsSignature, sumsPath,
                         scratch.path(), m_settings.pathValue, &release.stop))
        return fail(release.engine,
                    release.stop.load() ? UpdateFailure::Stopped : UpdateFailure::BadSignature,
                    YtDlpSums, release.tag);
    const auto sum = listedSum(readSmallFile(sumsPath, MaxListBytes), m_settings.ytDlpAsset);
    if (!sum)
        return fail(release.engine, UpdateFailure::NotListed, m_settings.ytDlpAsset, release.tag);
    TemporaryFile engine(m_settings.enginesFolder + ".yt-dlp-XXXXXX");
    if (!engine.made())
        return fail(release.engine, UpdateFailure::FolderNotWritable, m_settings.enginesFolder);
    FetchRequest big = release.request;
    big.maxBytes = MaxEngineBytes;
    const auto outcome =
        fetchReleaseFile(release.downloadBase + m_settings.ytDlpAsset, big, engine.sink());
    if (outcome.status != FetchStatus::Done)
        return fetchFailure(release, outcome, m_settings.ytDlpAsset);
    if (!engine.finish())
        return fail(release.engine, UpdateFailure::FolderNotWritable, m_settings.enginesFolder);
    if (sha256OfFile(engine.path()) != *sum)
        return fail(release.engine, UpdateFailure::WrongHash, m_settings.ytDlpAsset, release.tag);
    return install(release, engine);
}

UpdateResult EngineUpdater::fetchDeno(const Release& release) const {
    ScratchFolder scratch(m_settings.enginesFolder);
    if (!scratch.made())
        return fail(release.engine, UpdateFailure::FolderNotWritable, m_settings.enginesFolder);
    const std::string zipName = m_settings.denoAsset;
    std::string sums;
    FetchRequest small = release.request;
    small.maxBytes = MaxListBytes;
    small.progress = nullptr;
    const auto listed = fetchReleaseFile(release.downloadBase + zipName + ".sha256sum", small,
                                         [&sums](const char* data, std::size_t size) {
                                             sums.append(data, size);
                                             return true;
                                         });
    if (listed.status != FetchStatus::Done)
        return fetchFailure(release, listed, zipName + ".sha256sum");
    const auto sum = listedSum(sums, zipName, true);
    if (!sum)
        return fail(release.engine, UpdateFailure::NotListed, zipName, release.tag);
    TemporaryFile zip(scratch.path() + "deno.zip");
    FetchRequest big = release.request;
    big.maxBytes = MaxEngineBytes;
    const auto outcome = fetchReleaseFile(release.downloadBase + zipName, big, zip.sink());
    if (outcome.status != FetchStatus::Done)
        return fetchFailure(release, outcome, zipName);
    if (!zip.finish())
        return fail(release.engine, UpdateFailure::FolderNotWritable, scratch.path());
    if (sha256OfFile(zip.path()) != *sum)
        return fail(release.engine, UpdateFailure::WrongHash, zipName, release.tag);
    TemporaryFile engine(m_settings.enginesFolder + ".deno-XXXXXX");
    if (!engine.made())
        return fail(release.engine, UpdateFailure::FolderNotWritable, m_settings.enginesFolder);
    const auto extracted =
        extractSingleEntry(zip.path(), "deno", engine.fd(), MaxEngineBytes, release.stop);
    if (extracted != ZipResult::Done || !engine.finish())
        return fail(release.engine,
                    extracted == ZipResult::Stopped       ? UpdateFailure::Stopped
                    : extracted == ZipResult::WriteFailed ? UpdateFailure::FolderNotWritable
                                                          : UpdateFailure::BadArchive,
                    zipName, release.tag);
    return install(release, engine);
}

UpdateResult EngineUpdater::install(const Release& release, TemporaryFile& file) const {
    const std::string& temporaryPath = file.path();
    const char* name = engineFileName(release.engine);
    if (release.stop.load())
        return fail(release.engine, UpdateFailure::Stopped, name, release.tag);
    if (!makeExecutable(temporaryPath))
        return fail(release.engine, UpdateFailure::FolderNotWritable, m_settings.enginesFolder);
    const auto answer = runProgram(temporaryPath, {"--version"}, &release.stop, TrialRunLimit, 256);
    if (release.stop.load())
        return fail(release.engine, UpdateFailure::Stopped, name, release.tag);
    if (!answer.started || !answer.finished || answer.exitCode != 0)
        return fail(release.engine, UpdateFailure::DoesNotStart, name, release.tag);
    if (!answersVersion(release.engine, firstLine(answer.output), release.tag))
        return fail(release.engine, UpdateFailure::WrongVersion, release.tag, release.tag);
    const std::string target = installedPath(release.engine);
    if (!replaceKeepingPrevious(temporaryPath, target))
        return fail(release.engine, UpdateFailure::FolderNotWritable, m_settings.enginesFolder);
    file.keep();
    UpdateResult result;
    result.version = release.tag;
    result.replaced = true;
    result.message =
        pickText(m_settings.language, std::string(name) + " " + release.tag + " est installé.",
                 std::string(name) + " " + release.tag + " is installed.");
    return result;
}

} // namespace vantaro
