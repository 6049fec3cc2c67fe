// SPDX-License-Identifier: GPL-3.0-or-later
// fetchToFile against the scripted server on loopback: exact requests, bodies, progress,
// redirects, cookies, failures and Stop.

#include "core/Language.h"
#include "core/RunContext.h"
#include "engine/Fetch.h"

#include "support/RecordingHost.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace {

using vantaro::FetchOptions;
using vantaro::fetchToFile;
using vantaro::testing::generatedBytes;
using vantaro::testing::readWholeFile;
using vantaro::testing::RecordingHost;
using vantaro::testing::ScriptedHttpServer;
using vantaro::testing::TempFolder;
using vantaro::testing::writeWholeFile;

const std::string NetworkErrorFr = "Erreur de connexion réseau!";

// Progress reports as (is-start, value): a start carries the length, a report the count.
std::vector<std::pair<bool, std::int64_t>> progressOf(const RecordingHost& host) {
    std::vector<std::pair<bool, std::int64_t>> progress;
    for (const auto& event : host.events()) {
        if (event.rfind("max:", 0) == 0)
            progress.emplace_back(true, std::stoll(event.substr(4)));
        else if (event.rfind("position:", 0) == 0)
            progress.emplace_back(false, std::stoll(event.substr(9)));
    }
    return progress;
}

// Every start is followed by position 0 and then by counts rising to at most its length.
// Returns the lengths of the starts and the last count after each.
std::vector<std::pair<std::int64_t, std::int64_t>> countsPerStart(const RecordingHost& host) {
    std::vector<std::pair<std::int64_t, std::int64_t>> starts;
    std::int64_t last = -1;
    for (const auto& [isStart, value] : progressOf(host)) {
        if (isStart) {
            starts.emplace_back(value, -1);
            last = -1;
            continue;
        }
        EXPECT_FALSE(starts.empty()) << "a count before any progress start";
        if (starts.empty())
            continue;
        EXPECT_GE(value, last) << "counts must not go back within one start";
        last = value;
        starts.back().second = value;
    }
    return starts;
}

// The cookies of a request, sorted, separated by one space.
std::string cookieNames(const vantaro::testing::RecordedRequest& request) {
    std::vector<std::string> cookies;
    std::string header = request.header("Cookie");
    for (std::size_t start = 0; start < header.size();) {
        auto end = header.find("; ", start);
        if (end == std::string::npos)
            end = header.size();
        cookies.push_back(header.substr(start, end - start));
        start = end + 2;
    }
    std::sort(cookies.begin(), cookies.end());
    std::string joined;
    for (const auto& cookie : cookies)
        joined += (joined.empty() ? "" : " ") + cookie;
    return joined;
}

class FetchTest : public ::testing::Test {
protected:
    std::string fetch(const std::string& link, const FetchOptions& options = {}) {
        fetchToFile(link, output(), *host, context.stopToken(), context.language(), options);
        return readWholeFile(output());
    }
    std::string output() const { return folder.file("out.bin"); }
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : host->messages())
            texts.push_back(message.text);
        return texts;
    }

    vantaro::RunContext context; // French, no stop asked, unless a test says otherwise
    TempFolder folder{"fetch-test"};
    std::unique_ptr<RecordingHost> host = std::make_unique<RecordingHost>();
};

TEST_F(FetchTest, SendsTheExactRequestLineAndHeaders) {
    ScriptedHttpServer server(R"({"routes": {"*": ["final.http"]}})");
    const std::string port = std::to_string(server.port());
    fetch("http://127.0.0.1:" + port + "/a\\b/c%20d;p?x=1&y=%2F&z=%zz#fragment?no");
    fetch("http://127.0.0.1:" + port + "?only=query");
    fetch("HTTP://localhost:" + port);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].requestLine, "GET /a/b/c%20d;p?x=1&y=%2F&z=%zz HTTP/1.1");
    EXPECT_EQ(requests[1].requestLine, "GET /?only=query HTTP/1.1");
    EXPECT_EQ(requests[2].requestLine, "GET / HTTP/1.1");
    EXPECT_EQ(requests[0].header("Host"), "127.0.0.1:" + port);
    EXPECT_EQ(requests[2].header("Host"), "localhost:" + port);
    EXPECT_EQ(requests[0].header("User-Agent"),
              "Mozilla/5.0 (Windows; U; Windows NT 5.1; fr; rv:1.9.2.16) Gecko/20110319 "
              "Firefox/3.6.16 ( .NET CLR 3.5.30729)");
    EXPECT_EQ(requests[0].header("Accept"), "text/html, */*");
    EXPECT_EQ(requests[0].header("Accept-Encoding"), "identity");
    EXPECT_FALSE(requests[0].hasHeader("Cookie"));
    EXPECT_FALSE(requests[0].hasHeader("Proxy-Connection"));
    EXPECT_TRUE(host->messages().empty());
}

