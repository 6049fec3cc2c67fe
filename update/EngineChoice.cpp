// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/EngineChoice.h"

#include "update/ProgramRun.h"

#include <cstdlib>
#include <sys/utsname.h>

namespace vantaro {
namespace {

// Where yt-dlp and deno publish their releases.
constexpr const char* YtDlpReleases = "https://github.com/yt-dlp/yt-dlp/releases";
constexpr const char* DenoReleases = "https://github.com/denoland/deno/releases";

// The first node release that yt-dlp accepts as its runtime.
constexpr int OldestNodeMajor = 22;

// The first python3 that runs the yt-dlp zipapp.
constexpr TripleVersion OldestZipappPython{3, 10, 0};

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string withSlash(std::string folder) {
    if (!folder.ends_with('/'))
        folder += '/';
    return folder;
}

} // namespace

std::string enginesFolderFor(const std::string& xdgDataHome, const std::string& home) {
    if (xdgDataHome.starts_with('/'))
        return withSlash(xdgDataHome) + "vantaro/engines/";
    if (home.starts_with('/'))
        return withSlash(home) + ".local/share/vantaro/engines/";
    return {};
}

std::string enginesFolder() {
    return enginesFolderFor(environment("XDG_DATA_HOME"), environment("HOME"));
}

const char* engineFileName(Engine engine) {
    return engine == Engine::YtDlp ? "yt-dlp" : "deno";
}

ChosenProgram chooseYtDlp(const std::string& resolverProgram, const std::string& enginesFolder,
                          const std::string& pathValue) {
    if (resolverProgram.starts_with('/')) {
        if (isExecutableFile(resolverProgram))
            return {resolverProgram, EngineOrigin::ResolverKey};
    } else if (const auto found = findOnPath(resolverProgram, pathValue); !found.empty()) {
        return {found, EngineOrigin::ResolverKey};
    }
    if (!enginesFolder.empty() && isExecutableFile(enginesFolder + "yt-dlp"))
        return {enginesFolder + "yt-dlp", EngineOrigin::OwnCopy};
    if (const auto found = findOnPath("yt-dlp", pathValue); !found.empty())
        return {found, EngineOrigin::Path};
    return {};
}

JsRuntime chooseJsRuntime(const std::string& enginesFolder, const std::string& pathValue,
                          const std::atomic<bool>* stop) {
    if (const auto deno = findOnPath("deno", pathValue); !deno.empty())
        return {"deno", deno};
    if (!enginesFolder.empty() && isExecutableFile(enginesFolder + "deno"))
        return {"deno", enginesFolder + "deno"};
    if (const auto node = findOnPath("node", pathValue); !node.empty()) {
        const auto answer = runProgram(node, {"--version"}, stop, std::chrono::seconds(20), 256);
        const auto version = parseTripleVersion(firstLine(answer.output));
        if (answer.exitCode == 0 && version && version->major >= OldestNodeMajor)
            return {"node", node};
    }
    return {};
}

std::optional<DateVersion> readYtDlpVersion(const std::string& program,
                                            const std::atomic<bool>* stop) {
    const auto answer = runProgram(program, {"--version"}, stop, std::chrono::seconds(60), 256);
    if (answer.exitCode != 0)
        return std::nullopt;
    return parseDateVersion(firstLine(answer.output));
}

std::string ytDlpAssetName(const std::optional<TripleVersion>& python3,
                           const std::string& machine) {
    if (python3 && *python3 >= OldestZipappPython)
        return "yt-dlp";
    if (machine == "x86_64")
        return "yt-dlp_linux";
    if (machine == "aarch64")
        return "yt-dlp_linux_aarch64";
    return {};
}

std::string denoAssetName(const std::string& machine) {
    if (machine == "x86_64" || machine == "aarch64")
        return "deno-" + machine + "-unknown-linux-gnu.zip";
    return {};
}

std::optional<TripleVersion> python3Version(const std::string& pathValue) {
    const auto python = findOnPath("python3", pathValue);
    if (python.empty())
        return std::nullopt;
    const auto answer = runProgram(python, {"--version"}, nullptr, std::chrono::seconds(20), 256);
    const std::string line = firstLine(answer.output);
    if (answer.exitCode != 0 || !line.starts_with("Python "))
        return std::nullopt;
    // "3.12.1rc1" and the like: the three numbers before any suffix.
    std::string numbers = line.substr(7);
    numbers.erase(numbers.find_first_not_of("0123456789.") == std::string::npos
                      ? numbers.size()
                      : numbers.find_first_not_of("0123456789."));
    return parseTripleVersion(numbers, false);
}

std::string machineName() {
    struct utsname names {};
    return ::uname(&names) == 0 ? names.machine : "";
}

ReleaseLocations releaseLocations(const std::string& releasesKey) {
    if (releasesKey.empty())
        return {YtDlpReleases, DenoReleases};
    std::string base = releasesKey;
    while (base.ends_with('/'))
        base.pop_back();
    return {base + "/yt-dlp", base + "/deno"};
}

} // namespace vantaro
