// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Fetch.h"

#include "core/Language.h"
#include "engine/ChunkDecoder.h"
#include "engine/HttpLink.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantaro {

namespace {

using Clock = std::chrono::steady_clock;

// The request's header fields.
constexpr const char* FetchUserAgent =
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; fr; rv:1.9.2.16) Gecko/20110319 Firefox/3.6.16 "
    "( .NET CLR 3.5.30729)";
constexpr const char* FetchAccept = "text/html, */*";
constexpr const char* FetchAcceptEncoding = "identity";
constexpr int RedirectLimit = 15;        // this redirect response ends the fetch
constexpr std::size_t BlockSize = 32768; // largest block written and reported at once
constexpr int FetchStopPollMs = 100;     // the stop token is looked at this often at least

// How a fetch ended; each end has exactly one way of being reported.
// Abandoned: an unexpected error inside the fetch (the host raising, say), ended quietly.
enum class FetchEnd { Completed, Stopped, NetworkError, WriteError, Abandoned };

// The file a fetch writes: created (or emptied) at once, written block by block.
class OutputFile {
public:
    explicit OutputFile(const std::string& name) : m_name(name) {
        m_fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (m_fd < 0)
            throw FetchFileError(name, errno);
    }
    ~OutputFile() { close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool write(std::string_view data) {
        while (!data.empty()) {
            const ssize_t written = ::write(m_fd, data.data(), data.size());
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            data.remove_prefix(static_cast<std::size_t>(written));
        }
        return true;
    }
    // Empties the file again. A device or a pipe keeps no content: there is nothing to empty.
    bool empty() {
        struct stat status {};
        if (::fstat(m_fd, &status) != 0)
            return false;
        if (!S_ISREG(status.st_mode))
            return true;
        return ::ftruncate(m_fd, 0) == 0 && ::lseek(m_fd, 0, SEEK_SET) == 0;
    }
    bool close() {
        if (m_fd < 0)
            return true;
        const bool closed = ::close(m_fd) == 0;
        m_fd = -1;
        return closed;
    }
    const std::string& name() const { return m_name; }

private:
    std::string m_name;
    int m_fd = -1;
};

// What one response turned out to be once its headers were read.
enum class ResponseKind { Pending, Redirect, Body, Refused };

// One request and its response: header parsing, the body sink, progress and the stop check.
class Exchange : public ChunkDecoder::Handler {
public:
    Exchange(OutputFile& file, WorkerHost& host, const std::atomic<bool>& stop)
        : m_file(file), m_host(host), m_stop(stop) {}

    void headerLine(std::string_view line);
    std::size_t body(std::string_view data);
    void connected() {
        m_connected = true;
        lastActivity = Clock::now();
    }
    // Bytes of this response arrived at that time (possibly before the library read them).
    void dataArrived(Clock::time_point at) { lastActivity = std::max(lastActivity, at); }

    void chunkStart(std::int64_t length) override { startCount(length); }
    void chunkData(std::string_view data) override { collect(data); }
    // Writes the bytes collected so far as one block and reports the running count.
    void flush();

    bool headersDone() const { return m_head.done; }
    ResponseKind kind() const { return m_head.kind; }
    bool isConnected() const { return m_connected; }
    bool bodyComplete() const { return !m_head.chunked || m_decoder.finished(); }
    const std::string& location() const { return m_head.location; }
    const std::vector<std::string>& setCookie2() const { return m_setCookie2; }

    bool stopped = false;
    bool abandoned = false;
    bool writeFailed = false;
    bool malformed = false;
    Clock::time_point lastActivity = Clock::now();

private:
    void fieldLine(std::string_view name, std::string_view value);
    void endOfField();
    void endOfHeaders();
    void startCount(std::int64_t length);
    void collect(std::string_view data);

