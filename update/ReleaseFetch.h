// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vantaro {

// Bytes received so far and the size announced (0 when the server gave none).
using ProgressCallback = std::function<void(std::int64_t bytes, std::int64_t total)>;

// True for an https:// address, and for http://127.0.0.1[:port]/ when loopbackHttp: the only
// addresses a release is taken from. An address with user information is refused.
bool isAllowedReleaseUrl(const std::string& url, bool loopbackHttp);
// True for an http://127.0.0.1[:port] address: a release location a test serves.
bool isLoopbackHttpUrl(const std::string& url);

enum class FetchStatus {
    Done,
    NotAllowed,       // the address, or a redirect's target, is not one to fetch from
    NetworkError,     // no connection, a failed exchange, a time-out
    HttpError,        // an answer other than 200 (httpCode says which)
    TooManyRedirects, // more than the limit
    TooLarge,         // more than the bytes allowed
    Truncated,        // the connection ended before the announced size
    WriteFailed,      // the sink refused the data
    Stopped,          // the stop token was set
};

struct FetchOutcome {
    FetchStatus status = FetchStatus::NetworkError;
    long httpCode = 0;
    std::string finalUrl; // the address that answered last
};

struct FetchRequest {
    std::uint64_t maxBytes = 0; // the body's limit
    bool headOnly = false;      // ask for the head only (to follow redirects)
    bool loopbackHttp = false;  // plain http to 127.0.0.1 allowed (the release base was such)
    ProgressCallback progress;  // for each block received; may be empty
    const std::atomic<bool>* stop = nullptr;
};

// Receives the body of the 200 answer; false stops the transfer.
using BodySink = std::function<bool(const char* data, std::size_t size)>;

// GETs url through libcurl (one easy handle), following up to 10 redirects itself: each target
// is checked with isAllowedReleaseUrl before it is asked. Only a 200 answer's body reaches sink.
FetchOutcome fetchReleaseFile(const std::string& url, const FetchRequest& request,
                              const BodySink& sink);

// The tag of the latest release: BASE/latest leads, through redirects, to an address ending
// "/tag/TAG". Nothing when it does not, the fetch failed (outcome says how) or TAG is not a
// plain word of at most 64 letters, digits, '.', '-' and '_'.
std::optional<std::string> latestReleaseTag(const std::string& base, const FetchRequest& request,
                                            FetchOutcome& outcome);

} // namespace vantaro
