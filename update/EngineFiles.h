// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "update/ReleaseFetch.h"

#include <cstdint>
#include <string>

namespace vantaro {

// A file this update creates, removed again when it goes out of scope unless kept. The name
// ends with "XXXXXX" for a fresh unique name (mkstemp); otherwise it must not exist yet. Opened
// for writing, closed on exec, mode 0600 until made executable.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& pattern);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool made() const { return m_fd >= 0 || m_finished; }
    const std::string& path() const { return m_path; }
    int fd() const { return m_fd; }
    // Appends what it is given; false (and the transfer stops) when the disk refuses it.
    BodySink sink();
    // Flushes and closes the file; false when anything written was lost.
    bool finish();
    // The file stays: it was moved into place, or its folder is removed as a whole.
    void keep() { m_kept = true; }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_failed = false;
    bool m_finished = false;
    bool m_kept = false;
};

// A private folder (mkdtemp) inside a folder, for the files of one update; removed with all it
// holds when it goes out of scope.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& inside);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool made() const { return !m_path.empty(); }
    const std::string& path() const { return m_path; } // ends with "/"

private:
    std::string m_path;
};

// Makes the engines folder when missing; empty when it exists and can be written, otherwise
// the folder and the system's reason.
std::string prepareEnginesFolder(const std::string& folder);

// The content of a file of at most maxBytes; empty when larger or unreadable.
std::string readSmallFile(const std::string& path, std::uint64_t maxBytes);

bool makeExecutable(const std::string& path);

// Puts newFile in target's place by one rename; the copy that was there stays as
// target + ".previous" (replacing an older one), so a roll-back is one rename away.
bool replaceKeepingPrevious(const std::string& newFile, const std::string& target);

} // namespace vantaro
