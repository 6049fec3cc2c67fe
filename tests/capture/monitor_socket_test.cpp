// SPDX-License-Identifier: GPL-3.0-or-later
// The monitor on a real packet socket of the loopback interface. Opening one needs CAP_NET_RAW
// (root); those tests skip without it. Traffic is a real HTTP exchange between curl and the
// scripted test server, both on 127.0.0.1. Where the system allows it, each test program watches
// the loopback interface of a network namespace of its own, so it sees no other program's
// traffic; CTest also keeps it apart from the tests that move bulk data over loopback.
#include "capture/PacketMonitor.h"

#include "capture/Ipv4Text.h"
#include "capture/PortNames.h"
#include "capture/ProtocolNames.h"

#include "LoopbackCapture.h"
#include "support/QtTestRun.h"
#include "support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <set>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantaro {
namespace {

using testing::canOpenPacketSocket;
using testing::letEventsRun;
using testing::ScriptedHttpServer;
using testing::waitFor;

// What the test's server answers to every request, and the same answer as its plan.
constexpr const char* HelloResponse = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n"
                                      "Content-Length: 6\r\nConnection: close\r\n\r\nhello\n";
const char* const HelloPlan =
    R"({"routes": {"*": [{"text": "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 6\r\nConnection: close\r\n\r\nhello\n"}]}})";

// Fetches a page with curl while the event loop runs.
bool runCurl(int port, const std::string& path) {
    QProcess curl;
    curl.start("curl", {"-s", "-o", "/dev/null", "--noproxy", "*", "--max-time", "10",
                        QString::fromStdString("http://127.0.0.1:" + std::to_string(port) + path)});
    waitFor([&] { return curl.state() == QProcess::NotRunning; }, 15000);
    return curl.exitStatus() == QProcess::NormalExit && curl.exitCode() == 0;
}

// Moves the process into a network namespace of its own with its loopback interface up, before
// any test runs or any thread exists. Stays in the shared namespace when that is not allowed.
class PrivateLoopback : public ::testing::Environment {
public:
    void SetUp() override {
        if (!canOpenPacketSocket())
            return;
        const int shared = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        if (shared < 0 || ::unshare(CLONE_NEWNET) != 0) {
            std::fprintf(stderr, "capture tests share the loopback interface: %s\n",
                         std::strerror(errno));
        } else if (!bringLoopbackUp()) {
            std::fprintf(stderr, "no loopback in a namespace of our own: %s\n",
                         std::strerror(errno));
            ::setns(shared, CLONE_NEWNET);
        }
        if (shared >= 0)
            ::close(shared);
    }

private:
    static bool bringLoopbackUp() {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        ifreq request{};
        std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
        bool up = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
        request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
        up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
        ::close(fd);
        return up;
    }
};

[[maybe_unused]] ::testing::Environment* const privateLoopback =
    ::testing::AddGlobalTestEnvironment(new PrivateLoopback);

// The packet sockets this process holds: its descriptors that the kernel lists as packet sockets.
int openPacketSockets() {
    std::set<std::string> packetInodes;
    std::ifstream table("/proc/self/net/packet");
    std::string line;
    std::getline(table, line); // the column titles
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string field;
        std::string last;
        while (fields >> field)
            last = field;
        packetInodes.insert(last);
    }
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
        if (!ec && target.rfind("socket:[", 0) == 0 &&
            packetInodes.count(target.substr(8, target.size() - 9)))
            ++count;
    }
    return count;
}

std::string startFailure(PacketMonitor& monitor) {
    try {
        monitor.startMonitoring();
    } catch (const SocketError& e) {
        return e.what();
    }
    return "started";
}

// Packets of one TCP connection to the server port, as the monitor reported them.
struct Exchange {
    std::vector<PacketInfo> packets;
    int count(const std::function<bool(const PacketInfo&)>& match) const {
        return static_cast<int>(std::count_if(packets.begin(), packets.end(), match));
    }
};