TEST_F(FetchTest, WritesBodiesDelimitedByLengthChunksOrClose) {
    ScriptedHttpServer server(R"({"routes": {
        "/length": ["ok-length.http"],
        "/chunked": [{"file": "chunked.http", "pace": [7, 0.02]}],
        "/close": [{"file": "no-length.http", "body_bytes": 100000, "pace": [30000, 0.02]}],
        "/continue": ["continue-then-ok.http"],
        "/empty": ["no-content.http"],
        "/substituted": [{"text": "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n{{PORT}} {{NAME}}",
                          "length": true, "body_bytes": 300}]}})",
                              {{"NAME", std::string(40, 'n')}});

    EXPECT_EQ(fetch(server.url("/length")), std::string("first line\r\nsecond line\r\n\0\xff", 27));
    EXPECT_EQ(countsPerStart(*host),
              (std::vector<std::pair<std::int64_t, std::int64_t>>{{27, 27}}));

    host = std::make_unique<RecordingHost>();
    // Each chunk starts its own count with its own length, the last-chunk none.
    EXPECT_EQ(fetch(server.url("/chunked")), "helloabcdefghijklmnopqrstuvwxyz\r\n\n");
    EXPECT_EQ(countsPerStart(*host),
              (std::vector<std::pair<std::int64_t, std::int64_t>>{{5, 5}, {26, 26}, {3, 3}}));

    host = std::make_unique<RecordingHost>();
    // Without a length the maximum is 0 while the count runs up to what arrived.
    EXPECT_EQ(fetch(server.url("/close")), generatedBytes(100000));
    EXPECT_EQ(countsPerStart(*host),
              (std::vector<std::pair<std::int64_t, std::int64_t>>{{0, 100000}}));
    for (const auto& [isStart, value] : progressOf(*host))
        EXPECT_TRUE(isStart || value <= 100000);

    host = std::make_unique<RecordingHost>();
    EXPECT_EQ(fetch(server.url("/continue")), "after\n");
    EXPECT_EQ(fetch(server.url("/empty")), "");

    // The length the server works out itself counts the body after its substitutions.
    const std::string substituted =
        std::to_string(server.port()) + " " + std::string(40, 'n') + generatedBytes(300);
    EXPECT_EQ(fetch(server.url("/substituted")), substituted);
    const auto size = static_cast<std::int64_t>(substituted.size());
    EXPECT_EQ(countsPerStart(*host),
              (std::vector<std::pair<std::int64_t, std::int64_t>>{{6, 6}, {size, size}}));
    EXPECT_TRUE(host->messages().empty());
}

TEST_F(FetchTest, WritesALargeBodyInBlocksOfAtMost32768Bytes) {
    const std::int64_t size = 3 * 1024 * 1024 + 17;
    ScriptedHttpServer server(R"({"routes": {"*": [{"file": "generated-length.http",
                                   "body_bytes": 3145745}]}})",
                              {{"LENGTH", std::to_string(size)}});
    EXPECT_EQ(fetch(server.url("/big")), generatedBytes(size));
    std::int64_t previous = 0;
    for (const auto& [isStart, value] : progressOf(*host)) {
        if (isStart) {
            EXPECT_EQ(value, size);
            continue;
        }
        EXPECT_LE(value - previous, 32768);
        previous = value;
    }
    EXPECT_EQ(previous, size);
}

TEST_F(FetchTest, AResponseWithALocationIsFollowedWhateverItsStatus) {
    ScriptedHttpServer server(R"({"routes": {"/start": ["location-200.http"],
                                             "/final": ["final.http"]}})");
    EXPECT_EQ(fetch(server.url("/start")), "final body\n");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].target(), "/final");
    EXPECT_TRUE(host->messages().empty());
    // Only the final body counts for the progress.
    EXPECT_EQ(countsPerStart(*host),
              (std::vector<std::pair<std::int64_t, std::int64_t>>{{11, 11}}));
}

