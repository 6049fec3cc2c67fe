// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"
#include "update/EngineChoice.h"
#include "update/ReleaseFetch.h"

#include <atomic>
#include <optional>
#include <string>

namespace vantaro {

class TemporaryFile;

// Where and how the program's own engines are fetched.
struct UpdateSettings {
    std::string enginesFolder; // enginesFolder() in the program; ends with "/"
    std::string releasesKey;   // the [Resolver] releases value; empty for the official pages
    std::string keyringPath;   // gpgv keyring holding yt-dlp's release key, an absolute path
    std::string pathValue;     // PATH, where gpgv and python3 are looked up
    std::string ytDlpAsset;    // the release file to take; empty: the one for this machine
    std::string denoAsset;     // the same for deno
    Language language = Language::French;
};

// The settings of this process: the engines folder of its environment, the key shipped in the
// program folder, its PATH and the machine's release files.
UpdateSettings updateSettingsFor(const std::string& programFolder, const std::string& releasesKey,
                                 Language language);

enum class UpdateFailure {
    None,
    NoAsset,           // no release file for this machine
    BadLocation,       // the release address is neither https:// nor a local test server
    FolderNotWritable, // the engines folder cannot be made or written
    Network,           // no answer, a broken exchange
    HttpError,         // an answer other than 200 (a 404...)
    BadRelease,        // the latest tag is not a version of that engine
    BadSignature,      // the checksum list is not signed by the release key
    NotListed,         // the file is not in the checksum list
    WrongHash,         // the file is not the one listed
    Truncated,         // the download ended early
    TooLarge,          // more than an engine or a checksum list may weigh
    BadArchive,        // deno's zip cannot be read
    DoesNotStart,      // the new copy does not run
    WrongVersion,      // the new copy reports another version
    Stopped,           // Stop was pressed
};

struct UpdateResult {
    UpdateFailure failure = UpdateFailure::None;
    std::string version;   // the version now in use (after a failure: the latest seen, if any)
    bool replaced = false; // a new copy took the old one's place
    std::string message;   // what happened, in the user's language
    bool ok() const { return failure == UpdateFailure::None; }
};

// What the release page says against the copy in the engines folder.
struct ReleaseCheck {
    UpdateFailure failure = UpdateFailure::None;
    std::string installed; // empty when there is no own copy, or it does not answer
    std::string latest;
    bool newer = false;  // latest differs from the installed copy
    std::string message; // the failure, in the user's language
};

// Fetches, verifies and installs the program's own yt-dlp and deno. A plain object: run it on
// any thread; the progress callback is called on that thread, and the stop token is looked at
// all along. A failure at any step removes what it downloaded and leaves the copy in use as it
// was.
class EngineUpdater {
public:
    explicit EngineUpdater(UpdateSettings settings);

    // Asks the release page for the latest version (nothing is downloaded but the page's head).
    ReleaseCheck check(Engine engine, const std::atomic<bool>& stop) const;

    // Brings the engine to the latest release: download, signature and hash checks, a trial run,
    // then one rename over the old copy, which is kept as NAME.previous.
    UpdateResult update(Engine engine, const ProgressCallback& progress,
                        const std::atomic<bool>& stop) const;

    // The version the own copy reports; empty when there is none or it does not answer.
    std::string installedVersion(Engine engine, const std::atomic<bool>& stop) const;

    // The release file taken for each engine.
    const std::string& assetName(Engine engine) const;
    std::string installedPath(Engine engine) const;

private:
    struct Release;
    UpdateResult fail(Engine engine, UpdateFailure failure, const std::string& detail,
                      const std::string& version = {}) const;
    std::optional<std::string> latestTag(Engine engine, const std::atomic<bool>& stop,
                                         UpdateResult& failed) const;
    UpdateResult updateTo(Engine engine, const std::string& tag, const ProgressCallback& progress,
                          const std::atomic<bool>& stop) const;
    UpdateResult fetchYtDlp(const Release& release) const;
    UpdateResult fetchDeno(const Release& release) const;
    UpdateResult install(const Release& release, TemporaryFile& file) const;
    UpdateResult fetchFailure(const Release& release, const FetchOutcome& outcome,
                              const std::string& file) const;
    std::string base(Engine engine) const;

    UpdateSettings m_settings;
};

// The text of a failure, in the language given; detail is the file, address or folder concerned.
std::string updateFailureText(UpdateFailure failure, Language language, const std::string& engine,
                              const std::string& detail);

} // namespace vantaro
