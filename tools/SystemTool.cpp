// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/SystemTool.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ; // NOLINT: the process environment, handed on unchanged

namespace vantaro::launcher {
namespace {

std::vector<char*> argumentPointers(const std::string& program,
                                    const std::vector<std::string>& arguments) {
    std::vector<char*> pointers;
    pointers.reserve(arguments.size() + 2);
    pointers.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

bool isThisLauncher(const std::string& toolPath) {
    std::error_code ec;
    const auto self = std::filesystem::canonical("/proc/self/exe", ec);
    if (ec)
        return false;
    const auto tool = std::filesystem::canonical(toolPath, ec);
    return !ec && tool == self;
}

} // namespace

int execSystemTool(const std::string& toolPath, const std::vector<std::string>& arguments) {
    if (isThisLauncher(toolPath)) {
        std::fprintf(stderr, "launcher: %s is this launcher itself\n", toolPath.c_str());
        return 127;
    }
    std::vector<char*> argv = argumentPointers(toolPath, arguments);
    ::execv(toolPath.c_str(), argv.data());
    const int error = errno;
    std::fprintf(stderr, "launcher: cannot run %s: %s\n", toolPath.c_str(), std::strerror(error));
    return error == ENOENT ? 127 : 126;
}

bool ffmpegHasEncoder(const std::string& ffmpegPath, const std::string& encoder) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const std::vector<std::string> arguments = {"-hide_banner", "-encoders"};
    std::vector<char*> argv = argumentPointers(ffmpegPath, arguments);
    pid_t child = -1;
    const int spawned =
        ::posix_spawn(&child, ffmpegPath.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    std::string table;
    char buffer[4096];
    for (ssize_t got; spawned == 0 && (got = ::read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        table.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeEnds[0]);
    if (spawned != 0)
        return false;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // Each encoder line reads " V..... name   description".
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string flags;
        std::string name;
        if (fields >> flags >> name && name == encoder)
            return true;
    }
    return false;
}

} // namespace vantaro::launcher