TEST_F(FetchTest, FollowsFourteenRedirectsAndSaysSoAtTheFifteenth) {
    // Fourteen relative redirects, then the body.
    std::string plan = R"({"routes": {"*": [)";
    for (int i = 0; i < 14; ++i)
        plan += R"("redirect-relative.http", )";
    plan += R"("final.http"]}})";
    ScriptedHttpServer fourteen(plan, {{"LOCATION", "r"}});
    EXPECT_EQ(fetch(fourteen.url("/dir/../r")), "final body\n");
    EXPECT_EQ(fourteen.requests().size(), 15u);
    EXPECT_EQ(fourteen.requests()[1].target(), "/r");

    ScriptedHttpServer endless(R"({"routes": {"*": ["redirect-relative.http"]}})",
                               {{"LOCATION", "/again?n=1"}});
    writeWholeFile(output(), "old content");
    EXPECT_EQ(fetch(endless.url("/first")), "");
    EXPECT_EQ(endless.requests().size(), 15u);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{NetworkErrorFr}) << "a loop is an error";
}

TEST_F(FetchTest, ARedirectStatusWithoutATargetEndsWithTheNetworkErrorAfterOneRequest) {
    ScriptedHttpServer server(R"({"routes": {"/none": ["redirect-no-location.http"],
                                             "/empty": ["empty-location.http"],
                                             "/start": ["redirect-relative.http"]}})",
                              {{"STATUS", "303 See Other"}, {"LOCATION", "/none"}});
    for (const std::string target : {"/none", "/empty", "/start"}) {
        host = std::make_unique<RecordingHost>();
        writeWholeFile(output(), "previous content");
        EXPECT_EQ(fetch(server.url(target)), "") << target;
        EXPECT_EQ(messageTexts(), std::vector<std::string>{NetworkErrorFr}) << target;
        EXPECT_TRUE(progressOf(*host).empty()) << target;
    }
    // One request each, and the redirect of "/start" leads to one more.
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[3].target(), "/none");

    // An empty Location names no target on a 200 either: its body is the download.
    ScriptedHttpServer page(R"({"routes": {"*": ["empty-location.http"]}})",
                            {{"STATUS", "200 OK"}});
    host = std::make_unique<RecordingHost>();
    EXPECT_EQ(fetch(page.url("/page")), "final body\n");
    EXPECT_EQ(page.requests().size(), 1u);
    EXPECT_TRUE(host->messages().empty());

    // A redirect back to the very same link is a redirect: a server sets a cookie that way.
    // (Such redirects count towards the limit: see the endless chain above.)
    ScriptedHttpServer self(R"({"routes": {"/self": ["redirect-cookie.http", "final.http"]}})",
                            {{"LOCATION", "/self"}, {"DOMAIN", "127.0.0.1"}, {"SCOPE", "ip"}});
    EXPECT_EQ(fetch(self.url("/self")), "final body\n");
    ASSERT_EQ(self.requests().size(), 2u);
    EXPECT_EQ(self.requests()[1].target(), "/self");
    EXPECT_EQ(cookieNames(self.requests()[1]), "scoped=ip sid=abc123");
    EXPECT_TRUE(host->messages().empty());
}

