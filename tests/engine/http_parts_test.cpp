// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces under the fetch: link splitting, redirect resolution and the chunk decoder.

#include "engine/ChunkDecoder.h"
#include "engine/HttpLink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vantaro::ChunkDecoder;
using vantaro::parseHttpLink;
using vantaro::resolveLocation;

TEST(HttpLinkTest, SplitsLinksAsTheyAreSent) {
    struct Case {
        std::string link, hostHeader, target, libraryUrl;
    };
    const Case cases[] = {
        {"http://www.dailymotion.com/video/x1a2b3c", "www.dailymotion.com", "/video/x1a2b3c",
         "http://www.dailymotion.com:80/video/x1a2b3c"},
        {"HTTP://Host:8080", "Host:8080", "/", "http://Host:8080/"},
        {"http://h:80/a%2fb/../c?q=%41 b#frag", "h", "/a%2fb/../c?q=%41%20b",
         "http://h:80/a%2fb/../c"},
        {"http:\\\\h\\dir\\file.flv?x=\\y", "h", "/dir/file.flv?x=/y", "http://h:80/dir/file.flv"},
        {"http://user:pw@h:81?x", "h:81", "/?x", "http://h:81/"},
        {"http://[::1]:8000/v", "[::1]:8000", "/v", "http://[::1]:8000/v"},
        {"http://h/\xc3\xa9t\xc3\xa9\r\n", "h", "/\xc3\xa9t\xc3\xa9%0D%0A",
         "http://h:80/%C3%A9t%C3%A9%0D%0A"},
    };
    for (const auto& c : cases) {
        const auto link = parseHttpLink(c.link);
        ASSERT_TRUE(link.has_value()) << c.link;
        EXPECT_EQ(link->hostHeader, c.hostHeader) << c.link;
        EXPECT_EQ(link->target, c.target) << c.link;
        EXPECT_EQ(link->libraryUrl, c.libraryUrl) << c.link;
    }
    for (const std::string bad :
         {"", "https://h/", "ftp://h/", "h/path", "http://", "http://:80/", "http://h:0/",
          "http://h:65536/", "http://h:8o/", "http://[::1/", "http://a b/"})
        EXPECT_FALSE(parseHttpLink(bad).has_value()) << bad;
}

TEST(HttpLinkTest, ResolvesRedirectLocations) {
    const std::string base = "http://h:81/a/b/c?q=1";
    const std::pair<std::string, std::string> cases[] = {
        {"http://other/x", "http://other/x"},
        {"https://other/x", "https://other/x"},
        {"//other:82/x?y", "http://other:82/x?y"},
        {"/root", "http://h:81/root"},
        {"\\root\\file", "http://h:81/root/file"},
        {"d", "http://h:81/a/b/d"},
        {"../d/./e?z=../1", "http://h:81/a/d/e?z=../1"},
        {"../../../../d", "http://h:81/d"},
        {"?other", "http://h:81/a/b/c?other"},
        {"", base},
        {"#only-a-fragment", base},
        {"d#frag", "http://h:81/a/b/d"},
    };
    for (const auto& [location, expected] : cases)
        EXPECT_EQ(resolveLocation(base, location), expected) << location;
    EXPECT_EQ(resolveLocation("http://h", "x"), "http://h/x");
}

// Records what the decoder reports, chunk by chunk.
class Collector : public ChunkDecoder::Handler {
public:
    void chunkStart(std::int64_t length) override {
        lengths.push_back(length);
        chunks.emplace_back();
    }
    void chunkData(std::string_view data) override {
        ASSERT_FALSE(chunks.empty()) << "data before a chunk start";
        chunks.back() += data;
    }
    std::vector<std::int64_t> lengths;
    std::vector<std::string> chunks;
};

