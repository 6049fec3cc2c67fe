// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"

#include <string>

namespace vantaro {

// The folder of the running executable, ending with "/". Tests may point it elsewhere.
std::string runningProgramFolder();
void setProgramFolder(const std::string& folder);

// True when the path exists and is a directory (an empty path is not).
bool isExistingDirectory(const std::string& path);

// True when this process may create files in the folder (its permissions and a read-only mount
// both count).
bool isWritableFolder(const std::string& path);

// The folder a base-directory variable of the environment names (XDG_CONFIG_HOME,
// XDG_RUNTIME_DIR), ending with "/": its value when that is an absolute path (a relative one is
// invalid and ignored, as the base directory rules ask) and, when mustExist, an existing folder;
// otherwise the fallback.
std::string baseDirectoryOr(const std::string& value, const std::string& fallback,
                            bool mustExist = false);

// True when the folder is this user's own and closed to everyone else: a folder itself (not a
// link to one), owned by this process's user, with no permission for its group or for others.
bool isPrivateFolder(const std::string& path);

// The folder of the program's private runtime files (the single-instance socket), ending with
// "/": the runtime folder of the environment (XDG_RUNTIME_DIR) when it is an absolute path to an
// existing folder; otherwise "vantaro-UID" in the temporary folder, made with mode 0700 when
// missing. Empty when that folder is not private (isPrivateFolder): another account could then
// read or take what lies there.
std::string privateRuntimeFolder(const std::string& runtimeDirectory,
                                 const std::string& temporaryFolder);

// Where the program keeps what it writes for the user: the settings file and the default
// download folder. Beside the program when the user can write there and it is not an installed
// copy (a folder under /usr or /opt, even for root); otherwise in per-user folders: the settings
// in $XDG_CONFIG_HOME/vantaro (~/.config/vantaro when that is unset) and the downloads in
// ~/Vantaro.
struct DataFolders {
    std::string settingsFolder;  // holds the settings file; ends with "/"
    std::string downloadsFolder; // the default destination; no trailing "/"
    bool perUser = false;        // true for the per-user folders
};

// The folders for a program folder, from the given home and configuration folders (empty for
// unset); nothing is created.
DataFolders dataFoldersFor(const std::string& programFolder, const std::string& home,
                           const std::string& configHome);

// The same, and when they are the per-user folders, creates them if missing, with an empty
// settings file when the program folder carries one: the installed file is how remembering is
// switched on, for every user of a system-wide install.
DataFolders prepareDataFolders(const std::string& programFolder, const std::string& home,
                               const std::string& configHome);

// The prepared folders of this run, for the program folder and the environment's HOME and
// XDG_CONFIG_HOME. Worked out once for each program folder; tests may set them.
DataFolders dataFoldersOfThisRun();
void setDataFolders(const DataFolders& folders);

// Empty when files can be created in the current folder; otherwise why a download cannot run
// from there (the service's reply is written in that folder), in the given language.
std::string currentFolderProblem(Language language);

} // namespace vantaro