TEST_F(FetchTest, CookiesOfARedirectGoToTheNextHostOnlyWhenTheyMatch) {
    ScriptedHttpServer next(R"({"routes": {"*": ["final.http"]}})");
    const std::string nextPort = std::to_string(next.port());
    // Same host on another port: the cookie goes along (cookies ignore ports).
    ScriptedHttpServer samehost(R"({"routes": {"*": ["redirect-cookie.http"]}})",
                                {{"LOCATION", "http://127.0.0.1:" + nextPort + "/same"},
                                 {"DOMAIN", "127.0.0.1"},
                                 {"SCOPE", "ip"}});
    EXPECT_EQ(fetch(samehost.url("/start")), "final body\n");
    // Another host name: nothing is sent.
    ScriptedHttpServer otherhost(R"({"routes": {"*": ["redirect-cookie.http"]}})",
                                 {{"LOCATION", "http://localhost:" + nextPort + "/other"},
                                  {"DOMAIN", "127.0.0.1"},
                                  {"SCOPE", "ip"}});
    EXPECT_EQ(fetch(otherhost.url("/start")), "final body\n");

    // A domain cookie set by www.site-a.test reaches media.site-a.test, not cdn.site-b.test;
    // the host-only cookie reaches neither.
    ScriptedHttpServer toA(R"({"routes": {"*": ["redirect-cookie.http"]}})",
                           {{"DOMAIN", "site-a.test"},
                            {"SCOPE", "domain"},
                            {"LOCATION", "http://media.site-a.test:" + nextPort + "/a"}});
    ScriptedHttpServer toB(R"({"routes": {"*": ["redirect-cookie.http"]}})",
                           {{"DOMAIN", "site-a.test"},
                            {"SCOPE", "domain"},
                            {"LOCATION", "http://cdn.site-b.test:" + nextPort + "/b"}});
    FetchOptions options;
    options.resolve = {"www.site-a.test:" + std::to_string(toA.port()) + ":127.0.0.1",
                       "www.site-a.test:" + std::to_string(toB.port()) + ":127.0.0.1",
                       "media.site-a.test:" + nextPort + ":127.0.0.1",
                       "cdn.site-b.test:" + nextPort + ":127.0.0.1"};
    EXPECT_EQ(fetch("http://www.site-a.test:" + std::to_string(toA.port()) + "/x", options),
              "final body\n");
    EXPECT_EQ(fetch("http://www.site-a.test:" + std::to_string(toB.port()) + "/y", options),
              "final body\n");

    const auto requests = next.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].target(), "/same");
    EXPECT_EQ(cookieNames(requests[0]), "scoped=ip sid=abc123");
    EXPECT_EQ(requests[1].target(), "/other");
    EXPECT_FALSE(requests[1].hasHeader("Cookie"));
    EXPECT_EQ(requests[2].target(), "/a");
    EXPECT_EQ(requests[2].header("Host"), "media.site-a.test:" + nextPort);
    EXPECT_EQ(requests[2].header("Cookie"), "scoped=domain");
    EXPECT_EQ(requests[3].target(), "/b");
    EXPECT_FALSE(requests[3].hasHeader("Cookie"));
    EXPECT_TRUE(host->messages().empty());
}

TEST_F(FetchTest, SetCookie2IsKeptLikeSetCookie) {
    ScriptedHttpServer next(R"({"routes": {"*": ["final.http"]}})");
    ScriptedHttpServer first(R"({"routes": {"*": ["redirect-cookie2.http"]}})",
                             {{"LOCATION", next.url("/n")}});
    EXPECT_EQ(fetch(first.url("/")), "final body\n");
    ASSERT_EQ(next.requests().size(), 1u);
    EXPECT_EQ(next.requests()[0].header("Cookie"), "old=style");
}

TEST_F(FetchTest, TwoFetchesInARowDoNotShareCookies) {
    ScriptedHttpServer server(R"({"routes": {"*": ["set-cookie.http"]}})");
    EXPECT_EQ(fetch(server.url("/one")), "ok\n");
    EXPECT_EQ(fetch(server.url("/two")), "ok\n");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[1].hasHeader("Cookie"));
}

TEST_F(FetchTest, RefusedAnswersShowTheNetworkErrorOnceAndWriteNothing) {
    ScriptedHttpServer server(R"({"routes": {"/missing": ["not-found.http"],
                                             "/cached": ["not-modified.http"],
                                             "/bad-chunks": ["chunked-malformed.http"],
                                             "/status-in-head": ["status-in-head.http"]}})");
    writeWholeFile(output(), "previous content");
    EXPECT_EQ(fetch(server.url("/missing")), "");
    EXPECT_TRUE(std::filesystem::exists(output()));
    EXPECT_EQ(messageTexts(), std::vector<std::string>{NetworkErrorFr});
    EXPECT_EQ(host->messages()[0].kind, vantaro::MessageKind::Plain);
    EXPECT_TRUE(progressOf(*host).empty());

    host = std::make_unique<RecordingHost>();
    context.setLanguage(vantaro::Language::English);
    EXPECT_EQ(fetch(server.url("/cached")), "");
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Network error!"});

    host = std::make_unique<RecordingHost>();
    fetch(server.url("/bad-chunks"));
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Network error!"});

    // Only the first line of a head is its status line.
    host = std::make_unique<RecordingHost>();
    EXPECT_EQ(fetch(server.url("/status-in-head")), "");
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Network error!"});
}

