// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "update/EngineVersion.h"

#include <atomic>
#include <optional>
#include <string>

namespace vantaro {

// The engines the program keeps current itself.
enum class Engine { YtDlp, Deno };

// The folder of the program's own engines, ending with "/": "vantaro/engines/" under the data
// folder the environment names (XDG_DATA_HOME when absolute; a relative value is ignored), else
// under home + "/.local/share". Empty when neither is usable.
std::string enginesFolderFor(const std::string& xdgDataHome, const std::string& home);
// The same for this process's environment.
std::string enginesFolder();

// The name an engine has in the engines folder: "yt-dlp", "deno".
const char* engineFileName(Engine engine);

// Where a yt-dlp came from.
enum class EngineOrigin { None, ResolverKey, OwnCopy, Path };

struct ChosenProgram {
    std::string path; // absolute; empty when none
    EngineOrigin origin = EngineOrigin::None;
};

// Which yt-dlp runs: the [Resolver] program key when set (an absolute path, or a name looked up
// on PATH; a relative path is not taken), else the program's own copy, else yt-dlp on PATH.
ChosenProgram chooseYtDlp(const std::string& resolverProgram, const std::string& enginesFolder,
                          const std::string& pathValue);

// Which JavaScript runtime yt-dlp gets: deno on PATH, else the program's own deno, else node on
// PATH when its --version says 22 or later. Runs node to ask it.
JsRuntime chooseJsRuntime(const std::string& enginesFolder, const std::string& pathValue,
                          const std::atomic<bool>* stop = nullptr);

// The version a yt-dlp program reports (its --version); nothing when it does not start or
// answers something else.
std::optional<DateVersion> readYtDlpVersion(const std::string& program,
                                            const std::atomic<bool>* stop = nullptr);

// The release file of yt-dlp for this machine: the zipapp "yt-dlp" when python3 is 3.10 or
// later, else the build carrying its own Python for the architecture ("x86_64", "aarch64" as
// uname reports it); empty for another architecture.
std::string ytDlpAssetName(const std::optional<TripleVersion>& python3, const std::string& machine);
// deno's release zip for the architecture; empty for another one.
std::string denoAssetName(const std::string& machine);

// python3's version from PATH ("Python 3.11.7"); nothing when there is none.
std::optional<TripleVersion> python3Version(const std::string& pathValue);
// The machine's architecture as uname reports it.
std::string machineName();

// Where the releases of each engine are listed: a page laid out like GitHub's releases, where
// BASE/latest leads to BASE/tag/TAG and the files are BASE/download/TAG/NAME.
struct ReleaseLocations {
    std::string ytDlp;
    std::string deno;
};
// The official locations, or URL/yt-dlp and URL/deno when the [Resolver] releases key is set.
ReleaseLocations releaseLocations(const std::string& releasesKey);

} // namespace vantaro
