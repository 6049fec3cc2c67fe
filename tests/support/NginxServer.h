// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs nginx from Debian on a free 127.0.0.1 port for one test, serving a folder, through
// tests/support/nginx-loopback.sh (which the benchmarks use as well).

#include "TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace vantaro::testing {

class NginxServer {
public:
    // port 0: a free port; otherwise that port or nothing (the constructor then raises).
    explicit NginxServer(const std::string& documentRoot, int port = 0) : m_work("nginx") {
        const std::string command = "bash '" VANTARO_SOURCE_DIR
                                    "/tests/support/nginx-loopback.sh' start '" +
                                    m_work.path() + "' '" + documentRoot + "'" +
                                    (port > 0 ? " " + std::to_string(port) : std::string());
        std::FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr)
            throw std::runtime_error("cannot run " + command);
        char line[64] = {};
        const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
        const int status = ::pclose(pipe);
        m_port = read && status == 0 ? std::atoi(line) : 0;
        if (m_port <= 0)
            throw std::runtime_error("nginx did not start: " +
                                     readWholeFile(m_work.file("error.log")));
    }
    ~NginxServer() {
        const std::string command = "bash '" VANTARO_SOURCE_DIR
                                    "/tests/support/nginx-loopback.sh' stop '" +
                                    m_work.path() + "'";
        [[maybe_unused]] const int ignored = std::system(command.c_str());
    }
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    int port() const { return m_port; }
    std::string url(const std::string& target) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + target;
    }

private:
    TempFolder m_work;
    int m_port = 0;
};

} // namespace vantaro::testing
