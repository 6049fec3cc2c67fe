// SPDX-License-Identifier: GPL-3.0-or-later
// The last line of a service reply against a plain reference: split at CR LF, CR or LF, where a
// final line break adds no line.
#include "engine/Resolver.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string referenceLastLine(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    bool open = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(current);
            current.clear();
            open = false;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            current += text[i];
            open = true;
        }
    }
    if (open)
        lines.push_back(current);
    return lines.empty() ? std::string() : lines.back();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (vantaro::lastLineOf(text) != referenceLastLine(text))
        std::abort();
    return 0;
}
