// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Starts tests/support/scripted_http_server.py on a free 127.0.0.1 port for one test and stops it
// again; reads back the requests it recorded. See the script for the plan format.

#include "TempFolder.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace vantaro::testing {

// One request as the server received it.
struct RecordedRequest {
    std::string requestLine;                                  // "GET /x HTTP/1.1"
    std::vector<std::pair<std::string, std::string>> headers; // in order, values trimmed
    std::vector<std::string> lines;                           // the head's lines, untouched

    // The value of the first header of that name (case-insensitive); empty when absent.
    std::string header(const std::string& name) const;
    bool hasHeader(const std::string& name) const;
    // The request target of the request line.
    std::string target() const;
    // The head as a client that ends its lines with CR LF sent it, through the empty line.
    std::string head() const;
};

// The bytes the server generates for "body_bytes": byte i is i % 251.
std::string generatedBytes(std::int64_t count, std::int64_t offset = 0);

class ScriptedHttpServer {
public:
    // planJson: the plan (see the script); variables: replacements for "{{NAME}}" in responses
    // ("{{PORT}}" is this server's own port).
    explicit ScriptedHttpServer(const std::string& planJson,
                                const std::map<std::string, std::string>& variables = {});
    ~ScriptedHttpServer() { stop(); }
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    int port() const { return m_port; }
    // "http://<host>:<port>" + target.
    std::string url(const std::string& target, const std::string& host = "127.0.0.1") const {
        return "http://" + host + ":" + std::to_string(m_port) + target;
    }

    // Every request head received so far, in order; each is recorded before its answer is sent.
    std::vector<RecordedRequest> requests() const;

    void stop();

private:
    void start(const std::string& planPath, const std::map<std::string, std::string>& variables);

    TempFolder m_folder;
    std::string m_recordPath;
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_port = 0;
};

} // namespace vantaro::testing
