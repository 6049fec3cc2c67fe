// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a settings file, with one key written. Input: "section\0key\0value\0file
// text", or the whole input as the file text with the program's own section and key. Every line
// that does not hold the key comes out byte for byte with its own ending (a last line without
// one may gain one), at most a new header and one key line are added, and the value reads back.
// A leading UTF-8 byte-order mark stays first.
#include "settings/ProfileFile.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Line {
    std::string_view text;
    std::string_view ending;
};

// A line ends at CRLF, LF or a lone CR.
std::vector<Line> lines(std::string_view text) {
    std::vector<Line> result;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        const std::size_t length =
            text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
        result.push_back({text.substr(start, i - start), text.substr(i, length)});
        i += length - 1;
        start = i + 1;
    }
    if (start < text.size())
        result.push_back({text.substr(start), {}});
    return result;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// Loosely: the line names the key before its first "=" (comments and headers included).
bool holdsKey(const Line& line, std::string_view key) {
    const std::size_t equals = line.text.find('=');
    return equals != std::string_view::npos && sameName(trimmed(line.text.substr(0, equals)), key);
}

bool plainName(std::string_view name, std::string_view forbidden) {
    return !name.empty() && name.find_first_of(forbidden) == std::string_view::npos &&
           name.front() != ' ' && name.front() != '\t' && name.back() != ' ' &&
           name.back() != '\t' && name.front() != ';' && name.front() != '[';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string section = "Visual";
    std::string key = "destinationPathName";
    std::string value = "/home/me/Films";
    std::string_view content = input;
    std::size_t cuts[3];
    std::size_t from = 0;
    bool split = true;
    for (std::size_t& cut : cuts) {
        cut = input.find('\0', from);
        split = split && cut != std::string_view::npos;
        from = split ? cut + 1 : input.size();
    }
    if (split) {
        section = std::string(input.substr(0, cuts[0]));
        key = std::string(input.substr(cuts[0] + 1, cuts[1] - cuts[0] - 1));
        value = std::string(input.substr(cuts[1] + 1, cuts[2] - cuts[1] - 1));
        content = input.substr(cuts[2] + 1);
        // Names and values that would break the line apart are the caller's to refuse.
        if (!plainName(section, std::string_view("]\r\n\0", 4)) ||
            !plainName(key, std::string_view("=\r\n\0", 4)) ||
            value.find_first_of("\r\n") != std::string::npos)
            return 0;
    }
    const std::string text(content);
    const std::string written = vantaro::withProfileValue(text, section, key, value);

    // A leading byte-order mark belongs to no line: it stays first, and the lines follow it.
    const std::string_view mark = "\xEF\xBB\xBF";
    const bool marked = std::string_view(text).substr(0, mark.size()) == mark;
    if (marked != (std::string_view(written).substr(0, mark.size()) == mark))
        std::abort();
    const std::size_t skipped = marked ? mark.size() : 0;
    const std::vector<Line> before = lines(std::string_view(text).substr(skipped));
    const std::vector<Line> after = lines(std::string_view(written).substr(skipped));
    const std::string header = "[" + section + "]";
    const auto headers = [&](const std::vector<Line>& all) {
        return std::count_if(all.begin(), all.end(),
                             [&](const Line& l) { return l.text == header; });
    };
    const auto keyLines = [&](const std::vector<Line>& all) {
        return std::count_if(all.begin(), all.end(),
                             [&](const Line& l) { return holdsKey(l, key); });
    };
    const bool newSection = headers(after) > headers(before);
    if (headers(after) - headers(before) > 1 || keyLines(after) - keyLines(before) > 1 ||
        keyLines(after) < keyLines(before) || after.size() > before.size() + 2)
        std::abort();

    // The lines that do not hold the key, in order, without the new header.
    std::vector<Line> keptBefore, keptAfter;
    for (const Line& line : before)
        if (!holdsKey(line, key))
            keptBefore.push_back(line);
    bool headerSkipped = !newSection;
    for (auto it = after.rbegin(); it != after.rend(); ++it) {
        if (holdsKey(*it, key))
            continue;
        if (!headerSkipped && it->text == header) {
            headerSkipped = true;
            continue;
        }
        keptAfter.insert(keptAfter.begin(), *it);
    }
    if (keptBefore.size() != keptAfter.size())
        std::abort();
    for (std::size_t i = 0; i < keptBefore.size(); ++i) {
        // Only the file's last line lacks an ending; it gains one when a line follows it.
        const bool endingKept =
            keptBefore[i].ending == keptAfter[i].ending || keptBefore[i].ending.empty();
        if (keptBefore[i].text != keptAfter[i].text || !endingKept)
            std::abort();
    }

    // The key's line holds the new value, and a value that needs no trimming or quotes reads back.
    const std::string keyLine = key + "=" + value;
    const bool lineWritten = std::any_of(after.begin(), after.end(), [&](const Line& l) {
        return l.text.substr(0, keyLine.size()) == keyLine &&
               l.text.find_first_not_of('\x1A', keyLine.size()) == std::string_view::npos;
    });
    if (!lineWritten)
        std::abort();
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (value == trimmed(value) && !quoted && (value.empty() || value.back() != '\x1A') &&
        value.size() <= vantaro::ProfileValueLimit &&
        vantaro::profileValue(written, section, key) != value)
        std::abort();
    return 0;
}