    // What the status line and the headers of the response said.
    struct Head {
        long status = 0;
        bool done = false;
        bool transferCoding = false; // a Transfer-Encoding field names a coding
        bool chunkedCoding = false;  // one of them is "chunked"
        bool chunked = false;        // the body is chunked (decided at the end of the headers)
        bool hasLocation = false;
        std::optional<std::int64_t> contentLength;
        std::string location;
        ResponseKind kind = ResponseKind::Pending;
    };

    // A header field whose value a folded line may still continue.
    struct Field {
        std::string name;
        std::string value;
    };

    OutputFile& m_file;
    WorkerHost& m_host;
    const std::atomic<bool>& m_stop;
    Head m_head;
    std::optional<Field> m_field;
    bool m_statusNext = true; // the next line of the head is a status line
    bool m_connected = false;
    std::vector<std::string> m_setCookie2;
    ChunkDecoder m_decoder;
    std::int64_t m_count = 0;
    // The library hands the body over in small pieces; they are gathered into blocks of
    // BlockSize bytes, written when full, at each chunk's end and whenever the transfer waits.
    std::string m_block;
};

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool sameName(std::string_view a, const char* b) {
    return a.size() == std::strlen(b) && strncasecmp(a.data(), b, a.size()) == 0;
}

// Whether a comma-separated list of transfer codings holds "chunked" as one of its codings.
bool namesChunked(std::string_view codings) {
    while (!codings.empty()) {
        const auto comma = codings.find(',');
        if (sameName(trimmed(codings.substr(0, comma)), "chunked"))
            return true;
        if (comma == std::string_view::npos)
            break;
        codings.remove_prefix(comma + 1);
    }
    return false;
}

// One line of the head as the library hands it over, line end included.
void Exchange::headerLine(std::string_view line) {
    lastActivity = Clock::now();
    if (m_head.done)
        return; // trailers of a chunked body
    if (m_statusNext && line.rfind("HTTP/", 0) == 0) {
        // A response begins; an interim one (100) is followed by the real one. Further down
        // the head, a line that begins with "HTTP/" is a header line like any other.
        m_statusNext = false;
        m_head = Head{};
        m_field.reset();
        const auto space = line.find(' ');
        if (space != std::string_view::npos)
            std::from_chars(line.data() + space + 1, line.data() + line.size(), m_head.status);
        return;
    }
    if (line.empty() || line.front() == '\r' || line.front() == '\n') {
        endOfField();
        if (m_head.status >= 200)
            endOfHeaders();
        else
            m_statusNext = true;
        return;
    }
    if (line.front() == ' ' || line.front() == '\t') {
        // A folded line continues the field before it; it never names a field of its own.
        if (m_field && !trimmed(line).empty())
            m_field->value += (m_field->value.empty() ? "" : " ") + std::string(trimmed(line));
        return;
    }
    endOfField();
    const auto colon = line.find(':');
    if (colon == std::string_view::npos)
        return;
    // The name runs up to the colon: "Location :" names no field the library knows either.
    fieldLine(line.substr(0, colon), trimmed(line.substr(colon + 1)));
}

// The first line of a field. The library frames the body from this line alone, folded lines
// aside, so the framing fields are read here; the others wait for their folded lines.
void Exchange::fieldLine(std::string_view name, std::string_view value) {
    if (sameName(name, "Transfer-Encoding")) {
        m_head.transferCoding = true;
        // Once any field names "chunked", the body is chunked whatever the other fields say.
        m_head.chunkedCoding = m_head.chunkedCoding || namesChunked(value);
    } else if (sameName(name, "Content-Length")) {
        std::int64_t length = 0;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), length);
        if (error == std::errc() && end == value.data() + value.size())
            m_head.contentLength = length;
    }
    m_field = Field{std::string(name), std::string(value)};
}

// A field is complete once the next line is not one of its folded lines.
void Exchange::endOfField() {
    if (!m_field)
        return;
    const Field field = std::move(*m_field);
    m_field.reset();
    if (sameName(field.name, "Location")) {
        // An empty value names no target at all.
        m_head.hasLocation = !field.value.empty();
        m_head.location = field.value;
    } else if (sameName(field.name, "Set-Cookie2")) {
        m_setCookie2.push_back(field.value);
    }
}

