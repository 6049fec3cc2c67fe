// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ChunkDecoder.h"

#include <algorithm>
#include <limits>

namespace vantaro {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The largest chunk size the 64-bit counts hold; any number of leading zeros may precede it.
constexpr std::int64_t MaxChunkSize = std::numeric_limits<std::int64_t>::max();

} // namespace

ChunkDecoder::Status ChunkDecoder::status() const {
    if (m_state == State::Done)
        return Status::Finished;
    if (m_state == State::Bad)
        return Status::Malformed;
    return Status::NeedMore;
}

// The chunk-size line is complete: the chunk's data, or the trailer after the last chunk.
void ChunkDecoder::endSizeLine(Handler& handler) {
    if (m_size == 0) {
        m_state = State::Trailer;
        m_trailerLineEmpty = true;
        return;
    }
    m_state = State::Data;
    m_left = m_size;
    handler.chunkStart(m_size);
}

// One byte of the chunk-size line before any extension; false when the line is malformed.
bool ChunkDecoder::sizeByte(char c, Handler& handler) {
    const int value = hexValue(c);
    if (value >= 0) {
        if (m_size > (MaxChunkSize - value) / 16)
            return false;
        m_size = m_size * 16 + value;
        m_sizeHasDigit = true;
        return true;
    }
    if (!m_sizeHasDigit)
        return false;
    if (c == ';' || c == ' ' || c == '\t')
        m_state = State::Extension;
    else if (c == '\r')
        m_state = State::SizeLf;
    else if (c == '\n')
        endSizeLine(handler); // a bare LF ends the line too
    else
        return false;
    return true;
}

ChunkDecoder::Status ChunkDecoder::feed(std::string_view raw, Handler& handler) {
    std::size_t i = 0;
    while (i < raw.size() && m_state != State::Done && m_state != State::Bad) {
        const char c = raw[i];
        switch (m_state) {
        case State::Size:
            ++i;
            if (!sizeByte(c, handler))
                m_state = State::Bad;
            break;
        case State::Extension:
            ++i;
            if (c == '\r')
                m_state = State::SizeLf;
            else if (c == '\n')
                endSizeLine(handler);
            break;
        case State::SizeLf:
            ++i;
            if (c == '\n')
                endSizeLine(handler);
            else
                m_state = State::Bad;
            break;
        case State::Data: {
            const auto available = static_cast<std::int64_t>(raw.size() - i);
            const auto take = static_cast<std::size_t>(std::min(m_left, available));
            handler.chunkData(raw.substr(i, take));
            i += take;
            m_left -= static_cast<std::int64_t>(take);
            if (m_left == 0)
                m_state = State::DataCr;
            break;
        }
        case State::DataCr:
            ++i;
            if (c == '\r')
                m_state = State::DataLf;
            else if (c == '\n')
                m_state = State::Size;
            else
                m_state = State::Bad;
            m_size = 0;
            m_sizeHasDigit = false;
            break;
        case State::DataLf:
            ++i;
            m_state = c == '\n' ? State::Size : State::Bad;
            break;
        case State::Trailer:
            ++i;
            if (c == '\r') {
                m_state = State::TrailerLf;
            } else if (c == '\n') {
                m_state = m_trailerLineEmpty ? State::Done : State::Trailer;
                m_trailerLineEmpty = true;
            } else {
                m_trailerLineEmpty = false;
            }
            break;
        case State::TrailerLf:
            ++i;
            if (c != '\n') {
                m_state = State::Bad;
                break;
            }
            m_state = m_trailerLineEmpty ? State::Done : State::Trailer;
            m_trailerLineEmpty = true;
            break;
        case State::Done:
        case State::Bad:
            break;
        }
    }
    return status();
}

} // namespace vantaro
