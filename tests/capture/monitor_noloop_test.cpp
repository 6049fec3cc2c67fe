// SPDX-License-Identifier: GPL-3.0-or-later
// A start on a thread without an event loop: no readiness can be delivered there. This program
// never creates a QCoreApplication. Opening the packet socket needs CAP_NET_RAW (root).
#include "capture/PacketMonitor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <sys/socket.h>
#include <unistd.h>

namespace vantaro {
namespace {

TEST(MonitorWithoutEventLoop, StartFailsAtTheNotificationStepAndStopCloses) {
    const int probe = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        GTEST_SKIP() << "opening a packet socket needs CAP_NET_RAW: run the tests as root";
    close(probe);
    ASSERT_EQ(QCoreApplication::instance(), nullptr);

    PacketMonitor monitor;
    monitor.setAddress("127.0.0.1");
    try {
        monitor.startMonitoring();
        FAIL() << "the start succeeded without an event loop";
    } catch (const SocketError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Error 95 in function QSocketNotifier\r\nOperation not supported");
    }
    // The socket stays open after a failure of this last step, until the monitor is stopped.
    EXPECT_EQ(monitor.state(), RawSocket::State::Connected);
    EXPECT_THROW(monitor.setAddress("10.0.0.1"), SocketError);
    monitor.stopMonitoring();
    EXPECT_EQ(monitor.state(), RawSocket::State::Closed);
    EXPECT_NO_THROW(monitor.setAddress("10.0.0.1"));
}

} // namespace
} // namespace vantaro
