// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/ZipEntry.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace vantaro {
namespace {

constexpr std::uint32_t EndOfDirectorySignature = 0x06054b50;
constexpr std::uint32_t DirectoryEntrySignature = 0x02014b50;
constexpr std::uint32_t LocalHeaderSignature = 0x04034b50;
constexpr std::size_t EndOfDirectorySize = 22;
constexpr std::size_t DirectoryEntrySize = 46;
constexpr std::size_t LocalHeaderSize = 30;
// The end record may carry a comment of up to 64 KiB.
constexpr std::size_t LongestTail = EndOfDirectorySize + 0xffff;
constexpr std::uint16_t Stored = 0;
constexpr std::uint16_t Deflated = 8;
constexpr std::uint16_t EncryptedFlag = 1;

std::uint32_t read16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
std::uint32_t read32(const unsigned char* p) {
    return read16(p) | (static_cast<std::uint32_t>(read16(p + 2)) << 16);
}

bool readAt(std::ifstream& in, std::uint64_t offset, unsigned char* data, std::size_t size) {
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(data), static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(in.gcount()) == size;
}

bool writeAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

struct Entry {
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint64_t packedSize = 0;
    std::uint64_t size = 0;
    std::uint64_t dataOffset = 0;
};

// Finds the one entry through the end record and the central directory.
ZipResult locateEntry(std::ifstream& in, std::uint64_t fileSize, const std::string& name,
                      Entry& entry) {
    const std::size_t tailSize =
        static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, LongestTail));
    if (tailSize < EndOfDirectorySize)
        return ZipResult::NotAZip;
    std::vector<unsigned char> tail(tailSize);
    if (!readAt(in, fileSize - tailSize, tail.data(), tailSize))
        return ZipResult::NotAZip;
    std::size_t at = tailSize - EndOfDirectorySize + 1;
    do {
        --at;
    } while (at > 0 && read32(&tail[at]) != EndOfDirectorySignature);
    if (read32(&tail[at]) != EndOfDirectorySignature)
        return ZipResult::NotAZip;
    const unsigned char* end = &tail[at];
    if (read16(end + 10) != 1 || read16(end + 8) != 1)
        return ZipResult::NotTheExpectedEntry;
    const std::uint64_t directoryOffset = read32(end + 16);
    unsigned char header[DirectoryEntrySize];
    if (!readAt(in, directoryOffset, header, sizeof header) ||
        read32(header) != DirectoryEntrySignature)
        return ZipResult::Corrupt;
    const std::uint32_t nameLength = read16(header + 28);
    std::string entryName(nameLength, '\0');
    if (!readAt(in, directoryOffset + DirectoryEntrySize,
                reinterpret_cast<unsigned char*>(entryName.data()), nameLength))
        return ZipResult::Corrupt;
    if (entryName != name)
        return ZipResult::NotTheExpectedEntry;
    entry.method = static_cast<std::uint16_t>(read16(header + 10));
    entry.crc = read32(header + 16);
    entry.packedSize = read32(header + 20);
    entry.size = read32(header + 24);
    const std::uint64_t localOffset = read32(header + 42);
    if ((read16(header + 8) & EncryptedFlag) != 0 || entry.packedSize == 0xffffffff ||
        entry.size == 0xffffffff || localOffset == 0xffffffff ||
        (entry.method != Stored && entry.method != Deflated))
        return ZipResult::Corrupt;
    unsigned char local[LocalHeaderSize];
    if (!readAt(in, localOffset, local, sizeof local) || read32(local) != LocalHeaderSignature)
        return ZipResult::Corrupt;
    entry.dataOffset = localOffset + LocalHeaderSize + read16(local + 26) + read16(local + 28);
    if (entry.dataOffset + entry.packedSize > fileSize)
        return ZipResult::Corrupt;
    return ZipResult::Done;
}

struct InflateEnd {
    z_stream* stream;
    ~InflateEnd() { inflateEnd(stream); }
};

ZipResult copyEntry(std::ifstream& in, const Entry& entry, int outputFd,
                    const std::atomic<bool>& stop) {
    z_stream stream{};
    if (entry.method == Deflated && inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return ZipResult::Corrupt;
    InflateEnd guard{&stream};
    std::vector<unsigned char> input(1 << 16);
    std::vector<unsigned char> output(1 << 16);
    std::uint64_t packedLeft = entry.packedSize;
    std::uint64_t written = 0;
    std::uint32_t crc = crc32(0, nullptr, 0);
    in.clear();
    in.seekg(static_cast<std::streamoff>(entry.dataOffset));
    bool ended = entry.method == Stored && packedLeft == 0;
    while (!ended) {
        if (stop.load())
            return ZipResult::Stopped;
        const auto chunk =
            static_cast<std::size_t>(std::min<std::uint64_t>(packedLeft, input.size()));
        if (chunk == 0 ||
            !in.read(reinterpret_cast<char*>(input.data()), static_cast<std::streamsize>(chunk)))
            return ZipResult::Corrupt;
        packedLeft -= chunk;
        stream.next_in = input.data();
        stream.avail_in = static_cast<uInt>(chunk);
        do {
            std::size_t produced = chunk;
            const unsigned char* data = input.data();
            if (entry.method == Deflated) {
                stream.next_out = output.data();
                stream.avail_out = static_cast<uInt>(output.size());
                const int rc = inflate(&stream, Z_NO_FLUSH);
                if (rc != Z_OK && rc != Z_STREAM_END)
                    return ZipResult::Corrupt;
                ended = rc == Z_STREAM_END;
                produced = output.size() - stream.avail_out;
                data = output.data();
            } else {
                stream.avail_in = 0;
                ended = packedLeft == 0;
            }
            written += produced;
            if (written > entry.size)
                return ZipResult::Corrupt;
            crc = crc32(crc, data, static_cast<uInt>(produced));
            if (!writeAll(outputFd, data, produced))
                return ZipResult::WriteFailed;
        } while (stream.avail_in > 0 && !ended);
    }
    return written == entry.size && crc == entry.crc ? ZipResult::Done : ZipResult::Corrupt;
}

} // namespace

ZipResult extractSingleEntry(const std::string& zipPath, const std::string& entryName, int outputFd,
                             std::uint64_t maxSize, const std::atomic<bool>& stop) {
    std::ifstream in(zipPath, std::ios::binary | std::ios::ate);
    if (!in)
        return ZipResult::NotAZip;
    const auto fileSize = static_cast<std::uint64_t>(in.tellg());
    Entry entry;
    if (const auto located = locateEntry(in, fileSize, entryName, entry);
        located != ZipResult::Done)
        return located;
    if (entry.size > maxSize)
        return ZipResult::TooLarge;
    return copyEntry(in, entry, outputFd, stop);
}

} // namespace vantaro
