// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/ProgramRun.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vantaro {
namespace {

// How often a running helper is looked at for the stop token.
constexpr int PollSliceMs = 50;

pid_t spawnWithPipe(const std::string& program, const std::vector<std::string>& arguments,
                    int& readEnd) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (auto& argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (rc != 0) {
        ::close(pipeEnds[0]);
        return -1;
    }
    readEnd = pipeEnds[0];
    return pid;
}

} // namespace

ProgramOutput runProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::atomic<bool>* stop, std::chrono::milliseconds timeLimit,
                         std::size_t maxOutput) {
    ProgramOutput result;
    int readEnd = -1;
    const pid_t pid = spawnWithPipe(program, arguments, readEnd);
    if (pid <= 0)
        return result;
    result.started = true;
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    bool open = true;
    bool killed = false;
    while (open) {
        if ((stop != nullptr && stop->load()) || std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            killed = true;
            break;
        }
        pollfd entry{readEnd, POLLIN, 0};
        if (::poll(&entry, 1, PollSliceMs) <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(readEnd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            open = false;
        } else if (result.output.size() < maxOutput) {
            const auto room = maxOutput - result.output.size();
            result.output.append(buffer, std::min(room, static_cast<std::size_t>(got)));
        }
    }
    ::close(readEnd);
    int status = 0;
    // A helper that closed its output may still run: the same limits hold for its end.
    while (::waitpid(pid, &status, killed ? 0 : WNOHANG) == 0) {
        if ((stop != nullptr && stop->load()) || std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            killed = true;
            continue;
        }
        ::usleep(PollSliceMs * 1000);
    }
    result.finished = !killed;
    if (!killed && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    const auto begin = line.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return {};
    line.erase(0, begin);
    line.erase(line.find_last_not_of(" \t\r") + 1);
    return line;
}

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string findOnPath(const std::string& name, const std::string& pathValue) {
    if (name.empty() || name.find('/') != std::string::npos)
        return {};
    std::size_t start = 0;
    while (start <= pathValue.size()) {
        const auto end = std::min(pathValue.find(':', start), pathValue.size());
        const std::string folder = pathValue.substr(start, end - start);
        if (folder.starts_with('/')) {
            const std::string candidate = folder + (folder.ends_with('/') ? "" : "/") + name;
            if (isExecutableFile(candidate))
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

} // namespace vantaro
