// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a list file, with a read size taken from the first byte, and checks
// the entries against a plain reading of the whole text: cut at the first Ctrl-Z, carriage
// returns removed, split at line feeds, lines taken two by two.
#include "jobs/ListFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<vantaro::ListFileEntry> plainReading(std::string text) {
    if (const auto stop = text.find('\x1A'); stop != std::string::npos)
        text.resize(stop);
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (const char c : text) {
        open = true;
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
            open = false;
        } else if (c != '\r') {
            line.push_back(c);
        }
    }
    if (open)
        lines.push_back(line);
    std::vector<vantaro::ListFileEntry> entries;
    for (std::size_t i = 0; i < lines.size(); i += 2)
        entries.push_back({lines[i], i + 1 < lines.size() ? lines[i + 1] : std::string()});
    return entries;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t chunkSize = 1 + data[0] % 64;
    std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    std::FILE* stream = fmemopen(bytes.data(), bytes.size(), "rb");
    if (stream == nullptr)
        return 0;
    vantaro::ListFileReader reader(stream, chunkSize);
    std::vector<vantaro::ListFileEntry> entries;
    vantaro::ListFileEntry entry;
    vantaro::ListFileReader::Result result;
    while ((result = reader.readEntry(entry)) == vantaro::ListFileReader::Result::Entry)
        entries.push_back(entry);
    std::fclose(stream);
    if (result != vantaro::ListFileReader::Result::End)
        std::abort();

    const auto expected = plainReading(bytes);
    if (entries.size() != expected.size())
        std::abort();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].link != expected[i].link || entries[i].title != expected[i].title)
            std::abort();
        const std::string name = vantaro::titleToFileName(entries[i].title);
        if (name.size() != entries[i].title.size() || name.find('/') != std::string::npos ||
            name.find(' ') != std::string::npos)
            std::abort();
    }
    return 0;
}