void Exchange::endOfHeaders() {
    m_head.done = true;
    const long status = m_head.status;
    // Only a response that names a target leads on; a redirect status without one is refused.
    if (m_head.hasLocation)
        m_head.kind = ResponseKind::Redirect;
    else if (status / 100 == 2)
        m_head.kind = ResponseKind::Body;
    else
        m_head.kind = ResponseKind::Refused;
    // The body's framing, as the library decides it: a 204 or a 304 has no body at all; a
    // transfer coding other than chunked runs the body until the server closes the connection,
    // whatever length it announces.
    const bool bodyless = status == 204 || status == 304;
    m_head.chunked = m_head.chunkedCoding && !bodyless;
    if (m_head.kind == ResponseKind::Body && !bodyless && !m_head.chunked)
        startCount(m_head.transferCoding ? 0 : m_head.contentLength.value_or(0));
}

void Exchange::startCount(std::int64_t length) {
    flush(); // the end of the previous chunk
    m_count = 0;
    m_host.setProgressMax(length);
    m_host.setProgressPosition(0);
}

void Exchange::collect(std::string_view data) {
    while (!data.empty() && !writeFailed) {
        if (m_block.capacity() < BlockSize)
            m_block.reserve(BlockSize);
        const std::size_t take = std::min(data.size(), BlockSize - m_block.size());
        m_block.append(data.data(), take);
        data.remove_prefix(take);
        if (m_block.size() == BlockSize)
            flush();
    }
}

void Exchange::flush() {
    if (m_block.empty() || writeFailed)
        return;
    if (!m_file.write(m_block)) {
        writeFailed = true;
        return;
    }
    m_count += static_cast<std::int64_t>(m_block.size());
    m_block.clear();
    m_host.setProgressPosition(m_count);
}

// The body of the response; returns the bytes taken, anything else makes the library abort.
std::size_t Exchange::body(std::string_view data) {
    lastActivity = Clock::now();
    if (m_head.kind != ResponseKind::Body)
        return data.size(); // a redirect's or a refusal's body is read and dropped
    if (m_head.chunked) {
        const auto status = m_decoder.feed(data, *this);
        if (status == ChunkDecoder::Status::Malformed) {
            malformed = true;
            return 0;
        }
        if (status == ChunkDecoder::Status::Finished)
            flush();
    } else {
        collect(data);
    }
    if (writeFailed)
        return 0;
    if (m_stop.load()) {
        flush();
        stopped = true;
        return 0;
    }
    return data.size();
}

// The library's callbacks. No exception may cross the library: one makes the transfer abort.
extern "C" std::size_t onBody(char* data, std::size_t size, std::size_t count, void* exchange) {
    auto* self = static_cast<Exchange*>(exchange);
    try {
        return self->body({data, size * count});
    } catch (...) {
        self->abandoned = true;
        return 0;
    }
}

extern "C" std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* exchange) {
    auto* self = static_cast<Exchange*>(exchange);
    try {
        self->headerLine({data, size * count});
        return size * count;
    } catch (...) {
        self->abandoned = true;
        return 0;
    }
}

extern "C" int onConnected(void* exchange, char*, char*, int, int) {
    static_cast<Exchange*>(exchange)->connected();
    return CURL_PREREQFUNC_OK;
}

