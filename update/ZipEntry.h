// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace vantaro {

// How taking the one file out of a release zip went.
enum class ZipResult {
    Done,
    NotAZip,
    NotTheExpectedEntry,
    TooLarge,
    Corrupt,
    WriteFailed,
    Stopped
};

// Writes the content of the zip's only entry, which must be called entryName, into outputFd
// (from its current position). The entry is stored or deflated; its size must stay within
// maxSize and its CRC-32 must match. A zip with more entries, a folder, encryption or zip64
// records is refused.
ZipResult extractSingleEntry(const std::string& zipPath, const std::string& entryName, int outputFd,
                             std::uint64_t maxSize, const std::atomic<bool>& stop);

} // namespace vantaro
