// SPDX-License-Identifier: GPL-3.0-or-later
#include "NginxServer.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace vantaro::testing {

namespace {

std::string scriptCommand(const std::string& arguments) {
    return "bash '" VANTARO_SOURCE_DIR "/tests/support/nginx-loopback.sh' " + arguments;
}

} // namespace

NginxServer::NginxServer(const std::string& documentRoot, int port) : m_work("nginx") {
    const std::string command =
        scriptCommand("start '" + m_work.path() + "' '" + documentRoot + "'" +
                      (port > 0 ? " " + std::to_string(port) : std::string()));
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run " + command);
    char line[64] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    const int status = ::pclose(pipe);
    m_port = read && status == 0 ? std::atoi(line) : 0;
    if (m_port <= 0)
        throw std::runtime_error("nginx did not start: " + readWholeFile(m_work.file("error.log")));
}

NginxServer::~NginxServer() {
    const std::string command = scriptCommand("stop '" + m_work.path() + "'");
    [[maybe_unused]] const int ignored = std::system(command.c_str());
}

} // namespace vantaro::testing
