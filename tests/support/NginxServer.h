// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs nginx from Debian on a free 127.0.0.1 port for one test, serving a folder, through
// tests/support/nginx-loopback.sh (which the benchmarks use as well).

#include "TempFolder.h"

#include <string>

namespace vantaro::testing {

class NginxServer {
public:
    // port 0: a free port; otherwise that port or nothing (the constructor then raises).
    explicit NginxServer(const std::string& documentRoot, int port = 0);
    ~NginxServer();
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
