// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/ReleaseFetch.h"

#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace vantaro {
namespace {

// As many redirects as a browser would follow for one file; GitHub uses one or two.
constexpr int MaxRedirects = 10;
constexpr long ConnectTimeoutSeconds = 30;
// A transfer slower than a byte a second for a minute has stalled.
constexpr long LowSpeedBytes = 1;
constexpr long LowSpeedSeconds = 60;
constexpr std::size_t LongestTag = 64;

struct UrlParts {
    std::string scheme;
    std::string host;
    bool hasUser = false;
};

std::optional<UrlParts> splitUrl(const std::string& url) {
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> handle(curl_url(), curl_url_cleanup);
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    UrlParts parts;
    char* text = nullptr;
    if (curl_url_get(handle.get(), CURLUPART_SCHEME, &text, 0) == CURLUE_OK) {
        parts.scheme = text;
        curl_free(text);
    }
    if (curl_url_get(handle.get(), CURLUPART_HOST, &text, 0) == CURLUE_OK) {
        parts.host = text;
        curl_free(text);
    }
    if (curl_url_get(handle.get(), CURLUPART_USER, &text, 0) == CURLUE_OK) {
        parts.hasUser = true;
        curl_free(text);
    }
    return parts;
}

struct Transfer {
    CURL* easy = nullptr;
    const FetchRequest* request = nullptr;
    const BodySink* sink = nullptr;
    std::uint64_t received = 0;
    bool tooLarge = false;
    bool sinkFailed = false;
};

long responseCode(CURL* easy) {
    long code = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

std::size_t onBody(char* data, std::size_t one, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t size = one * count;
    if (responseCode(transfer.easy) != 200)
        return size; // a redirect's or an error's body: not the file
    curl_off_t announced = -1;
    curl_easy_getinfo(transfer.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    transfer.received += size;
    if (transfer.received > transfer.request->maxBytes ||
        (announced > 0 && static_cast<std::uint64_t>(announced) > transfer.request->maxBytes)) {
        transfer.tooLarge = true;
        return CURL_WRITEFUNC_ERROR;
    }
    if (!(*transfer.sink)(data, size)) {
        transfer.sinkFailed = true;
        return CURL_WRITEFUNC_ERROR;
    }
    if (transfer.request->progress)
        transfer.request->progress(static_cast<std::int64_t>(transfer.received),
                                   announced > 0 ? static_cast<std::int64_t>(announced) : 0);
    return size;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto& transfer = *static_cast<Transfer*>(user);
    return transfer.request->stop != nullptr && transfer.request->stop->load() ? 1 : 0;
}

void configure(CURL* easy, Transfer& transfer, bool loopbackHttp, bool headOnly) {
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, loopbackHttp ? "https,http" : "https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_NOBODY, headOnly ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "127.0.0.1");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Vantaro/" VANTARO_VERSION);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, ConnectTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, LowSpeedBytes);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, LowSpeedSeconds);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);
}

FetchStatus statusOf(CURLcode code, const Transfer& transfer) {
    if (transfer.request->stop != nullptr && transfer.request->stop->load())
        return FetchStatus::Stopped;
    if (transfer.tooLarge)
        return FetchStatus::TooLarge;
    if (transfer.sinkFailed)
        return FetchStatus::WriteFailed;
    if (code == CURLE_PARTIAL_FILE)
        return FetchStatus::Truncated;
    return FetchStatus::NetworkError;
}

bool isTagWord(const std::string& tag) {
    if (tag.empty() || tag.size() > LongestTag)
        return false;
    for (const char c : tag) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                           (c >= 'A' && c <= 'Z') || c == '.' || c == '-' || c == '_';
        if (!plain)
            return false;
    }
    return true;
}

} // namespace

bool isLoopbackHttpUrl(const std::string& url) {
    const auto parts = splitUrl(url);
    return parts && parts->scheme == "http" && parts->host == "127.0.0.1" && !parts->hasUser;
}

bool isAllowedReleaseUrl(const std::string& url, bool loopbackHttp) {
    const auto parts = splitUrl(url);
    if (!parts || parts->hasUser)
        return false;
    return parts->scheme == "https" || (loopbackHttp && isLoopbackHttpUrl(url));
}

FetchOutcome fetchReleaseFile(const std::string& url, const FetchRequest& request,
                              const BodySink& sink) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    FetchOutcome outcome;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), curl_easy_cleanup);
    if (!easy)
        return outcome;
    Transfer transfer{easy.get(), &request, &sink};
    configure(easy.get(), transfer, request.loopbackHttp, request.headOnly);
    std::string current = url;
    for (int hop = 0; hop <= MaxRedirects; ++hop) {
        outcome.finalUrl = current;
        if (!isAllowedReleaseUrl(current, request.loopbackHttp)) {
            outcome.status = FetchStatus::NotAllowed;
            return outcome;
        }
        curl_easy_setopt(easy.get(), CURLOPT_URL, current.c_str());
        const CURLcode code = curl_easy_perform(easy.get());
        outcome.httpCode = responseCode(easy.get());
        if (code != CURLE_OK) {
            outcome.status = statusOf(code, transfer);
            return outcome;
        }
        char* next = nullptr;
        curl_easy_getinfo(easy.get(), CURLINFO_REDIRECT_URL, &next);
        if (outcome.httpCode / 100 == 3 && next != nullptr) {
            current = next;
            continue;
        }
        outcome.status = outcome.httpCode == 200 ? FetchStatus::Done : FetchStatus::HttpError;
        return outcome;
    }
    outcome.status = FetchStatus::TooManyRedirects;
    return outcome;
}

std::optional<std::string> latestReleaseTag(const std::string& base, const FetchRequest& request,
                                            FetchOutcome& outcome) {
    FetchRequest head = request;
    head.headOnly = true;
    head.maxBytes = 0;
    outcome =
        fetchReleaseFile(base + "/latest", head, [](const char*, std::size_t) { return true; });
    if (outcome.status != FetchStatus::Done)
        return std::nullopt;
    const auto marker = outcome.finalUrl.rfind("/tag/");
    if (marker == std::string::npos)
        return std::nullopt;
    std::string tag = outcome.finalUrl.substr(marker + 5);
    if (!isTagWord(tag))
        return std::nullopt;
    return tag;
}

} // namespace vantaro
