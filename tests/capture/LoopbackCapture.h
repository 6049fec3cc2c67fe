// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers of the capture tests on the loopback interface: the event loop, the packet socket's
// availability, a free low port and a working directory of the test's own.

#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <random>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantaro::testing {

inline QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "capture_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

// Runs the event loop until done() holds or the time is up.
inline bool spinUntil(const std::function<bool()>& done, int milliseconds) {
    application();
    QTimer wake;
    wake.start(10);
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

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

// The test's own working directory for the time of the test.
class OwnFolder {
public:
    OwnFolder() : m_previous(std::filesystem::current_path()) {
        std::filesystem::current_path(m_folder.path());
    }
    ~OwnFolder() { std::filesystem::current_path(m_previous); }
    const TempFolder& folder() const { return m_folder; }

private:
    TempFolder m_folder{"vantaro-capture-loopback"};
    std::filesystem::path m_previous;
};

} // namespace vantaro::testing
