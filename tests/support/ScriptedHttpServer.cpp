// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedHttpServer.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vantaro::testing {

namespace {

// The port the script prints on its first line; -1 when it says nothing in time.
int readPort(int fd) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return -1;
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[64];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            return -1;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return std::atoi(text.c_str());
}

void addHeaderLine(RecordedRequest& request, const std::string& line) {
    const auto colon = line.find(':');
    std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
    value.erase(0, value.find_first_not_of(" \t"));
    value.erase(value.find_last_not_of(" \t") + 1);
    request.headers.emplace_back(line.substr(0, colon), value);
}

} // namespace

std::string RecordedRequest::header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0)
            return value;
    }
    return {};
}

bool RecordedRequest::hasHeader(const std::string& name) const {
    for (const auto& entry : headers) {
        if (strcasecmp(entry.first.c_str(), name.c_str()) == 0)
            return true;
    }
    return false;
}

std::string RecordedRequest::target() const {
    const auto first = requestLine.find(' ');
    const auto last = requestLine.rfind(' ');
    if (first == std::string::npos || last <= first)
        return {};
    return requestLine.substr(first + 1, last - first - 1);
}

std::string RecordedRequest::head() const {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text + "\r\n";
}

std::string generatedBytes(std::int64_t count, std::int64_t offset) {
    std::string bytes(static_cast<std::size_t>(count), '\0');
    for (std::int64_t i = 0; i < count; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((offset + i) % 251);
    return bytes;
}

ScriptedHttpServer::ScriptedHttpServer(const std::string& planJson,
                                       const std::map<std::string, std::string>& variables)
    : m_folder("scripted-http") {
    m_recordPath = m_folder.path() + "/requests.txt";
    const std::string planPath = m_folder.path() + "/plan.json";
    std::ofstream(planPath, std::ios::binary) << planJson;
    start(planPath, variables);
}

std::vector<RecordedRequest> ScriptedHttpServer::requests() const {
    std::ifstream in(m_recordPath, std::ios::binary);
    std::vector<RecordedRequest> found;
    RecordedRequest current;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) {
            if (!current.requestLine.empty())
                found.push_back(std::move(current));
            current = {};
            continue;
        }
        current.lines.push_back(line);
        if (current.requestLine.empty())
            current.requestLine = line;
        else
            addHeaderLine(current, line);
    }
    return found;
}

void ScriptedHttpServer::stop() {
    if (m_pid <= 0)
        return;
    if (m_stdin >= 0)
        ::close(m_stdin);
    m_stdin = -1;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

void ScriptedHttpServer::start(const std::string& planPath,
                               const std::map<std::string, std::string>& variables) {
    std::vector<std::string> args = {
        "python3",    VANTARO_SOURCE_DIR "/tests/support/scripted_http_server.py",
        "--plan",     planPath,
        "--record",   m_recordPath,
        "--data-dir", VANTARO_TEST_DATA_DIR "/http"};
    for (const auto& [name, value] : variables) {
        args.push_back("--var");
        args.push_back(name + "=" + value);
    }
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int rc = posix_spawnp(&m_pid, "python3", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    m_stdin = in[1];
    if (rc != 0) {
        ::close(out[0]);
        m_pid = -1;
        throw std::runtime_error("cannot start python3");
    }
    m_port = readPort(out[0]);
    ::close(out[0]);
    if (m_port <= 0) {
        stop();
        throw std::runtime_error("the scripted HTTP server did not report its port");
    }
}

} // namespace vantaro::testing