TEST(ChunkDecoderTest, DecodesWhateverThePiecesTheBodyArrivesIn) {
    const std::string body = "5\r\nhello\r\n1a;ext=\"x\"\r\nabcdefghijklmnopqrstuvwxyz\r\n"
                             "3\n\r\n\n\n0\r\nTrailer: t\r\n\r\nAFTER";
    for (const std::size_t piece : {body.size(), std::size_t{1}, std::size_t{2}, std::size_t{7}}) {
        ChunkDecoder decoder;
        Collector collector;
        ChunkDecoder::Status status = ChunkDecoder::Status::NeedMore;
        for (std::size_t i = 0; i < body.size(); i += piece) {
            status = decoder.feed(std::string_view(body).substr(i, piece), collector);
            if (status != ChunkDecoder::Status::NeedMore)
                break;
        }
        EXPECT_EQ(status, ChunkDecoder::Status::Finished) << piece;
        EXPECT_TRUE(decoder.finished());
        EXPECT_EQ(collector.lengths, (std::vector<std::int64_t>{5, 26, 3})) << piece;
        EXPECT_EQ(collector.chunks,
                  (std::vector<std::string>{"hello", "abcdefghijklmnopqrstuvwxyz", "\r\n\n"}));
    }
}

TEST(ChunkDecoderTest, ReportsMalformedBodiesAndUnfinishedOnes) {
    for (const std::string bad : {"x\r\n", "\r\n", "5\r\nhelloX\r\n0\r\n\r\n", "5\rX",
                                  "10000000000000000\r\n", "5 junk\r\nhello\r\n0\r\n\r\n7z\r\n"}) {
        ChunkDecoder decoder;
        Collector collector;
        const auto status = decoder.feed(bad, collector);
        // A size followed by a space is an extension; the "7z" after the end is ignored.
        if (bad.rfind("5 junk", 0) == 0) {
            EXPECT_EQ(status, ChunkDecoder::Status::Finished);
            continue;
        }
        EXPECT_EQ(status, ChunkDecoder::Status::Malformed) << bad;
        EXPECT_EQ(decoder.feed("0\r\n\r\n", collector), ChunkDecoder::Status::Malformed);
    }
    ChunkDecoder decoder;
    Collector collector;
    EXPECT_EQ(decoder.feed("fffffffffffffff\r\nabc", collector), ChunkDecoder::Status::NeedMore);
    EXPECT_EQ(collector.lengths, std::vector<std::int64_t>{0xfffffffffffffffLL});
    EXPECT_EQ(decoder.feed("", collector), ChunkDecoder::Status::NeedMore);
    ChunkDecoder withoutEnd;
    EXPECT_EQ(withoutEnd.feed("0\r\n", collector), ChunkDecoder::Status::NeedMore);
    EXPECT_FALSE(withoutEnd.finished());
}

TEST(ChunkDecoderTest, SkipsLeadingZerosOfASizeAndRefusesOnlyAnOverflowingOne) {
    const std::string zeros(40, '0');
    for (const std::string& body : std::vector<std::string>{
             "0000000000000005\r\nhello\r\n0000000000000000\r\n\r\n",
             zeros + "5\r\nhello\r\n" + zeros + "\r\n\r\n", "005;x=1\r\nhello\r\n00\r\n\r\n"}) {
        ChunkDecoder decoder;
        Collector collector;
        EXPECT_EQ(decoder.feed(body, collector), ChunkDecoder::Status::Finished) << body;
        EXPECT_EQ(collector.chunks, std::vector<std::string>{"hello"}) << body;
    }
    ChunkDecoder largest;
    Collector collector;
    EXPECT_EQ(largest.feed(zeros + "7fffffffffffffff\r\n", collector),
              ChunkDecoder::Status::NeedMore);
    EXPECT_EQ(collector.lengths, std::vector<std::int64_t>{0x7fffffffffffffffLL});
    for (const std::string overflowing :
         {"8000000000000000", "7fffffffffffffff0", "10000000000000000", "ffffffffffffffffffff"}) {
        ChunkDecoder decoder;
        Collector refused;
        EXPECT_EQ(decoder.feed(overflowing + "\r\n", refused), ChunkDecoder::Status::Malformed)
            << overflowing;
        EXPECT_TRUE(refused.lengths.empty()) << overflowing;
    }
}

} // namespace
