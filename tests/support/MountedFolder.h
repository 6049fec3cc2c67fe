// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantaro::testing {

// A small file system of its own mounted on a fresh folder (a tmpfs), read-only or of a given
// size, so that a test meets a full disk or a read-only folder even as root, whom permissions do
// not stop. Needs the right to mount (root); whyUnavailable() says why not otherwise.
class MountedFolder {
public:
    enum class Kind { ReadOnly, Small };

    MountedFolder(const std::string& path, Kind kind, std::size_t bytes = 64 * 1024)
        : m_path(path) {
        std::error_code ec;
        std::filesystem::create_directories(m_path, ec);
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
        const unsigned long flags = kind == Kind::ReadOnly ? MS_RDONLY : 0;
        if (::mount("tmpfs", m_path.c_str(), "tmpfs", flags | MS_NOSUID | MS_NODEV,
                    options.c_str()) != 0) {
            m_whyUnavailable = std::string("cannot mount a tmpfs on ") + m_path + ": " +
                               std::strerror(errno) + " (needs root)";
            return;
        }
        m_mounted = true;
    }
    ~MountedFolder() {
        if (m_mounted)
            ::umount2(m_path.c_str(), MNT_DETACH);
    }
    MountedFolder(const MountedFolder&) = delete;
    MountedFolder& operator=(const MountedFolder&) = delete;

    // Turns a writable mount read-only, keeping what was written into it.
    bool makeReadOnly() {
        return m_mounted && ::mount("tmpfs", m_path.c_str(), "tmpfs",
                                    MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
    }

    bool mounted() const { return m_mounted; }
    const std::string& whyUnavailable() const { return m_whyUnavailable; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    bool m_mounted = false;
    std::string m_whyUnavailable;
};

} // namespace vantaro::testing
