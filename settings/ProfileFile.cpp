// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ProfileFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
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
    std::string_view ending; // "\r\n", "\n", a lone "\r", or "" for a last line without one
};

// Splits at CRLF, LF and a lone CR (old Mac editors); each line keeps its own ending.
std::vector<Line> splitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        const std::size_t end = content.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.push_back({content.substr(pos), {}});
            break;
        }
        const bool crlf =
            content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n';
        const std::size_t endingSize = crlf ? 2 : 1;
        lines.push_back({content.substr(pos, end - pos), content.substr(end, endingSize)});
        pos = end + endingSize;
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

constexpr char EndOfFileMark = '\x1A'; // Ctrl-Z, left by DOS editors at the end of a file

// The UTF-8 byte-order mark that Windows editors put at the start of a file they save.
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// The file's text after a leading byte-order mark, which belongs to no line.
std::string_view withoutByteOrderMark(std::string_view content) {
    if (content.substr(0, ByteOrderMark.size()) == ByteOrderMark)
        content.remove_prefix(ByteOrderMark.size());
    return content;
}

// The DOS end-of-file marks at the very end of a line.
std::string_view endOfFileMarks(std::string_view text) {
    std::size_t start = text.size();
    while (start > 0 && text[start - 1] == EndOfFileMark)
        --start;
    return text.substr(start);
}

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool startsHeader(std::string_view line) {
    line = trimmed(line);
    return !line.empty() && line.front() == '[';
}

// The section name of a "[name]" line, or nothing; a header without its "]" is malformed and
// names no section.
bool sectionName(std::string_view line, std::string_view& name) {
    if (!startsHeader(line))
        return false;
    line = trimmed(line);
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return false;
    name = trimmed(line.substr(1, close - 1));
    return true;
}

// The key of a "key=value" line, or nothing; comment lines and malformed headers have no key.
bool keyOf(std::string_view line, std::string_view& key, std::string_view& value) {
    if (startsHeader(line))
        return false;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return false;
    std::string_view name = trimmed(line.substr(0, equals));
    if (name.empty() || name.front() == ';')
        return false;
    key = name;
    value = trimmed(line.substr(equals + 1));
    value.remove_suffix(endOfFileMarks(value).size());
    value = trimmed(value);
    return true;
}

bool continuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The byte count of the UTF-8 character that this byte starts, or 0 when it starts none.
std::size_t utf8Length(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xE0) == 0xC0)
        return 2;
    if ((byte & 0xF0) == 0xE0)
        return 3;
    if ((byte & 0xF8) == 0xF0)
        return 4;
    return 0;
}

// At most `limit` bytes of the text; a UTF-8 character that the limit would cut in two is left
// out whole. Text that is not UTF-8 there (8-bit text) is cut at the limit itself.
std::string_view limited(std::string_view text, std::size_t limit) {
    if (text.size() <= limit || limit == 0)
        return text.substr(0, limit);
    if (!continuationByte(text[limit]))
        return text.substr(0, limit);
    std::size_t lead = limit - 1;
    while (lead > 0 && limit - lead < 4 && continuationByte(text[lead]))
        --lead;
    const std::size_t length = utf8Length(text[lead]);
    return text.substr(0, length != 0 && lead + length > limit ? lead : limit);
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

// Where a write goes in the file: the key's line in the first section of the name, or the
// section's last non-blank line to add the key after, or neither when the section is missing.
struct WritePlace {
    std::optional<std::size_t> keyLine;
    std::optional<std::size_t> sectionEnd;
};

WritePlace writePlace(const std::vector<Line>& lines, const std::string& section,
                      const std::string& key) {
    WritePlace place;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view name, lineKey, value;
        if (sectionName(lines[i].text, name)) {
            if (place.sectionEnd)
                break;
            if (sameName(name, section))
                place.sectionEnd = i;
        } else if (place.sectionEnd && keyOf(lines[i].text, lineKey, value) &&
                   sameName(lineKey, key)) {
            place.keyLine = i;
            break;
        } else if (place.sectionEnd && !trimmed(lines[i].text).empty()) {
            place.sectionEnd = i;
        }
    }
    return place;
}

} // namespace

ProfileWriteError::ProfileWriteError(const std::string& path)
    : std::runtime_error("Impossible d'écrire dans " + path) {}

std::string profileValue(const std::string& content, const std::string& section,
                         const std::string& key) {
    // Only the first section of the name counts: the next header ends the search.
    bool inSection = false;
    for (const Line& line : splitLines(withoutByteOrderMark(content))) {
        std::string_view name;
        if (sectionName(line.text, name)) {
            if (inSection)
                return {};
            inSection = sameName(name, section);
            continue;
        }
        std::string_view lineKey, value;
        if (inSection && keyOf(line.text, lineKey, value) && sameName(lineKey, key)) {
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return std::string(limited(value, ProfileValueLimit));
        }
    }
    return {};
}

std::string withProfileValue(const std::string& content, const std::string& section,
                             const std::string& key, const std::string& value) {
    const std::string_view text = withoutByteOrderMark(content);
    const std::vector<Line> lines = splitLines(text);
    // New lines take CRLF when the file already uses it, LF otherwise.
    const std::string newline = content.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const std::string keyLine = key + "=" + value;
    const WritePlace place = writePlace(lines, section, key);

    // A byte-order mark stays where it was, byte for byte.
    std::string result(content.substr(0, content.size() - text.size()));
    result.reserve(content.size() + keyLine.size() + section.size() + 8);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (place.keyLine == i) {
            // The new value replaces the old one; a DOS end-of-file mark stays at the line's end.
            result += keyLine;
            result += endOfFileMarks(line.text);
            result += line.ending;
            continue;
        }
        result += line.text;
        result += line.ending;
        if (!place.keyLine && place.sectionEnd == i) {
            if (line.ending.empty())
                result += newline;
            result += keyLine + newline;
        }
    }
    if (place.keyLine || place.sectionEnd)
        return result;
    if (!lines.empty() && lines.back().ending.empty())
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
