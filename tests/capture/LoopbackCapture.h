// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers of the capture tests on the loopback interface: the packet socket's availability and
// a free low port.

#include <cstdint>
#include <random>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantaro::testing {

inline bool canOpenPacketSocket() {
    const int fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

// A port below 10000 (the ports a "ports.txt" can name) that nothing listens on just now.
inline int freeLowPort() {
    std::mt19937 draw(std::random_device{}());
    std::uniform_int_distribution<int> ports(8100, 9899);
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int port = ports(draw);
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        const bool free = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        if (free)
            return port;
    }
    return 0;
}

} // namespace vantaro::testing