// The sockets the library opened for a fetch, so that the wait can ask the system when data
// last arrived: the library tells nothing of the bytes of a header line it has not completed.
class SocketSet {
public:
    curl_socket_t open(const curl_sockaddr& address) {
        m_sockets.reserve(m_sockets.size() + 1); // nothing may throw once the socket is open
        const int fd = ::socket(address.family, address.socktype | SOCK_CLOEXEC, address.protocol);
        if (fd >= 0)
            m_sockets.push_back(fd);
        return fd >= 0 ? fd : CURL_SOCKET_BAD;
    }
    int close(curl_socket_t fd) {
        m_sockets.erase(std::remove(m_sockets.begin(), m_sockets.end(), fd), m_sockets.end());
        return ::close(fd);
    }
    // When data last arrived on any of them; nothing when the system does not say.
    std::optional<Clock::time_point> lastArrival() const {
        std::optional<std::uint32_t> sinceMs;
        for (const int fd : m_sockets) {
            tcp_info info{};
            socklen_t size = sizeof info;
            if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) == 0 &&
                info.tcpi_state == TCP_ESTABLISHED)
                sinceMs =
                    std::min(sinceMs.value_or(info.tcpi_last_data_recv), info.tcpi_last_data_recv);
        }
        if (!sinceMs)
            return std::nullopt;
        return Clock::now() - std::chrono::milliseconds(*sinceMs);
    }

private:
    std::vector<int> m_sockets;
};

extern "C" curl_socket_t onOpenSocket(void* sockets, curlsocktype, curl_sockaddr* address) {
    try {
        return static_cast<SocketSet*>(sockets)->open(*address);
    } catch (...) {
        return CURL_SOCKET_BAD;
    }
}

extern "C" int onCloseSocket(void* sockets, curl_socket_t fd) {
    return static_cast<SocketSet*>(sockets)->close(fd);
}

// How one request ended, as far as the library and the waiting loop know.
struct ExchangeResult {
    CURLcode code = CURLE_OK;
    bool timedOut = false;
    bool stopRequested = false;
};

// The one place where the end of a request becomes the end of the fetch.
FetchEnd fetchEnd(const Exchange& exchange, const ExchangeResult& result) {
    if (exchange.abandoned)
        return FetchEnd::Abandoned;
    if (exchange.stopped || result.stopRequested)
        return FetchEnd::Stopped;
    if (exchange.writeFailed)
        return FetchEnd::WriteError;
    if (result.timedOut || result.code != CURLE_OK || exchange.malformed)
        return FetchEnd::NetworkError;
    if (!exchange.headersDone() || exchange.kind() != ResponseKind::Body)
        return FetchEnd::NetworkError;
    return exchange.bodyComplete() ? FetchEnd::Completed : FetchEnd::NetworkError;
}

// The library's handle for one fetch: the connection and the cookies of this fetch only.
class CurlSession {
public:
    CurlSession(const FetchOptions& options, const std::atomic<bool>& stop);
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    bool valid() const { return m_easy != nullptr && m_multi != nullptr; }
    ExchangeResult run(const HttpLink& link, Exchange& exchange);
    void storeSetCookie2(const std::vector<std::string>& values, const std::string& host);

private:
    ExchangeResult wait(Exchange& exchange);

    const FetchOptions& m_options;
    const std::atomic<bool>& m_stop;
    SocketSet m_sockets; // outlives the handles, which close their sockets through it
    CURL* m_easy = nullptr;
    CURLM* m_multi = nullptr;
    curl_slist* m_resolve = nullptr;
    curl_slist* m_headers = nullptr;
};

