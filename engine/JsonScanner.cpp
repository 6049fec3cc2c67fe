// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/JsonScanner.h"

#include <cstring>

namespace vantaro {
namespace {

constexpr unsigned ReplacementCharacter = 0xFFFD;
// Where a run of plain characters inside a string ends: its end, an escape, or a control
// character (32 of them, NUL first, so the text has an explicit size).
constexpr std::string_view StringStops{
    "\"\\\0\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f"
    "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f",
    34};

void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

void JsonScanner::space() {
    while (m_pos < m_text.size() && std::strchr(" \t\r\n", m_text[m_pos]) != nullptr &&
           m_text[m_pos] != '\0')
        ++m_pos;
}

std::optional<unsigned> JsonScanner::hex4() {
    if (m_text.size() - m_pos < 4)
        return std::nullopt;
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = m_text[m_pos++];
        const char* digits = "0123456789abcdef";
        const char* found = std::strchr(digits, c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
        if (c == '\0' || found == nullptr)
            return std::nullopt;
        value = value * 16 + static_cast<unsigned>(found - digits);
    }
    return value;
}

// What half a surrogate pair found alone stands for; a byte, for the few that give one back.
unsigned JsonScanner::loneHalf(unsigned code) const {
    if (m_lowHalves == LoneLowHalves::AsBytes && code >= 0xDC80 && code < 0xDD00)
        return code - 0xDC00;
    return ReplacementCharacter;
}

bool JsonScanner::escape(std::string* out) {
    if (m_pos >= m_text.size())
        return false;
    const char c = m_text[m_pos++];
    const char* plain = "\"\\/bfnrt";
    const char* meant = "\"\\/\b\f\n\r\t";
    if (const char* found = std::strchr(plain, c); found != nullptr && c != '\0') {
        if (out)
            *out += meant[found - plain];
        return true;
    }
    if (c != 'u')
        return false;
    std::optional<unsigned> code = hex4();
    if (!code)
        return false;
    // A character beyond the first plane comes as two escapes, a surrogate pair.
    if (*code >= 0xD800 && *code < 0xDC00) {
        const std::size_t afterHigh = m_pos;
        std::optional<unsigned> low;
        if (m_text.substr(m_pos, 2) == "\\u") {
            m_pos += 2;
            low = hex4();
        }
        if (low && *low >= 0xDC00 && *low < 0xE000) {
            code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
        } else {
            m_pos = afterHigh;
            code = ReplacementCharacter;
        }
    } else if (*code >= 0xDC00 && *code < 0xE000) {
        const unsigned meaning = loneHalf(*code);
        if (meaning < 0x100) {
            if (out)
                *out += static_cast<char>(meaning);
            return true;
        }
        code = meaning;
    }
    if (out)
        appendUtf8(*out, *code);
    return true;
}

bool JsonScanner::string(std::string* out) {
    if (!take('"'))
        return false;
    if (out)
        out->clear();
    while (m_pos < m_text.size()) {
        const std::size_t stop = m_text.find_first_of(StringStops, m_pos);
        if (stop == std::string_view::npos || static_cast<unsigned char>(m_text[stop]) < 0x20)
            return false; // a control character is never written as it is inside a string
        if (out)
            out->append(m_text.substr(m_pos, stop - m_pos));
        m_pos = stop + 1;
        if (m_text[stop] == '"')
            return true;
        if (!escape(out))
            return false;
    }
    return false;
}

bool JsonScanner::skipValue() {
    int depth = 0;
    do {
        if (atEnd())
            return false;
        const char c = m_text[m_pos];
        if (c == '"') {
            if (!string(nullptr))
                return false;
        } else if (c == '{' || c == '[') {
            ++depth;
            ++m_pos;
        } else if (c == '}' || c == ']' || c == ',' || c == ':') {
            if (depth == 0 || ((c == '}' || c == ']') && --depth < 0))
                return false;
            ++m_pos;
        } else {
            const std::size_t start = m_pos;
            while (m_pos < m_text.size() && std::strchr(",:]} \t\r\n", m_text[m_pos]) == nullptr)
                ++m_pos;
            if (m_pos == start)
                return false;
        }
    } while (depth > 0);
    return true;
}

std::optional<std::string> jsonStringText(std::string_view text,
                                          JsonScanner::LoneLowHalves lowHalves) {
    JsonScanner json(text, lowHalves);
    std::string decoded;
    if (!json.string(&decoded) || !json.atEnd())
        return std::nullopt;
    return decoded;
}

} // namespace vantaro