// Only a body that arrived whole is Whole; every other end has shown its one box, a stop none.
TEST_F(FetchTest, TheResultSaysWhetherTheBodyArrivedWhole) {
    ScriptedHttpServer server(R"({"routes": {
        "/whole": ["ok-length.http"],
        "/chunked": ["chunked.http"],
        "/short": ["short-body.http"],
        "/chunks-cut": ["chunked-cut.http"],
        "/bad-chunks": ["chunked-malformed.http"],
        "/reset": [{"file": "generated-length.http", "body_bytes": 200000,
                    "pace": [20000, 0.02], "reset_after": 100000}],
        "/missing": ["not-found.http"]}})",
                              {{"LENGTH", "200000"}});
    const std::string writeError = "Erreur d'\u00e9criture du fichier /dev/full";
    const struct {
        std::string target, file;
        vantaro::FetchResult result;
        std::vector<std::string> boxes;
    } cases[] = {
        {"/whole", output(), vantaro::FetchResult::Whole, {}},
        {"/chunked", output(), vantaro::FetchResult::Whole, {}},
        {"/short", output(), vantaro::FetchResult::Failed, {NetworkErrorFr}},
        {"/chunks-cut", output(), vantaro::FetchResult::Failed, {NetworkErrorFr}},
        {"/bad-chunks", output(), vantaro::FetchResult::Failed, {NetworkErrorFr}},
        {"/reset", output(), vantaro::FetchResult::Failed, {NetworkErrorFr}},
        {"/missing", output(), vantaro::FetchResult::Failed, {NetworkErrorFr}},
        {"/reset", "/dev/full", vantaro::FetchResult::Failed, {writeError}},
    };
    for (const auto& c : cases) {
        host = std::make_unique<RecordingHost>();
        EXPECT_EQ(fetchToFile(server.url(c.target), c.file, *host, context.stopToken(),
                              context.language()),
                  c.result)
            << c.target;
        EXPECT_EQ(messageTexts(), c.boxes) << c.target;
    }
    host = std::make_unique<RecordingHost>();
    context.requestStop();
    EXPECT_EQ(
        fetchToFile(server.url("/whole"), output(), *host, context.stopToken(), context.language()),
        vantaro::FetchResult::Stopped);
    EXPECT_TRUE(host->messages().empty());
}

// The library frames the body from the header lines as it reads them; the fetch must see the same
// fields and codings, or chunk sizes end up in the file or a good download fails.
TEST_F(FetchTest, HeaderLinesAndTransferCodingsAreReadAsTheLibraryFramesTheBody) {
    ScriptedHttpServer server(R"({"routes": {
        "/folded-location": ["folded-location.http"],
        "/folded-coding": ["folded-transfer-encoding.http"],
        "/chunked-then-identity": ["chunked-then-identity.http"],
        "/not-chunked": ["not-chunked-codings.http"],
        "/no-content": ["no-content-chunked.http"],
        "/leading-zeros": ["chunked-leading-zeros.http"]}})");
    using Starts = std::vector<std::pair<std::int64_t, std::int64_t>>;
    const struct {
        std::string target, body;
        Starts progress;
    } cases[] = {
        // A folded line continues the header before it and never names one.
        {"/folded-location", "final body\n", {{11, 11}}},
        {"/folded-coding", "final body\n", {{11, 11}}},
        // Any "chunked" among the codings means chunked, whatever follows it.
        {"/chunked-then-identity", "hello", {{5, 5}}},
        // "Transfer-Encoding :" names no field, "x-chunked" is another coding; a coding other
        // than chunked leaves the body running until the server closes, whatever its length.
        {"/not-chunked", "5\r\nhello\r\n0\r\n\r\n", {{0, 15}}},
        // A 204 has no body, even announced as chunked.
        {"/no-content", "", {}},
        // Chunk sizes with leading zeros, sixteen digits long.
        {"/leading-zeros", "helloabcdefghijklmnopqrstuvwxyz", {{5, 5}, {26, 26}}},
    };
    for (const auto& c : cases) {
        host = std::make_unique<RecordingHost>();
        EXPECT_EQ(fetch(server.url(c.target)), c.body) << c.target;
        EXPECT_EQ(countsPerStart(*host), c.progress) << c.target;
        EXPECT_TRUE(host->messages().empty()) << c.target;
    }
    // Nothing was asked beyond the links themselves (no "/evil" of the folded Location).
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), std::size(cases));
    for (std::size_t i = 0; i < requests.size(); ++i)
        EXPECT_EQ(requests[i].target(), cases[i].target);
}

