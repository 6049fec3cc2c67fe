// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProfileFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantaro {
namespace {

struct Line {
    std::string_view text;   // without its line ending
    std::string_view ending; // "\n", "\r\n" or "" for a last line without one
};

std::vector<Line> splitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t end = content.find('\n', pos);
        if (end == std::string_view::npos) {
            lines.push_back({content.substr(pos), {}});
            break;
        }
        std::size_t textEnd = end;
        if (textEnd > pos && content[textEnd - 1] == '\r')
            --textEnd;
        lines.push_back(
            {content.substr(pos, textEnd - pos), content.substr(textEnd, end + 1 - textEnd)});
        pos = end + 1;
    }
    return lines;
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The section name of a "[name]" line, or nothing.
bool sectionName(std::string_view line, std::string_view& name) {
    line = trimmed(line);
    if (line.empty() || line.front() != '[')
        return false;
    const std::size_t close = line.find(']');
    name = trimmed(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
    return true;
}

// The key of a "key=value" line, or nothing; comment lines have no key.
bool keyOf(std::string_view line, std::string_view& key, std::string_view& value) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return false;
    std::string_view name = trimmed(line.substr(0, equals));
    if (name.empty() || name.front() == ';')
        return false;
    key = name;
    value = trimmed(line.substr(equals + 1));
    return true;
}

std::string readWholeFile(const std::string& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    if (!ok)
        return {};
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Replaces the file's contents: the new text goes to a temporary file beside it, which then takes
// the file's place, so a failure midway never leaves a half-written file. Falls back to writing
// in place when the folder refuses the temporary file.
bool replaceFileContents(const std::string& path, const std::string& content) {
    struct stat info {};
    if (::access(path.c_str(), W_OK) != 0 || ::stat(path.c_str(), &info) != 0)
        return false;
    std::error_code ec;
    const bool isLink = std::filesystem::is_symlink(path, ec);
    if (!isLink) {
        const std::string temporary = path + ".tmp-write";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd >= 0) {
            const bool written = ::write(fd, content.data(), content.size()) ==
                                     static_cast<ssize_t>(content.size()) &&
                                 ::fchmod(fd, info.st_mode & 07777) == 0 && ::fsync(fd) == 0;
            const bool closed = ::close(fd) == 0;
            if (written && closed && std::rename(temporary.c_str(), path.c_str()) == 0)
                return true;
            ::unlink(temporary.c_str());
        }
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    out.flush();
    return static_cast<bool>(out);
}

} // namespace

ProfileWriteError::ProfileWriteError(const std::string& path)
    : std::runtime_error("Impossible d'écrire dans " + path) {}

std::string profileValue(const std::string& content, const std::string& section,
                         const std::string& key) {
    bool inSection = false;
    for (const Line& line : splitLines(content)) {
        std::string_view name;
        if (sectionName(line.text, name)) {
            inSection = sameName(name, section);
            continue;
        }
        std::string_view lineKey, value;
        if (inSection && keyOf(line.text, lineKey, value) && sameName(lineKey, key)) {
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return std::string(value.substr(0, ProfileValueLimit));
        }
    }
    return {};
}

std::string withProfileValue(const std::string& content, const std::string& section,
                             const std::string& key, const std::string& value) {
    const std::vector<Line> lines = splitLines(content);
    const bool crlf = content.find("\r\n") != std::string::npos;
    const std::string newline = crlf ? "\r\n" : "\n";
    const std::string keyLine = key + "=" + value;

    std::string result;
    bool inSection = false;
    bool done = false;
    std::ptrdiff_t lastLineOfSection = -1; // where a missing key goes
    std::size_t sectionInsertAt = 0;       // offset in result after that line
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        std::string_view name, lineKey, lineValue;
        if (sectionName(line.text, name)) {
            inSection = !done && sameName(name, section);
            if (inSection)
                lastLineOfSection = static_cast<std::ptrdiff_t>(i);
        } else if (inSection && keyOf(line.text, lineKey, lineValue) && sameName(lineKey, key)) {
            result += keyLine;
            result += line.ending.empty() ? std::string_view{} : line.ending;
            done = true;
            inSection = false;
            continue;
        } else if (inSection && !trimmed(line.text).empty()) {
            lastLineOfSection = static_cast<std::ptrdiff_t>(i);
        }
        result += line.text;
        result += line.ending;
        if (lastLineOfSection == static_cast<std::ptrdiff_t>(i))
            sectionInsertAt = result.size();
    }
    if (done)
        return result;
    if (lastLineOfSection >= 0) {
        std::string insertion = keyLine + newline;
        // The section's last line had no line ending: end it before adding the key.
        if (sectionInsertAt > 0 && result[sectionInsertAt - 1] != '\n')
            insertion = newline + insertion;
        result.insert(sectionInsertAt, insertion);
        return result;
    }
    if (!result.empty() && result.back() != '\n')
        result += newline;
    result += "[" + section + "]" + newline + keyLine + newline;
    return result;
}

std::string readProfileString(const std::string& path, const std::string& section,
                              const std::string& key) {
    bool ok = false;
    const std::string content = readWholeFile(path, ok);
    return ok ? profileValue(content, section, key) : std::string();
}

void writeProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    std::error_code ec;
    const std::string fullPath = std::filesystem::absolute(path, ec).string();
    bool ok = false;
    const std::string content = readWholeFile(path, ok);
    if (!ok || !replaceFileContents(path, withProfileValue(content, section, key, value)))
        throw ProfileWriteError(ec ? path : fullPath);
}

} // namespace vantaro