CurlSession::CurlSession(const FetchOptions& options, const std::atomic<bool>& stop)
    : m_options(options), m_stop(stop) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    m_easy = curl_easy_init();
    m_multi = curl_multi_init();
    if (!valid())
        return;
    for (const auto& entry : options.resolve)
        m_resolve = curl_slist_append(m_resolve, entry.c_str());
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(m_easy, CURLOPT_REDIR_PROTOCOLS_STR, "http");
    curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(m_easy, CURLOPT_HTTP_TRANSFER_DECODING, 0L);
    curl_easy_setopt(m_easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    curl_easy_setopt(m_easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(m_easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(m_easy, CURLOPT_PROXY, "");
    curl_easy_setopt(m_easy, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(m_easy, CURLOPT_PATH_AS_IS, 1L);
    // Every request of the fetch gets its own connection: a server that closes a kept-alive
    // connection while the next request is on its way would otherwise fail the redirect chain.
    curl_easy_setopt(m_easy, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(m_easy, CURLOPT_BUFFERSIZE, static_cast<long>(BlockSize));
    curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(options.connectTimeout.count()));
    curl_easy_setopt(m_easy, CURLOPT_RESOLVE, m_resolve);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(m_easy, CURLOPT_PREREQFUNCTION, onConnected);
    curl_easy_setopt(m_easy, CURLOPT_OPENSOCKETFUNCTION, onOpenSocket);
    curl_easy_setopt(m_easy, CURLOPT_OPENSOCKETDATA, &m_sockets);
    curl_easy_setopt(m_easy, CURLOPT_CLOSESOCKETFUNCTION, onCloseSocket);
    curl_easy_setopt(m_easy, CURLOPT_CLOSESOCKETDATA, &m_sockets);
}

CurlSession::~CurlSession() {
    if (m_multi != nullptr)
        curl_multi_cleanup(m_multi);
    if (m_easy != nullptr)
        curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_headers);
    curl_slist_free_all(m_resolve);
}

ExchangeResult CurlSession::run(const HttpLink& link, Exchange& exchange) {
    curl_slist_free_all(m_headers);
    m_headers = nullptr;
    for (const std::string& header :
         {std::string("User-Agent: ") + FetchUserAgent, std::string("Accept: ") + FetchAccept,
          std::string("Accept-Encoding: ") + FetchAcceptEncoding, "Host: " + link.hostHeader})
        m_headers = curl_slist_append(m_headers, header.c_str());
    curl_easy_setopt(m_easy, CURLOPT_URL, link.libraryUrl.c_str());
    curl_easy_setopt(m_easy, CURLOPT_REQUEST_TARGET, link.target.c_str());
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headers);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, &exchange);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, &exchange);
    curl_easy_setopt(m_easy, CURLOPT_PREREQDATA, &exchange);
    if (curl_multi_add_handle(m_multi, m_easy) != CURLM_OK)
        return {CURLE_FAILED_INIT, false, false};
    const ExchangeResult result = wait(exchange);
    // Removing an unfinished transfer closes its connection.
    curl_multi_remove_handle(m_multi, m_easy);
    return result;
}

// Drives the transfer until it ends, a stop is asked or no data came for the read time-out:
// every byte that arrives, in the head as in the body, starts the time-out again.
ExchangeResult CurlSession::wait(Exchange& exchange) {
    for (;;) {
        int running = 0;
        const CURLMcode performed = curl_multi_perform(m_multi, &running);
        exchange.flush(); // nothing received stays out of the file while the transfer waits
        if (performed != CURLM_OK)
            return {CURLE_FAILED_INIT, false, false};
        if (exchange.stopped || m_stop.load())
            return {CURLE_OK, false, true};
        if (running == 0)
            break;
        const auto timeout = exchange.kind() == ResponseKind::Redirect
                                 ? m_options.redirectBodyTimeout
                                 : m_options.readTimeout;
        if (exchange.isConnected() && Clock::now() - exchange.lastActivity > timeout) {
            // The callbacks saw nothing for that long; bytes of an unfinished header line may
            // have come all the same. The system knows, and is asked only then.
            if (const auto arrival = m_sockets.lastArrival())
                exchange.dataArrived(*arrival);
            if (Clock::now() - exchange.lastActivity > timeout)
                return {CURLE_OPERATION_TIMEDOUT, true, false};
        }
        curl_multi_poll(m_multi, nullptr, 0, FetchStopPollMs, nullptr);
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy)
            return {message->data.result, false, false};
    }
    return {CURLE_OK, false, false};
}

// The library's cookie engine knows only Set-Cookie; a Set-Cookie2 value is stored the same way.
void CurlSession::storeSetCookie2(const std::vector<std::string>& values, const std::string& host) {
    std::string domain = host;
    if (!domain.empty() && domain.front() == '[')
        domain = domain.substr(1, domain.size() - 2);
    for (const auto& value : values) {
        std::string lowered = value;
        std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        std::string line = "Set-Cookie: " + value;
        if (lowered.find("domain=") == std::string::npos)
            line += "; domain=" + domain;
        curl_easy_setopt(m_easy, CURLOPT_COOKIELIST, line.c_str());
    }
}