TEST_F(FetchTest, HttpsAndUnusableLinksFailWithoutConnecting) {
    ScriptedHttpServer server(R"({"routes": {"/to-https": ["redirect-relative.http"]}})",
                              {{"LOCATION", "https://127.0.0.1:1/secure"}});
    const std::string port = std::to_string(server.port());
    for (const std::string& link : std::vector<std::string>{
             "https://127.0.0.1:" + port + "/", "ftp://127.0.0.1:" + port + "/",
             "127.0.0.1:" + port + "/", "http://:" + port + "/", "http://127.0.0.1:99999/", ""}) {
        host = std::make_unique<RecordingHost>();
        EXPECT_EQ(fetch(link), "") << link;
        EXPECT_EQ(messageTexts(), std::vector<std::string>{NetworkErrorFr}) << link;
    }
    EXPECT_TRUE(server.requests().empty());

    host = std::make_unique<RecordingHost>();
    EXPECT_EQ(fetch(server.url("/to-https")), "");
    EXPECT_EQ(messageTexts(), std::vector<std::string>{NetworkErrorFr});
    EXPECT_EQ(server.requests().size(), 1u);
}

// A host whose progress display fails in the middle of a body.
class FailingProgressHost : public RecordingHost {
public:
    void setProgressPosition(std::int64_t position) override {
        if (position > 0)
            throw std::runtime_error("progress display gone");
        RecordingHost::setProgressPosition(position);
    }
};

TEST_F(FetchTest, AnErrorRaisedByTheHostEndsTheFetchQuietly) {
    ScriptedHttpServer server(R"({"routes": {"*": [{"file": "generated-length.http",
        "body_bytes": 200000, "pace": [50000, 0.02]}]}})",
                              {{"LENGTH", "200000"}});
    FailingProgressHost failing;
    EXPECT_NO_THROW(
        fetchToFile(server.url("/"), output(), failing, context.stopToken(), context.language()));
    EXPECT_TRUE(failing.messages().empty());
    const std::string written = readWholeFile(output());
    EXPECT_LT(written.size(), 200000u);
    EXPECT_EQ(written, generatedBytes(static_cast<std::int64_t>(written.size())));
}

TEST_F(FetchTest, AFileThatCannotBeCreatedRaisesBeforeAnyRequest) {
    ScriptedHttpServer server(R"({"routes": {"*": ["final.http"]}})");
    EXPECT_THROW(fetchToFile(server.url("/"), folder.file("missing/out.bin"), *host,
                             context.stopToken(), context.language()),
                 vantaro::FetchFileError);
    EXPECT_THROW(
        fetchToFile(server.url("/"), folder.path(), *host, context.stopToken(), context.language()),
        vantaro::FetchFileError);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(host->events().empty());
}

TEST_F(FetchTest, AConnectionResetInABodyKeepsWhatArrivedAndShowsTheError) {
    ScriptedHttpServer server(R"({"routes": {"*": [{"file": "generated-length.http",
        "body_bytes": 200000, "pace": [20000, 0.05], "reset_after": 120000}]}})",
                              {{"LENGTH", "200000"}});
    const std::string written = fetch(server.url("/reset"));
    EXPECT_LT(written.size(), 200000u);
    EXPECT_EQ(written, generatedBytes(static_cast<std::int64_t>(written.size())));
    EXPECT_EQ(messageTexts(), std::vector<std::string>{NetworkErrorFr});
}

TEST_F(FetchTest, AServerSilentForTheReadTimeOutFailsButARedirectBodyDoesNot) {
    FetchOptions options;
    // The time-out is well above what a loaded machine needs to answer; the silence is longer.
    options.readTimeout = std::chrono::milliseconds(2000);
    options.redirectBodyTimeout = std::chrono::milliseconds(300);
    ScriptedHttpServer stalled(R"({"routes": {"*": [{"file": "generated-length.http",
        "body_bytes": 5000, "stall_after": 2000}]}})",
                               {{"LENGTH", "5000"}});
    const std::string written = fetch(stalled.url("/"), options);
    EXPECT_EQ(written, std::string(generatedBytes(5000).substr(
                           0, written.size()))); // what arrived before the silence
    EXPECT_EQ(messageTexts(), std::vector<std::string>{NetworkErrorFr});

    host = std::make_unique<RecordingHost>();
    ScriptedHttpServer next(R"({"routes": {"*": ["final.http"]}})");
    ScriptedHttpServer redirect(R"({"routes": {"*": [{"file": "redirect-relative.http",
        "stall_after": 90}]}})",
                                {{"LOCATION", next.url("/after-stall")}});
    EXPECT_EQ(fetch(redirect.url("/"), options), "final body\n");
    EXPECT_TRUE(host->messages().empty());
}

