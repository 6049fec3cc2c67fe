// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"
#include "core/SystemReasons.h"
#include "engine/WorkerHost.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantaro {

// The fetch's time-outs, in milliseconds.
inline constexpr int FetchConnectTimeoutMs = 100000;
inline constexpr int FetchReadTimeoutMs = 100000;       // each wait for data
inline constexpr int FetchRedirectBodyTimeoutMs = 4000; // each wait for a redirect's body

// The file given to a fetch could not be created; raised before any network access.
class FetchFileError : public SystemFailure {
public:
    FetchFileError(const std::string& fileName, int errorNumber);
    // A problem already told in the user's language.
    explicit FetchFileError(const std::string& userText);
};

// Settings of a fetch that tests (and only tests) change.
struct FetchOptions {
    std::chrono::milliseconds connectTimeout{FetchConnectTimeoutMs};
    std::chrono::milliseconds readTimeout{FetchReadTimeoutMs};
    std::chrono::milliseconds redirectBodyTimeout{FetchRedirectBodyTimeoutMs};
    // Host names answered without asking the resolver, as "name:port:address" entries.
    std::vector<std::string> resolve;
};

// How a fetch ended, as its caller needs to know it. Only Whole means that the file holds the
// final response's body and all of it: a write error, a network error or a connection cut after
// the headers, a body shorter than its Content-Length and a broken chunk framing are Failed.
enum class FetchResult {
    Whole,
    Stopped, // the stop token cut it short, without a message; the file holds what arrived
    Failed,  // already told to the user, except an error of the host itself
};

// Fetches an http link with a GET into a file (created, or emptied first). Progress and the
// network-error message, in the given language, go to the host; the stop token ends the fetch
// early without a message. Throws FetchFileError when the file cannot be created; reports every
// other failure itself.
FetchResult fetchToFile(const std::string& link, const std::string& fileName, WorkerHost& host,
                        const std::atomic<bool>& stop, Language language,
                        const FetchOptions& options = {});
// The same with the usual settings, except that a network error is not shown: false tells of it.
bool fetchToFileQuietly(const std::string& link, const std::string& fileName, WorkerHost& host,
                        const std::atomic<bool>& stop, Language language);

// The fetch's network-error box.
void showNetworkError(MessagePresenter& presenter, Language language);

} // namespace vantaro
