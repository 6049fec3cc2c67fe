// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary text as a "ports.txt": the reader keeps to its table and every name it stores
// comes from a line of the text.
#include "capture/PortNames.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Reused between runs: a fresh 10000-slot table per run would dominate the time.
    static vantaro::PortNameTable table;
    vantaro::parsePortNames(text, table);
    if (table.size != 0 && table.size != vantaro::PortNameTableSize)
        std::abort();
    if (table.size == 0)
        return 0;
    if (table.names.size() != static_cast<std::size_t>(table.size) || !table.names[0].empty())
        std::abort();
    for (int port = 1; port < table.size; ++port) {
        const std::string& name = table.names[static_cast<std::size_t>(port)];
        if (name.empty())
            continue;
        if (name.find(' ') != std::string::npos || name.find('\n') != std::string::npos ||
            name.find('\r') != std::string::npos || name[0] == '#' ||
            text.find(name) == std::string_view::npos)
            std::abort();
        if (vantaro::serviceName(table, 65535, port) != name)
            std::abort();
    }
    if (vantaro::serviceName(table, 40000, 50000).empty())
        std::abort();
    return 0;
}
