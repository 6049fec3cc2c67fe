// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vantaro {

// One row of the kept list: the six columns of the grid, and whether the list download was
// working on it when the list was written.
struct KeptRow {
    std::array<std::string, 6> columns;
    bool inProgress = false;
    bool operator==(const KeptRow&) const = default;
};

// The list file the program keeps for itself, so that the queue outlives the program. Its text:
// a version line, one line per row ("-" or "*" for in progress, then the six columns, separated
// by tabs, with backslash, tab, carriage return and new line written as \\, \t, \r and \n), and
// a closing line "end N" with the row count, so that a file cut anywhere is known to be cut.
inline constexpr const char* KeptListVersionLine = "vantaro list 1";

std::string keptListText(const std::vector<KeptRow>& rows);
// The rows of a kept list's text; nothing when the text is cut, foreign or of another version.
std::optional<std::vector<KeptRow>> parseKeptList(const std::string& text);

// $XDG_STATE_HOME/vantaro/list, or ~/.local/state/vantaro/list; empty when neither is known.
std::string keptListPath(const std::string& stateHome, const std::string& home);

struct KeptListRead {
    enum class Outcome { Missing, Read, Unreadable } outcome = Outcome::Missing;
    std::vector<KeptRow> rows;
    std::string movedTo; // Unreadable: where the file now is (empty when it could not move)
};

// Reads the kept list. A file that cannot be read as one is moved aside, beside it, under a name
// that carries the given time ("list.unreadable-YYYYMMDD-HHMMSS", then "-2", "-3"...); it is
// never deleted nor replaced.
KeptListRead readKeptList(const std::string& path, std::time_t now);

// Writes the list the safe way: a new file beside the old one, flushed to disk, renamed over it,
// and the folder flushed; the folder is made when missing. Returns why it failed, empty on
// success; the old file is then untouched.
std::string writeKeptList(const std::string& path, const std::vector<KeptRow>& rows);

// The right to write the kept list: an exclusive lock on "PATH.lock", held while this object
// lives. A second program finds it taken and leaves the list alone; where no lock file can be
// made, no list can be written either, and the writer says so.
class KeptListLock {
public:
    explicit KeptListLock(const std::string& listPath);
    ~KeptListLock();
    KeptListLock(const KeptListLock&) = delete;
    KeptListLock& operator=(const KeptListLock&) = delete;
    bool held() const { return m_fd >= 0; }
    // Another program holds the lock (rather than the lock file being out of reach).
    bool takenElsewhere() const { return m_taken; }

private:
    int m_fd = -1;
    bool m_taken = false;
};

// Writes the rows it is given on a thread of its own, latest first: rows given while a write
// runs wait for it, and only the last of them is written, so a burst of changes is one write
// and the caller never waits on the disk. A failure is reported once, on the writer's thread.
class KeptListWriter {
public:
    using FailureReport = std::function<void(const std::string& reason)>;
    KeptListWriter(std::string path, FailureReport onFailure);
    ~KeptListWriter(); // writes what is pending, then ends the thread
    KeptListWriter(const KeptListWriter&) = delete;
    KeptListWriter& operator=(const KeptListWriter&) = delete;

    void submit(std::vector<KeptRow> rows);
    // Waits until everything given so far is written (or has failed).
    void flush();

private:
    void run();

    std::string m_path;
    FailureReport m_onFailure;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<std::vector<KeptRow>> m_pending;
    bool m_writing = false;
    bool m_ending = false;
    bool m_failed = false;
    std::thread m_thread;
};

} // namespace vantaro
