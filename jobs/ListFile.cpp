// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/ListFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vantaro {
namespace {
constexpr char CtrlZ = 26;
} // namespace

ListFileReader::ListFileReader(std::FILE* stream, std::size_t chunkSize)
    : m_stream(stream), m_buffer(std::max<std::size_t>(chunkSize, 1)) {}

bool ListFileReader::fill() {
    if (m_ended)
        return false;
    errno = 0;
    const std::size_t count = std::fread(m_buffer.data(), 1, m_buffer.size(), m_stream);
    if (count == 0) {
        if (std::ferror(m_stream))
            m_errorNumber = errno != 0 ? errno : EIO;
        m_ended = true;
        return false;
    }
    m_position = 0;
    m_length = count;
    // Everything from the first Ctrl-Z on is not part of the file.
    if (const void* stop = std::memchr(m_buffer.data(), CtrlZ, count)) {
        m_length = static_cast<std::size_t>(static_cast<const char*>(stop) - m_buffer.data());
        m_ended = true;
    }
    return true;
}

ListFileReader::LineResult ListFileReader::readLine(std::string& line) {
    line.clear();
    bool started = false; // a line exists as soon as one byte of it is there
    for (;;) {
        if (m_position == m_length) {
            if (!fill()) {
                if (m_errorNumber != 0)
                    return LineResult::Error;
                return started ? LineResult::Line : LineResult::End;
            }
            if (m_length == 0)
                continue; // a chunk that began with Ctrl-Z: fill() reports the end next time
        }
        started = true;
        const char* begin = m_buffer.data() + m_position;
        const std::size_t available = m_length - m_position;
        const void* found = std::memchr(begin, '\n', available);
        const std::size_t take =
            found ? static_cast<std::size_t>(static_cast<const char*>(found) - begin) : available;
        // Carriage returns never reach a line: before a LF they end it, elsewhere they are dropped.
        const char* piece = begin;
        const char* const pieceEnd = begin + take;
        while (piece < pieceEnd) {
            const void* cr = std::memchr(piece, '\r', static_cast<std::size_t>(pieceEnd - piece));
            const char* stop = cr ? static_cast<const char*>(cr) : pieceEnd;
            line.append(piece, stop);
            piece = cr ? stop + 1 : pieceEnd;
        }
        m_position += take;
        if (found) {
            ++m_position;
            return LineResult::Line;
        }
    }
}

ListFileReader::Result ListFileReader::readEntry(ListFileEntry& entry) {
    switch (readLine(entry.link)) {
    case LineResult::End:
        return Result::End;
    case LineResult::Error:
        return Result::Error;
    case LineResult::Line:
        break;
    }
    switch (readLine(entry.title)) {
    case LineResult::Error:
        return Result::Error;
    case LineResult::End: // the file ended after the link line
    case LineResult::Line:
        break;
    }
    return Result::Entry;
}

std::string titleToFileName(const std::string& title) {
    std::string name = title;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == ' ' || c == '/' || c == '\0'; }, '-');
    return name;
}

} // namespace vantaro
