// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes link splitting and redirect resolution: whatever a page or a server sends, a request
// line never carries a line break or a space, and a resolved link parses again.

#include "engine/HttpLink.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    const auto split = input.find('\n');
    const std::string link = input.substr(0, split);
    const std::string location = split == std::string::npos ? "" : input.substr(split + 1);

    const auto parsed = vantaro::parseHttpLink(link);
    if (!parsed)
        return 0;
    if (parsed->target.empty() || parsed->target.front() != '/' ||
        parsed->target.find_first_of(" \r\n") != std::string::npos ||
        parsed->hostHeader.find_first_of(" \r\n") != std::string::npos)
        std::abort();
    const auto again = vantaro::parseHttpLink(parsed->normalized);
    if (!again || again->target != parsed->target || again->hostHeader != parsed->hostHeader)
        std::abort();
    const std::string next = vantaro::resolveLocation(parsed->normalized, location);
    if (const auto followed = vantaro::parseHttpLink(next)) {
        if (followed->target.find_first_of(" \r\n") != std::string::npos)
            std::abort();
    }
    return 0;
}
