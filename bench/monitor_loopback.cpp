// SPDX-License-Identifier: GPL-3.0-or-later
// Share of loopback datagrams the raw monitor sees, against tcpdump counting the same traffic:
// UDP datagrams to 127.0.0.1 at a fixed rate for a fixed time. Needs root (packet sockets).
// Usage: bench_monitor_loopback [datagrams per second] [seconds]
#include "capture/PacketMonitor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr char Marker[] = "vantaro-loopback-bench";
// Time left to both observers after the last datagram: tcpdump hands its ring buffer over in
// blocks that it retires at the latest after one second.
constexpr int DrainMilliseconds = 1500;

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// Sends rate datagrams per second for the given time, in steps of one millisecond.
void sendTraffic(std::uint16_t port, int rate, int seconds, std::atomic<long>& sent) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const sockaddr_in target = loopback(port);
    char payload[64] = {};
    std::memcpy(payload, Marker, sizeof Marker);
    const auto start = std::chrono::steady_clock::now();
    long total = 0;
    for (int tick = 1; tick <= seconds * 1000; ++tick) {
        const long due = static_cast<long>(rate) * tick / 1000;
        for (; total < due; ++total) {
            if (sendto(fd, payload, sizeof payload, 0, reinterpret_cast<const sockaddr*>(&target),
                       sizeof target) == sizeof payload)
                sent.fetch_add(1);
        }
        std::this_thread::sleep_until(start + std::chrono::milliseconds(tick));
    }
    close(fd);
}

bool startTcpdump(QProcess& tcpdump, std::uint16_t port) {
    tcpdump.start("tcpdump",
                  {"-i", "lo", "-n", "-w", "/dev/null", QString("udp and dst port %1").arg(port)});
    if (!tcpdump.waitForStarted(5000))
        return false;
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    while (!output.contains("listening on") && clock.elapsed() < 10000) {
        tcpdump.waitForReadyRead(200);
        output += tcpdump.readAllStandardError();
    }
    return output.contains("listening on");
}

long stopTcpdump(QProcess& tcpdump, long& droppedByKernel) {
    kill(static_cast<pid_t>(tcpdump.processId()), SIGINT);
    tcpdump.waitForFinished(10000);
    const QString report = QString::fromLocal8Bit(tcpdump.readAllStandardError());
    const auto captured = QRegularExpression("(\\d+) packets? captured").match(report);
    const auto dropped = QRegularExpression("(\\d+) packets? dropped by kernel").match(report);
    droppedByKernel = dropped.hasMatch() ? dropped.captured(1).toLong() : -1;
    return captured.hasMatch() ? captured.captured(1).toLong() : -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rate = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 5;

    // The datagrams' destination, bound so that they are delivered rather than refused.
    const int sink = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    bind(sink, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(sink, reinterpret_cast<sockaddr*>(&address), &length);
    const std::uint16_t port = ntohs(address.sin_port);

    vantaro::PacketMonitor monitor;
    long seen = 0;
    monitor.setAddress("127.0.0.1");
    monitor.setPacketHandler([&](vantaro::PacketMonitor&, vantaro::PacketInfo info) {
        if (info.ipProtocol == 17 && info.destinationPort == port &&
            info.payload.rfind(Marker, 0) == 0)
            ++seen;
    });
    try {
        monitor.startMonitoring();
    } catch (const vantaro::SocketError& e) {
        std::printf(
            "skipped: the monitor cannot start (%s); run as root\n",
            std::string(e.what()).replace(std::string(e.what()).find('\r'), 2, ": ").c_str());
        std::printf(
            "RESULT\tmonitor loopback share\tskipped (not root)\t>= 1 x tcpdump\t-\t-\t-\n");
        return 0;
    }
    QProcess tcpdump;
    if (!startTcpdump(tcpdump, port)) {
        std::printf("skipped: tcpdump did not start listening on lo\n");
        std::printf(
            "RESULT\tmonitor loopback share\tskipped (no tcpdump)\t>= 1 x tcpdump\t-\t-\t-\n");
        return 0;
    }

    std::atomic<long> sent{0};
    std::atomic<bool> done{false};
    std::thread sender([&] {
        sendTraffic(port, rate, seconds, sent);
        done = true;
    });
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &app, [&] {
        if (done)
            QTimer::singleShot(DrainMilliseconds, &app, &QCoreApplication::quit);
    });
    check.setSingleShot(false);
    check.start(100);
    QObject::connect(&check, &QTimer::timeout, &check, [&] {
        if (done)
            check.stop();
    });
    app.exec();
    sender.join();
    monitor.stopMonitoring();
    long tcpdumpDropped = 0;
    const long captured = stopTcpdump(tcpdump, tcpdumpDropped);
    close(sink);

    std::printf("loopback UDP, %d datagrams/s for %d s\n", rate, seconds);
    std::printf("  sent                 %ld\n", sent.load());
    std::printf("  seen by the monitor  %ld (%.2f%% of sent)\n", seen,
                sent ? 100.0 * static_cast<double>(seen) / static_cast<double>(sent) : 0.0);
    std::printf("  captured by tcpdump  %ld (dropped by kernel: %ld)\n", captured, tcpdumpDropped);
    const double share =
        captured > 0 ? static_cast<double>(seen) / static_cast<double>(captured) : 0.0;
    if (captured > 0)
        std::printf("  monitor / tcpdump    %.4f (target: at least 1)\n", share);
    std::printf("RESULT\tmonitor loopback share, %d datagrams/s for %d s\t%ld seen\t>= 1 x "
                "tcpdump\ttcpdump %ld captured\t%.4f\t%s\n",
                rate, seconds, seen, captured, share, share >= 1.0 ? "yes" : "no");
    return 0;
}