TEST_F(FetchTest, EveryByteThatArrivesRestartsTheReadTimeOut) {
    // One header line takes at least twice the time-out to arrive, two bytes every 40 ms.
    FetchOptions options;
    options.readTimeout = std::chrono::milliseconds(1000);
    ScriptedHttpServer server(R"({"routes": {"*": [{"file": "slow-header.http",
        "pace": [2, 0.04]}]}})",
                              {{"FILLER", std::string(120, 'x')}});
    EXPECT_EQ(fetch(server.url("/slow"), options), "final body\n");
    EXPECT_TRUE(host->messages().empty());
}

TEST_F(FetchTest, StopEndsTheFetchQuicklyAndQuietlyWithWhatArrived) {
    // A slow body, and a server that sends the head and then nothing at all.
    ScriptedHttpServer slow(R"({"routes": {"*": [{"file": "generated-length.http",
        "body_bytes": 1000000, "pace": [1000, 0.02]}]}})",
                            {{"LENGTH", "1000000"}});
    ScriptedHttpServer silent(R"({"routes": {"*": [{"file": "generated-length.http",
        "body_bytes": 1000000, "stall_after": 60}]}})",
                              {{"LENGTH", "1000000"}});
    for (const auto& link : {slow.url("/slow"), silent.url("/silent")}) {
        context.clearStop();
        host = std::make_unique<RecordingHost>();
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            context.requestStop();
        });
        // Ended by the stop, not by the whole body or a time-out's message.
        const std::string written = fetch(link);
        stopper.join();
        EXPECT_LT(written.size(), 1000000u);
        EXPECT_EQ(written, generatedBytes(static_cast<std::int64_t>(written.size())));
        EXPECT_EQ(host->progressPosition(), static_cast<std::int64_t>(written.size()));
        EXPECT_TRUE(host->messages().empty()) << link;
    }
    // A server that accepts the request and never answers.
    ScriptedHttpServer mute(R"({"routes": {"*": [{"file": "final.http", "stall_after": 0}]}})");
    context.clearStop();
    host = std::make_unique<RecordingHost>();
    std::thread stopper([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        context.requestStop();
    });
    // Without the stop, the wait for an answer would end in a time-out and its message.
    EXPECT_EQ(fetch(mute.url("/mute")), "");
    stopper.join();
    EXPECT_EQ(mute.requests().size(), 1u);
    EXPECT_TRUE(host->messages().empty());

    // A stop already asked ends the next fetch before it connects, again without a message.
    ScriptedHttpServer server(R"({"routes": {"*": ["final.http"]}})");
    host = std::make_unique<RecordingHost>();
    EXPECT_EQ(fetch(server.url("/")), "");
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(host->messages().empty());
}

// A device keeps no content to empty between redirects; only a write that fails is an error.
TEST_F(FetchTest, AFailedWriteShowsTheWriteErrorAndADeviceWithoutContentDoesNot) {
    if (!std::filesystem::is_character_file("/dev/full") ||
        !std::filesystem::is_character_file("/dev/null"))
        GTEST_SKIP() << "this system has no /dev/full or /dev/null";
    ScriptedHttpServer server(R"({"routes": {"/start": ["redirect-relative.http"],
                                             "*": [{"file": "generated-length.http",
                                                    "body_bytes": 100000}]}})",
                              {{"LOCATION", "/body"}, {"LENGTH", "100000"}});
    fetchToFile(server.url("/body"), "/dev/full", *host, context.stopToken(), context.language());
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Erreur d'écriture du fichier /dev/full"});
    host = std::make_unique<RecordingHost>();
    context.setLanguage(vantaro::Language::English);
    fetchToFile(server.url("/body"), "/dev/full", *host, context.stopToken(), context.language());
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Cannot write the file /dev/full"});

    host = std::make_unique<RecordingHost>();
    fetchToFile(server.url("/start"), "/dev/null", *host, context.stopToken(), context.language());
    EXPECT_TRUE(host->messages().empty());
    EXPECT_EQ(host->progressPosition(), 100000);
    EXPECT_EQ(server.requests().size(), 4u);
}

} // namespace