FetchEnd runFetch(const std::string& link, OutputFile& file, WorkerHost& host,
                  const std::atomic<bool>& stop, const FetchOptions& options) {
    if (stop.load())
        return FetchEnd::Stopped;
    std::optional<HttpLink> current = parseHttpLink(link);
    if (!current)
        return FetchEnd::NetworkError;
    CurlSession session(options, stop);
    if (!session.valid())
        return FetchEnd::NetworkError;
    for (int redirects = 0;;) {
        Exchange exchange(file, host, stop);
        const ExchangeResult result = session.run(*current, exchange);
        session.storeSetCookie2(exchange.setCookie2(), current->host);
        const bool redirect = exchange.headersDone() && exchange.kind() == ResponseKind::Redirect;
        // A redirect's body may fail or time out: only a stop counts there.
        if (!redirect || exchange.stopped || exchange.abandoned || result.stopRequested)
            return fetchEnd(exchange, result);
        // The fifteenth redirect ends the fetch, with the network error (as curl fails after
        // its limit): a redirect loop must not look like an empty download that went well.
        if (++redirects >= RedirectLimit)
            return FetchEnd::NetworkError;
        current = parseHttpLink(resolveLocation(current->normalized, exchange.location()));
        if (!current)
            return FetchEnd::NetworkError;
        if (!file.empty())
            return FetchEnd::WriteError;
    }
}

} // namespace

FetchFileError::FetchFileError(const std::string& fileName, int errorNumber)
    : SystemFailure("Impossible de créer le fichier " + fileName,
                    "Cannot create the file " + fileName, errorNumber) {}

FetchFileError::FetchFileError(const std::string& userText)
    : SystemFailure(userText, userText, 0) {}

namespace {

// A network error is shown only when told so; a write error always is.
FetchEnd fetchToFile(const std::string& link, const std::string& fileName, WorkerHost& host,
                     const std::atomic<bool>& stop, Language language, const FetchOptions& options,
                     bool tellNetworkError) {
    OutputFile file(fileName);
    FetchEnd end = FetchEnd::Abandoned;
    try {
        end = runFetch(link, file, host, stop, options);
    } catch (...) {
        // Errors other than those of the network and the file end the fetch without a word.
    }
    if (!file.close() && end == FetchEnd::Completed)
        end = FetchEnd::WriteError;
    if (end == FetchEnd::NetworkError && tellNetworkError)
        showNetworkError(host, language);
    if (end == FetchEnd::WriteError)
        host.showMessage(MessageKind::Plain,
                         pickText(language, "Erreur d'écriture du fichier " + fileName,
                                  "Cannot write the file " + fileName));
    return end;
}

} // namespace

void showNetworkError(MessagePresenter& presenter, Language language) {
    presenter.showMessage(MessageKind::Plain,
                          pickText(language, "Erreur de connexion réseau!", "Network error!"));
}

bool fetchToFileQuietly(const std::string& link, const std::string& fileName, WorkerHost& host,
                        const std::atomic<bool>& stop, Language language) {
    return fetchToFile(link, fileName, host, stop, language, FetchOptions{}, false) !=
           FetchEnd::NetworkError;
}

FetchResult fetchToFile(const std::string& link, const std::string& fileName, WorkerHost& host,
                        const std::atomic<bool>& stop, Language language,
                        const FetchOptions& options) {
    switch (fetchToFile(link, fileName, host, stop, language, options, true)) {
    case FetchEnd::Completed:
        return FetchResult::Whole;
    case FetchEnd::Stopped:
        return FetchResult::Stopped;
    case FetchEnd::NetworkError:
    case FetchEnd::WriteError:
    case FetchEnd::Abandoned:
        break;
    }
    return FetchResult::Failed;
}

} // namespace vantaro
