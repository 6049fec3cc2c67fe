// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string_view>

namespace vantaro {

// Decodes an HTTP/1.1 chunked body fed in pieces of any size. The fetch turns the library's own
// transfer decoding off and uses this so that every chunk can start its own progress count.
class ChunkDecoder {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        // A chunk with data begins; the terminating zero-length chunk is not announced.
        virtual void chunkStart(std::int64_t length) = 0;
        // Data of the current chunk; a chunk may arrive in several pieces.
        virtual void chunkData(std::string_view data) = 0;
    };

    enum class Status { NeedMore, Finished, Malformed };

    // Feeds the next raw bytes. Bytes after the end of the body are ignored.
    Status feed(std::string_view raw, Handler& handler);
    bool finished() const { return m_state == State::Done; }

private:
    enum class State {
        Size,
        Extension,
        SizeLf,
        Data,
        DataCr,
        DataLf,
        Trailer,
        TrailerLf,
        Done,
        Bad
    };

    Status status() const;
    bool sizeByte(char c, Handler& handler);
    void endSizeLine(Handler& handler);

    State m_state = State::Size;
    std::int64_t m_size = 0;
    std::int64_t m_left = 0;
    bool m_sizeHasDigit = false;
    bool m_trailerLineEmpty = true;
};

} // namespace vantaro
