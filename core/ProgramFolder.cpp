// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ProgramFolder.h"

#include "core/Constants.h"
#include "core/Language.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <system_error>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantaro {
namespace {

std::mutex folderMutex;
std::string overriddenFolder;
std::optional<DataFolders> setFolders;
// Worked out once per program folder (tests point the program folder elsewhere).
std::optional<DataFolders> preparedFolders;
std::string preparedFor;

std::string executableFolder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "./";
    std::string folder = exe.parent_path().string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string withSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// An installed copy: the folder lies under /usr or /opt, through links too (/lib is /usr/lib on
// most systems). Its files belong to the system, whoever runs it.
bool isInstalledCopy(const std::string& programFolder) {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::weakly_canonical(programFolder, ec);
    if (ec)
        folder = std::filesystem::path(programFolder).lexically_normal();
    const auto top = folder.begin();
    if (!folder.is_absolute() || top == folder.end() || std::next(top) == folder.end())
        return false;
    const std::string first = std::next(top)->string();
    return first == "usr" || first == "opt";
}

// HOME, or the account's home folder when it is unset (a service, a bare sudo).
std::string homeFolder() {
    std::string home = environmentValue("HOME");
    if (home.empty())
        if (const passwd* account = ::getpwuid(::getuid()); account && account->pw_dir)
            home = account->pw_dir;
    return home;
}

// Creates the per-user folders, and the settings file when the program folder has one.
void preparePerUserFolders(const std::string& programFolder, const DataFolders& folders) {
    std::error_code ec;
    std::filesystem::create_directories(folders.settingsFolder, ec);
    std::filesystem::create_directories(folders.downloadsFolder, ec);
    const std::string installed = withSlash(programFolder) + PreferencesFileName;
    const std::string own = folders.settingsFolder + PreferencesFileName;
    if (std::filesystem::is_regular_file(installed, ec) && !std::filesystem::exists(own, ec))
        std::ofstream(own, std::ios::binary | std::ios::app);
}

} // namespace

std::string runningProgramFolder() {
    std::lock_guard lock(folderMutex);
    if (!overriddenFolder.empty())
        return overriddenFolder;
    static const std::string folder = executableFolder();
    return folder;
}

void setProgramFolder(const std::string& folder) {
    std::lock_guard lock(folderMutex);
    overriddenFolder = withSlash(folder);
}

bool isExistingDirectory(const std::string& path) {
    if (path.empty())
        return false;
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

bool isWritableFolder(const std::string& path) {
    return isExistingDirectory(path) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string baseDirectoryOr(const std::string& value, const std::string& fallback, bool mustExist) {
    const bool usable =
        !value.empty() && value.front() == '/' && (!mustExist || isExistingDirectory(value));
    return withSlash(usable ? value : fallback);
}

bool isPrivateFolder(const std::string& path) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back(); // with a final "/", lstat would follow a link
    struct stat status {};
    return !folder.empty() && ::lstat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::getuid() && (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

std::string privateRuntimeFolder(const std::string& runtimeDirectory,
                                 const std::string& temporaryFolder) {
    std::string folder = baseDirectoryOr(runtimeDirectory, "", true);
    if (folder.empty()) {
        folder = baseDirectoryOr(temporaryFolder, "/tmp") + "vantaro-" +
                 std::to_string(::getuid()) + "/";
        ::mkdir(folder.c_str(), S_IRWXU); // an existing one is checked like a new one
    }
    return isPrivateFolder(folder) ? folder : std::string();
}

DataFolders dataFoldersFor(const std::string& programFolder, const std::string& home,
                           const std::string& configHome) {
    const std::string program = withSlash(programFolder);
    if ((isWritableFolder(program) && !isInstalledCopy(program)) || home.empty())
        return {program, program + DownloadsFolderName, false};
    const std::string config = baseDirectoryOr(configHome, withSlash(home) + ".config/");
    return {config + "vantaro/", withSlash(home) + "Vantaro", true};
}

DataFolders prepareDataFolders(const std::string& programFolder, const std::string& home,
                               const std::string& configHome) {
    const DataFolders folders = dataFoldersFor(programFolder, home, configHome);
    if (folders.perUser)
        preparePerUserFolders(programFolder, folders);
    return folders;
}

DataFolders dataFoldersOfThisRun() {
    const std::string program = runningProgramFolder();
    std::lock_guard lock(folderMutex);
    if (setFolders)
        return *setFolders;
    if (!preparedFolders || preparedFor != program) {
        preparedFolders =
            prepareDataFolders(program, homeFolder(), environmentValue("XDG_CONFIG_HOME"));
        preparedFor = program;
    }
    return *preparedFolders;
}

void setDataFolders(const DataFolders& folders) {
    std::lock_guard lock(folderMutex);
    setFolders = folders;
}

std::string currentFolderProblem(Language language) {
    std::error_code ec;
    const std::string current = std::filesystem::current_path(ec).string();
    if (!ec && isWritableFolder(current))
        return {};
    const std::string shown = ec ? std::string("?") : current;
    return pickText(language,
                    "Vantaro ne peut pas écrire dans le dossier courant (" + shown +
                        "), où il enregistre la réponse du service. Lancez Vantaro depuis un "
                        "dossier où vous pouvez écrire, par exemple votre dossier personnel.",
                    "Vantaro cannot write in the current folder (" + shown +
                        "), where it saves the service's reply. Start Vantaro from a folder you "
                        "can write in, such as your home folder.");
}

} // namespace vantaro