Exchange packetsOfPort(const std::vector<PacketInfo>& seen, int port) {
    Exchange exchange;
    for (const PacketInfo& p : seen) {
        if (p.ipProtocol == 6 && (p.sourcePort == port || p.destinationPort == port))
            exchange.packets.push_back(p);
    }
    return exchange;
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

// Both sides have sent their FIN.
bool finished(const std::vector<PacketInfo>& seen, int port) {
    const Exchange e = packetsOfPort(seen, port);
    return e.count([&](const PacketInfo& p) {
        return p.sourcePort == port && (p.tcpControl & 1);
    }) && e.count([&](const PacketInfo& p) {
        return p.destinationPort == port && (p.tcpControl & 1);
    });
}

TEST(MonitorStart, WithoutAddressFailsBeforeAnySocket) {
    PacketMonitor monitor;
    EXPECT_EQ(startFailure(monitor),
              "Error 22 in function listen: address not assigned\r\nInvalid argument");
    EXPECT_EQ(monitor.state(), RawSocket::State::Closed);
    EXPECT_EQ(monitor.port(), "0");
    EXPECT_EQ(monitor.protocol(), "raw_ip");
}

TEST(MonitorStart, InvalidDottedAddressFailsInResolution) {
    PacketMonitor monitor;
    monitor.setAddress("  300.1.1.1 ");
    EXPECT_EQ(monitor.address(), "300.1.1.1");
    EXPECT_EQ(startFailure(monitor), "listen: WSocketResolveHost: '300.1.1.1' Invalid IP address.");
    EXPECT_EQ(monitor.state(), RawSocket::State::Closed);
}

TEST(MonitorStart, NonRawProtocolIsRefused) {
    RawSocket socket;
    socket.setAddress("127.0.0.1");
    socket.setPort("0");
    socket.setProtocol("tcp");
    try {
        socket.listen();
        FAIL() << "listen succeeded";
    } catch (const SocketError& e) {
        EXPECT_EQ(std::string(e.what()), "Error 93 in function listen\r\nProtocol not supported");
        EXPECT_EQ(e.errorCode(), 93);
    }
    EXPECT_EQ(socket.state(), RawSocket::State::Closed);
}

TEST(LocalAddresses, ListEveryUpInterfaceAddressInKernelOrder) {
    const std::vector<std::string> listed = RawSocket::localAddressList();
    std::vector<std::string> expected;
    FILE* ip = popen("ip -o -4 addr show up 2>/dev/null", "r");
    ASSERT_NE(ip, nullptr);
    char line[1024];
    while (fgets(line, sizeof line, ip)) {
        const std::string text = line;
        const std::size_t inet = text.find(" inet ");
        if (inet == std::string::npos)
            continue;
        const std::size_t start = inet + 6;
        expected.push_back(text.substr(start, text.find('/', start) - start));
    }
    const int status = pclose(ip);
    if (status != 0 || expected.empty())
        GTEST_SKIP() << "the ip tool (package iproute2) is not available to compare with";
    EXPECT_EQ(listed, expected);
    EXPECT_NE(std::find(listed.begin(), listed.end(), "127.0.0.1"), listed.end());
}

// A start by a user without the right to open packet sockets: the system's refusal in the
// monitor's words, the monitor left closed, and the address free to change for another try.
TEST(MonitorStart, UnprivilegedUserGetsPermissionErrorAndMonitorStaysClosed) {
    auto attempt = [] {
        PacketMonitor monitor;
        monitor.setAddress("127.0.0.1");
        std::string out = startFailure(monitor);
        out += monitor.state() == RawSocket::State::Closed ? "|closed" : "|open";
        try {
            monitor.setAddress("127.0.0.2");
            out += "|changed";
        } catch (const std::exception& e) {
            out += std::string("|") + e.what();
        }
        out += "|" + startFailure(monitor);
        return out;
    };
    const std::string refused = "Error 1 in function socket\r\nOperation not permitted";
    const std::string expected = refused + "|closed|changed|" + refused;

    if (geteuid() != 0) {
        if (canOpenPacketSocket())
            GTEST_SKIP() << "this unprivileged process may open packet sockets";
        EXPECT_EQ(attempt(), expected);
        return;
    }
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(channel[0]);
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        const std::string out = attempt();
        const ssize_t written = write(channel[1], out.data(), out.size());
        _exit(written == static_cast<ssize_t>(out.size()) ? 0 : 4);
    }
    close(channel[1]);
    std::string out;
    char buffer[512];
    ssize_t got;
    while ((got = read(channel[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<std::size_t>(got));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "could not become user nobody";
    EXPECT_EQ(out, expected);
}

class RawMonitor : public ::testing::Test {
protected:
    void SetUp() override {
        if (!canOpenPacketSocket())
            GTEST_SKIP() << "opening a packet socket needs CAP_NET_RAW: run the tests as root";
        testing::ensureCoreApplication("monitor_socket_test");
        m_monitor.setAddress("127.0.0.1");
        m_monitor.setAddressMask("255.255.255.0");
        m_monitor.setPacketHandler([this](PacketMonitor&, PacketInfo info) {
            m_seen.push_back(std::move(info));
            if (m_onPacket)
                m_onPacket(m_seen.back());
        });
    }
    void exchange(const std::string& path) {
        ASSERT_TRUE(runCurl(m_server.port(), path));
        waitFor([&] { return finished(m_seen, m_server.port()); }, 10000);
    }

    ScriptedHttpServer m_server{HelloPlan};
    PacketMonitor m_monitor;
    std::vector<PacketInfo> m_seen;
    std::function<void(const PacketInfo&)> m_onPacket;
};

TEST_F(RawMonitor, SeesARealHttpExchangeEachPacketOnce) {
    m_monitor.startMonitoring();
    EXPECT_EQ(m_monitor.state(), RawSocket::State::Connected);
    EXPECT_EQ(m_monitor.sentPackets() + m_monitor.receivedPackets(), 0);
    const int port = m_server.port();
    exchange("/monitor-probe/index.html");

    const Exchange e = packetsOfPort(m_seen, port);
    ASSERT_FALSE(e.packets.empty()) << "no packet of the HTTP exchange was reported";
    EXPECT_EQ(e.count([&](auto& p) {
        return p.destinationPort == port && (p.tcpControl & 0x12) == 0x02;
    }),
              1);
    EXPECT_EQ(
        e.count([&](auto& p) { return p.sourcePort == port && (p.tcpControl & 0x12) == 0x12; }), 1);
    const auto isGet = [](auto& p) {
        return startsWith(p.payload, "GET /monitor-probe/index.html ");
    };
    ASSERT_EQ(e.count(isGet), 1);
    const PacketInfo get = *std::find_if(e.packets.begin(), e.packets.end(), isGet);
    ASSERT_EQ(m_server.requests().size(), 1u);
    EXPECT_EQ(get.payload, m_server.requests().front().head());
    EXPECT_EQ(get.payloadLength, static_cast<int>(get.payload.size()));
    EXPECT_EQ(get.destinationPort, port);
    EXPECT_EQ(tcpFlagNames(get.tcpControl), "PSH ACK");
    EXPECT_EQ(get.wireLength, 14 + 20 + (get.tcpControl >> 12) * 4 + get.payloadLength);
    EXPECT_EQ(serviceName(get.sourcePort, get.destinationPort), "<" + std::to_string(port) + ">");
    EXPECT_EQ(e.count([](auto& p) { return p.payload == HelloResponse; }), 1);

    for (const PacketInfo& p : e.packets) {
        EXPECT_EQ(addressToText(p.sourceAddress), "127.0.0.1");
        EXPECT_EQ(addressToText(p.destinationAddress), "127.0.0.1");
        EXPECT_TRUE(p.outbound);
        EXPECT_EQ(p.linkProtocol, 2048);
    }
    // Every counted packet was reported (no filter is set), and the totals add up.
    std::int64_t sentBytes = 0;
    std::int64_t receivedBytes = 0;
    for (const PacketInfo& p : m_seen)
        (p.outbound ? sentBytes : receivedBytes) += p.wireLength;
    EXPECT_EQ(m_monitor.sentPackets() + m_monitor.receivedPackets(),
              static_cast<int>(m_seen.size()));
    EXPECT_EQ(m_monitor.sentBytes(), sentBytes);
    EXPECT_EQ(m_monitor.receivedBytes(), receivedBytes);
    EXPECT_GE(m_monitor.sentPackets(), static_cast<int>(e.packets.size()));
}

TEST_F(RawMonitor, HandlerExceptionsDoNotStopTheCapture) {
    m_onPacket = [](const PacketInfo&) { throw std::runtime_error("handler failure"); };
    m_monitor.startMonitoring();
    exchange("/throwing");
    const Exchange e = packetsOfPort(m_seen, m_server.port());
    EXPECT_EQ(e.count([](auto& p) { return startsWith(p.payload, "GET /throwing "); }), 1);
    EXPECT_EQ(e.count([](auto& p) { return p.payload == HelloResponse; }), 1);
    EXPECT_EQ(m_monitor.state(), RawSocket::State::Connected);
}

TEST_F(RawMonitor, StopEndsDeliveryAndKeepsTheTotals) {
    m_monitor.startMonitoring();
    exchange("/first");
    m_monitor.stopMonitoring();
    EXPECT_EQ(m_monitor.state(), RawSocket::State::Closed);
    const std::size_t reported = m_seen.size();
    const auto sent = m_monitor.sentPackets();
    EXPECT_GT(sent, 0);
    ASSERT_TRUE(runCurl(m_server.port(), "/second"));
    letEventsRun(200);
    EXPECT_EQ(m_seen.size(), reported);
    EXPECT_EQ(m_monitor.sentPackets(), sent);

    // A new start counts from zero again.
    m_monitor.startMonitoring();
    EXPECT_EQ(m_monitor.sentPackets(), 0);
    exchange("/third");
    EXPECT_EQ(packetsOfPort(m_seen, m_server.port()).count([](auto& p) {
        return startsWith(p.payload, "GET /third ");
    }),
              1);
}

// The capture tool stops the monitor from its packet handler once it has what it wants.
TEST_F(RawMonitor, StopFromThePacketHandlerEndsDeliveryAtOnce) {
    m_onPacket = [this](const PacketInfo& p) {
        if (startsWith(p.payload, "GET /stop-here "))
            m_monitor.stopMonitoring();
    };
    m_monitor.startMonitoring();
    ASSERT_TRUE(runCurl(m_server.port(), "/stop-here"));
    waitFor([&] { return m_monitor.state() == RawSocket::State::Closed; }, 10000);
    EXPECT_EQ(m_monitor.state(), RawSocket::State::Closed);
    ASSERT_FALSE(m_seen.empty());
    EXPECT_TRUE(startsWith(m_seen.back().payload, "GET /stop-here "));
    EXPECT_EQ(packetsOfPort(m_seen, m_server.port()).count([](auto& p) {
        return p.payload == HelloResponse;
    }),
              0);
}

// A start while the monitor is open replaces its socket: the old one is closed first instead of
// staying open beside the new one, and each datagram still arrives once.
TEST_F(RawMonitor, StartWhileOpenClosesTheOldSocketFirst) {
    const int before = openPacketSockets();
    m_monitor.startMonitoring();
    EXPECT_EQ(openPacketSockets(), before + 1);
    exchange("/first-start");

    m_monitor.startMonitoring();
    EXPECT_EQ(m_monitor.state(), RawSocket::State::Connected);
    EXPECT_EQ(openPacketSockets(), before + 1) << "the first start's socket is still open";
    EXPECT_EQ(m_monitor.sentPackets() + m_monitor.receivedPackets(), 0);
    m_seen.clear();
    exchange("/second-start");
    const int port = m_server.port();
    const Exchange e = packetsOfPort(m_seen, port);
    EXPECT_EQ(e.count([&](auto& p) {
        return p.destinationPort == port && (p.tcpControl & 0x12) == 0x02;
    }),
              1);
    EXPECT_EQ(e.count([](auto& p) { return startsWith(p.payload, "GET /second-start "); }), 1);
    EXPECT_EQ(e.count([](auto& p) { return p.payload == HelloResponse; }), 1);

    m_monitor.stopMonitoring();
    EXPECT_EQ(openPacketSockets(), before);
}

TEST_F(RawMonitor, FailedBindLeavesItClosedAndAnotherAddressStarts) {
    m_monitor.setAddress("127.0.0.2"); // inside 127/8, but no interface holds it
    EXPECT_EQ(startFailure(m_monitor),
              "Error 99 in function Bind\r\nCannot assign requested address");
    EXPECT_EQ(m_monitor.state(), RawSocket::State::Closed);
    m_monitor.setAddress("127.0.0.1");
    EXPECT_EQ(startFailure(m_monitor), "started");
    exchange("/after-failure");
    EXPECT_EQ(packetsOfPort(m_seen, m_server.port()).count([](auto& p) {
        return startsWith(p.payload, "GET /after-failure ");
    }),
              1);
}

TEST_F(RawMonitor, TextsCannotChangeWhileOpen) {
    m_monitor.startMonitoring();
    auto refusal = [](const std::function<void()>& change) -> std::string {
        try {
            change();
        } catch (const SocketError& e) {
            return e.what();
        }
        return "accepted";
    };
    EXPECT_EQ(refusal([&] { m_monitor.setAddress(" 127.0.0.1 "); }), "accepted");
    EXPECT_EQ(refusal([&] { m_monitor.setAddress("10.0.0.1"); }),
              "Cannot change Addr if not closed");
    EXPECT_EQ(refusal([&] { m_monitor.setPort("80"); }), "Cannot change Port if not closed");
    EXPECT_EQ(refusal([&] { m_monitor.setProtocol("raw_tcp"); }),
              "Cannot change Proto if not closed");
    EXPECT_EQ(m_monitor.address(), "127.0.0.1");
    m_monitor.stopMonitoring();
    EXPECT_EQ(refusal([&] { m_monitor.setAddress("10.0.0.1"); }), "accepted");
}

// A raw protocol other than "ip" keeps only that protocol's datagrams.
TEST_F(RawMonitor, RawProtocolTextSelectsOneProtocol) {
    RawSocket socket;
    socket.setAddress("127.0.0.1");
    socket.setPort("0");
    socket.setProtocol("RAW_udp");
    socket.listen();
    std::vector<std::uint8_t> protocols;
    socket.setDataHandler([&](RawSocket& sender, std::uint16_t) {
        std::uint8_t buffer[64];
        if (sender.receive(buffer, sizeof buffer) >= 20)
            protocols.push_back(buffer[9]);
    });
    ASSERT_TRUE(runCurl(m_server.port(), "/tcp-only")); // TCP, which this socket must not see
    const int udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    target.sin_port = htons(static_cast<std::uint16_t>(m_server.port()));
    sendto(udp, "x", 1, 0, reinterpret_cast<sockaddr*>(&target), sizeof target);
    close(udp);
    waitFor([&] { return !protocols.empty(); }, 10000);
    ASSERT_FALSE(protocols.empty());
    EXPECT_TRUE(std::all_of(protocols.begin(), protocols.end(), [](auto p) { return p == 17; }));
}

} // namespace
} // namespace vantaro
