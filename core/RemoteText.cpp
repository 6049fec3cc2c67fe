// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RemoteText.h"

#include <algorithm>

namespace vantaro {
namespace {

constexpr std::size_t MaxContinuationBytes = 3; // the most a UTF-8 character has after its lead

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string cleanRemoteText(std::string_view text, std::size_t maxBytes) {
    std::string kept;
    kept.reserve(std::min(text.size(), maxBytes + MaxContinuationBytes + 1));
    // Only as much is read as can be kept, so that a text of any length costs little.
    for (std::size_t i = 0; i < text.size() && kept.size() <= maxBytes; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F)
            continue;
        // U+0080 to U+009F, the second block of control characters, are C2 80 to C2 9F.
        if (byte == 0xC2 && i + 1 < text.size() &&
            static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            ++i;
            continue;
        }
        kept += text[i];
    }
    if (kept.size() <= maxBytes)
        return kept;
    // Back to the start of the character the cut falls in, when it is a well-formed one.
    std::size_t cut = maxBytes;
    while (cut > 0 && maxBytes - cut < MaxContinuationBytes && isContinuation(kept[cut]))
        --cut;
    if (isContinuation(kept[cut]))
        cut = maxBytes; // not UTF-8 there: cut where the limit is
    kept.resize(cut);
    return kept;
}

} // namespace vantaro
