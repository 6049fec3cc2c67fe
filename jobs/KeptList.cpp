// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/KeptList.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantaro {
namespace {

void appendEscaped(std::string& out, const std::string& text) {
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
}

// Splits one row line on its tabs and undoes the escapes; nothing for a malformed line.
std::optional<std::vector<std::string>> splitRowLine(const std::string& line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c != '\\') {
            fields.back() += c;
        } else if (++i < line.size()) {
            const char e = line[i];
            if (e == '\\')
                fields.back() += '\\';
            else if (e == 't')
                fields.back() += '\t';
            else if (e == 'r')
                fields.back() += '\r';
            else if (e == 'n')
                fields.back() += '\n';
            else
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    return fields;
}

std::string systemReason(int error) {
    return std::strerror(error);
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Makes every missing folder of the path, private to the user.
bool makeFolders(const std::string& folder) {
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/')
            continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

std::optional<std::string> readWhole(const std::string& path, int& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    std::string text;
    char block[65536];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = errno;
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        text.append(block, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

std::string asideName(const std::string& path, std::time_t now) {
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return path + ".unreadable-" + stamp;
}

} // namespace

std::string keptListText(const std::vector<KeptRow>& rows) {
    std::string text = std::string(KeptListVersionLine) + "\n";
    for (const KeptRow& row : rows) {
        text += row.inProgress ? "*" : "-";
        for (const std::string& column : row.columns) {
            text += '\t';
            appendEscaped(text, column);
        }
        text += '\n';
    }
    return text + "end " + std::to_string(rows.size()) + "\n";
}

std::optional<std::vector<KeptRow>> parseKeptList(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            return std::nullopt; // every line of a whole file ends with a new line
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (lines.size() < 2 || lines.front() != KeptListVersionLine)
        return std::nullopt;
    const std::size_t count = lines.size() - 2;
    if (lines.back() != "end " + std::to_string(count))
        return std::nullopt;
    std::vector<KeptRow> rows;
    rows.reserve(count);
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::optional<std::vector<std::string>> fields = splitRowLine(lines[i]);
        if (!fields || fields->size() != 7 || ((*fields)[0] != "-" && (*fields)[0] != "*"))
            return std::nullopt;
        KeptRow row;
        row.inProgress = (*fields)[0] == "*";
        for (std::size_t c = 0; c < row.columns.size(); ++c)
            row.columns[c] = std::move((*fields)[c + 1]);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string keptListPath(const std::string& stateHome, const std::string& home) {
    if (!stateHome.empty() && stateHome.front() == '/')
        return stateHome + "/vantaro/list";
    if (!home.empty() && home.front() == '/')
        return home + "/.local/state/vantaro/list";
    return {};
}

KeptListRead readKeptList(const std::string& path, std::time_t now) {
    KeptListRead result;
    int error = 0;
    const std::optional<std::string> text = readWhole(path, error);
    if (!text && (error == ENOENT || error == ENOTDIR))
        return result; // no list, or no folder for one
    if (text) {
        if (std::optional<std::vector<KeptRow>> rows = parseKeptList(*text)) {
            result.outcome = KeptListRead::Outcome::Read;
            result.rows = std::move(*rows);
            return result;
        }
    }
    result.outcome = KeptListRead::Outcome::Unreadable;
    const std::string aside = asideName(path, now);
    for (int n = 1; n < 100; ++n) {
        const std::string name = n == 1 ? aside : aside + "-" + std::to_string(n);
        // A hard link never replaces a file of that name; the list's own name then goes.
        if (::link(path.c_str(), name.c_str()) == 0) {
            ::unlink(path.c_str());
            result.movedTo = name;
            break;
        }
        if (errno != EEXIST)
            break;
    }
    return result;
}

std::string writeKeptList(const std::string& path, const std::vector<KeptRow>& rows) {
    const std::string folder = folderOf(path);
    if (!makeFolders(folder))
        return folder + ": " + systemReason(errno);
    std::string temporary = path + ".new-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return folder + ": " + systemReason(errno);
    const bool written = writeAll(fd, keptListText(rows)) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(temporary.c_str());
        return temporary + ": " + systemReason(written ? errno : writeError);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.c_str());
        return path + ": " + systemReason(renameError);
    }
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return {};
}

KeptListLock::KeptListLock(const std::string& listPath) {
    const std::string lockPath = listPath + ".lock";
    if (!makeFolders(folderOf(lockPath)))
        return;
    m_fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        m_taken = errno == EWOULDBLOCK;
        ::close(m_fd);
        m_fd = -1;
    }
}

KeptListLock::~KeptListLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

KeptListWriter::KeptListWriter(std::string path, FailureReport onFailure)
    : m_path(std::move(path)), m_onFailure(std::move(onFailure)), m_thread([this] { run(); }) {}

KeptListWriter::~KeptListWriter() {
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void KeptListWriter::submit(std::vector<KeptRow> rows) {
    {
        std::lock_guard lock(m_mutex);
        m_pending = std::move(rows);
    }
    m_wake.notify_one();
}

void KeptListWriter::flush() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_pending && !m_writing; });
}

void KeptListWriter::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_pending || m_ending; });
        if (!m_pending)
            return; // ending, nothing left to write
        std::vector<KeptRow> rows = std::move(*m_pending);
        m_pending.reset();
        m_writing = true;
        lock.unlock();
        const std::string problem = writeKeptList(m_path, rows);
        lock.lock();
        m_writing = false;
        if (!problem.empty() && !m_failed) {
            m_failed = true;
            lock.unlock();
            if (m_onFailure)
                m_onFailure(problem);
            lock.lock();
        }
        m_idle.notify_all();
    }
}

} // namespace vantaro
