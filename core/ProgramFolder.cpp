// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ProgramFolder.h"

#include <filesystem>
#include <mutex>
#include <system_error>

namespace vantaro {
namespace {

std::mutex folderMutex;
std::string overriddenFolder;

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

} // namespace

std::string ProgramFolder() {
    std::lock_guard lock(folderMutex);
    if (!overriddenFolder.empty())
        return overriddenFolder;
    static const std::string folder = executableFolder();
    return folder;
}

void setProgramFolder(const std::string& folder) {
    std::lock_guard lock(folderMutex);
    overriddenFolder = folder;
    if (!overriddenFolder.empty() && overriddenFolder.back() != '/')
        overriddenFolder += '/';
}

bool isExistingDirectory(const std::string& path) {
    if (path.empty())
        return false;
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

} // namespace vantaro
