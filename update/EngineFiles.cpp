// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/EngineFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace vantaro {

TemporaryFile::TemporaryFile(const std::string& pattern) : m_path(pattern) {
    if (pattern.ends_with("XXXXXX"))
        m_fd = ::mkostemp(m_path.data(), O_CLOEXEC);
    else
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_fd < 0)
        m_kept = true; // nothing of ours to remove
}

TemporaryFile::~TemporaryFile() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_kept)
        ::unlink(m_path.c_str());
}

BodySink TemporaryFile::sink() {
    return [this](const char* data, std::size_t size) {
        while (size > 0 && m_fd >= 0) {
            const ssize_t written = ::write(m_fd, data, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                m_failed = true;
                return false;
            }
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return m_fd >= 0;
    };
}

bool TemporaryFile::finish() {
    if (m_fd < 0)
        return false;
    const bool synced = ::fsync(m_fd) == 0;
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    m_finished = true;
    return synced && closed && !m_failed;
}

ScratchFolder::ScratchFolder(const std::string& inside) {
    std::string pattern = inside + ".update-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr)
        m_path = pattern + "/";
}

ScratchFolder::~ScratchFolder() {
    if (m_path.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string prepareEnginesFolder(const std::string& folder) {
    if (folder.empty() || !folder.starts_with('/'))
        return folder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        return folder + " (" + error.message() + ")";
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return folder + " (" + std::strerror(errno) + ")";
    return {};
}

std::string readSmallFile(const std::string& path, std::uint64_t maxBytes) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > maxBytes)
            return {};
    }
    return text;
}

bool makeExecutable(const std::string& path) {
    return ::chmod(path.c_str(), 0755) == 0;
}

bool replaceKeepingPrevious(const std::string& newFile, const std::string& target) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        const std::string previous = target + ".previous";
        if (::unlink(previous.c_str()) != 0 && errno != ENOENT)
            return false;
        if (::link(target.c_str(), previous.c_str()) != 0) {
            std::error_code error;
            std::filesystem::copy_file(target, previous, error);
            if (error)
                return false;
        }
    }
    return ::rename(newFile.c_str(), target.c_str()) == 0;
}

} // namespace vantaro
