// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vantaro {

// A reader of the few parts of a JSON text that yt-dlp's answers need; everything else is
// stepped over without being kept. A control character written as it is inside a string makes
// the text unreadable; half a surrogate pair gives U+FFFD, and what follows it is read on its
// own.
class JsonScanner {
public:
    enum class LoneLowHalves {
        Replaced, // U+FFFD, as any lone half
        AsBytes,  // U+DC80 to U+DCFF give back the byte Python wrote a name's non-UTF-8 byte as
    };

    explicit JsonScanner(std::string_view text, LoneLowHalves lowHalves = LoneLowHalves::Replaced)
        : m_text(text), m_lowHalves(lowHalves) {}

    // Nothing but white space is left.
    bool atEnd() {
        space();
        return m_pos >= m_text.size();
    }
    // Takes the character when it comes next.
    bool take(char c) {
        if (!next(c))
            return false;
        ++m_pos;
        return true;
    }
    bool next(char c) {
        space();
        return m_pos < m_text.size() && m_text[m_pos] == c;
    }
    // A string, decoded into out when given.
    bool string(std::string* out);
    // A string value into out; null gives an empty text, any other value is stepped over.
    bool stringOrSkip(std::string& out) {
        if (next('"'))
            return string(&out);
        out.clear();
        return skipValue();
    }
    bool skipValue();

private:
    void space();
    bool escape(std::string* out);
    std::optional<unsigned> hex4();
    unsigned loneHalf(unsigned code) const;

    std::string_view m_text;
    std::size_t m_pos = 0;
    LoneLowHalves m_lowHalves;
};

// A text that is one JSON string and nothing else but white space, decoded.
std::optional<std::string> jsonStringText(std::string_view text,
                                          JsonScanner::LoneLowHalves lowHalves);

} // namespace vantaro
