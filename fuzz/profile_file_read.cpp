// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a settings file, read for one key. Input: "section\0key\0file text", or
// the whole input as the file text with the program's own section and key (so the files of
// tests/data/ini serve as seeds: fuzz/run-all passes them). The value holds no line break, at
// most 2047 bytes and no broken UTF-8 character when the file is UTF-8; a plain value written
// back reads the same.
#include "settings/ProfileFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// The lead and continuation bytes of the text fit together (overlong forms are not looked at).
bool wellFormedUtf8(std::string_view text) {
    std::size_t pending = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (pending > 0) {
            if ((byte & 0xC0) != 0x80)
                return false;
            --pending;
        } else if (byte >= 0x80) {
            if ((byte & 0xE0) == 0xC0)
                pending = 1;
            else if ((byte & 0xF0) == 0xE0)
                pending = 2;
            else if ((byte & 0xF8) == 0xF0)
                pending = 3;
            else
                return false;
        }
    }
    return pending == 0;
}

// A name that a written line carries through unchanged.
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
    std::string_view content = input;
    const std::size_t first = input.find('\0');
    const std::size_t second =
        first == std::string_view::npos ? first : input.find('\0', first + 1);
    if (second != std::string_view::npos) {
        section = std::string(input.substr(0, first));
        key = std::string(input.substr(first + 1, second - first - 1));
        content = input.substr(second + 1);
    }
    const std::string text(content);
    const std::string value = vantaro::profileValue(text, section, key);

    if (value.size() > vantaro::ProfileValueLimit ||
        value.find_first_of("\r\n") != std::string::npos)
        std::abort();
    if (wellFormedUtf8(text) && !wellFormedUtf8(value))
        std::abort();

    // Written back, a value that needs no quotes and no trimming reads the same.
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (!value.empty() && !quoted && value.back() != '\x1A' && value.front() != ' ' &&
        value.front() != '\t' && value.back() != ' ' && value.back() != '\t' &&
        plainName(section, std::string_view("]\r\n\0", 4)) &&
        plainName(key, std::string_view("=\r\n\0", 4))) {
        const std::string written = vantaro::withProfileValue(text, section, key, value);
        if (vantaro::profileValue(written, section, key) != value)
            std::abort();
    }
    return 0;
}
