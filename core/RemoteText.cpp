// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RemoteText.h"

#include <algorithm>

namespace vantaro {

std::string cleanRemoteText(std::string_view text) {
    std::string clean;
    clean.reserve(std::min(text.size(), RemoteTextMaxBytes + 4));
    for (std::size_t i = 0; i < text.size() && clean.size() <= RemoteTextMaxBytes; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7f)
            continue;
        // U+0080 to U+009F are coded as C2 80 to C2 9F.
        if (byte == 0xc2 && i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i + 1]) & 0xe0) == 0x80) {
            ++i;
            continue;
        }
        clean += text[i];
    }
    if (clean.size() <= RemoteTextMaxBytes)
        return clean;
    // Back to the start of the character the limit falls into.
    std::size_t end = RemoteTextMaxBytes;
    while (end > 0 && (static_cast<unsigned char>(clean[end]) & 0xc0) == 0x80)
        --end;
    clean.resize(end);
    return clean;
}

} // namespace vantaro
