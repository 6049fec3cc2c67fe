// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace vantaro {

// A write to a profile file that failed; what() is "Impossible d'écrire dans <full path>".
class ProfileWriteError : public std::runtime_error {
public:
    explicit ProfileWriteError(const std::string& path);
};

// Reads and writes keys of an INI ("profile") file the way the classic profile functions do:
// a line ends at CRLF, LF or a lone CR; section and key names match without regard to case;
// a header needs its closing "]" (a line without one is ignored); only the first section of a
// name is read and written; blanks around names and values are dropped, and so are DOS
// end-of-file marks (Ctrl-Z) right after a value; a value wrapped in one pair of quotes loses
// them; a missing key reads as empty text; at most 2047 bytes of a value arrive, never half of a
// UTF-8 character. Writing keeps every other line byte for byte, each with its own ending,
// replaces the key's line in place, or adds the key to its section (the section at the end of
// the file when missing); new lines end in CRLF when the file already uses it, LF otherwise.
// A UTF-8 byte-order mark at the start of the file is read through and written back unchanged.
// Neither function creates a missing file on its own: the write is the caller's decision.
std::string readProfileString(const std::string& path, const std::string& section,
                              const std::string& key);
void writeProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

// The same, on the text of a profile file held in memory.
std::string profileValue(const std::string& content, const std::string& section,
                         const std::string& key);
std::string withProfileValue(const std::string& content, const std::string& section,
                             const std::string& key, const std::string& value);

inline constexpr std::size_t ProfileValueLimit = 2047;

} // namespace vantaro
