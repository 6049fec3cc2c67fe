// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the chunked-body decoder: the same bytes fed whole and in pieces must give the same
// chunks, and the data reported never exceeds what each chunk announced.

#include "engine/ChunkDecoder.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class Collector : public vantaro::ChunkDecoder::Handler {
public:
    void chunkStart(std::int64_t length) override {
        if (length <= 0)
            std::abort();
        lengths.push_back(length);
        data.emplace_back();
    }
    void chunkData(std::string_view piece) override {
        if (data.empty())
            std::abort();
        data.back() += piece;
        if (static_cast<std::int64_t>(data.back().size()) > lengths.back())
            std::abort();
    }
    std::vector<std::int64_t> lengths;
    std::vector<std::string> data;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t piece = 1 + bytes[0] % 16;
    const std::string_view body(reinterpret_cast<const char*>(bytes) + 1, size - 1);

    vantaro::ChunkDecoder whole;
    Collector first;
    const auto wholeStatus = whole.feed(body, first);

    vantaro::ChunkDecoder split;
    Collector second;
    auto splitStatus = vantaro::ChunkDecoder::Status::NeedMore;
    for (std::size_t i = 0; i < body.size(); i += piece) {
        splitStatus = split.feed(body.substr(i, piece), second);
        if (splitStatus != vantaro::ChunkDecoder::Status::NeedMore)
            break;
    }
    if (wholeStatus != splitStatus || first.lengths != second.lengths || first.data != second.data)
        std::abort();
    if (wholeStatus == vantaro::ChunkDecoder::Status::Finished) {
        for (std::size_t i = 0; i < first.data.size(); ++i) {
            if (static_cast<std::int64_t>(first.data[i].size()) != first.lengths[i])
                std::abort();
        }
    }
    return 0;
}
