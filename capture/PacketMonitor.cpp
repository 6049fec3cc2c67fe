// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/PacketMonitor.h"

#include "capture/CaptureLogText.h"
#include "capture/Ipv4Text.h"
#include "capture/ProtocolNames.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <QThread>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantaro {

namespace {

// Kernel receive buffer asked for the monitor's socket, so bursts wait instead of being dropped.
constexpr int MonitorReceiveBufferBytes = 8 * 1024 * 1024;
// Datagrams the monitor reads for one readiness notification before it lets the event loop run;
// the rest are read at the next notification, which follows at once.
constexpr int MonitorDatagramsPerNotification = 256;

struct CaptureClock {
    bool based = false;
    std::chrono::system_clock::time_point wall;
    std::chrono::steady_clock::time_point counter;
};
CaptureClock Clock;

std::string errorDescription(int errorCode) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not live in the buffer.
    return strerror_r(errorCode, buffer, sizeof buffer);
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto a = static_cast<unsigned char>(text[i]);
        const auto b = static_cast<unsigned char>(prefix[i]);
        if (std::tolower(a) != std::tolower(b))
            return false;
    }
    return true;
}

bool isAllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The IP protocol named by the text after "raw_"; raises the resolver's message otherwise.
int resolveProtocol(const std::string& name) {
    if (name.empty())
        throw std::runtime_error("WSocketResolveProto: Invalid Protocol.");
    if (isAllDigits(name))
        return textToIntLenient(name);
    protoent entry{};
    protoent* found = nullptr;
    char buffer[1024];
    if (getprotobyname_r(name.c_str(), &entry, buffer, sizeof buffer, &found) == 0 && found)
        return found->p_proto;
    // The protocol database may be missing on a minimal system: the names every system knows.
    static constexpr std::array<std::pair<const char*, int>, 5> Known{
        {{"ip", 0}, {"icmp", 1}, {"tcp", 6}, {"udp", 17}, {"raw", 255}}};
    for (const auto& [knownName, number] : Known) {
        if (startsWithNoCase(name, knownName) && name.size() == std::strlen(knownName))
            return number;
    }
    char message[512];
    std::snprintf(message, sizeof message,
                  "WSocketResolveProto: Cannot convert protocol '%s', Error #%d", name.c_str(),
                  EPROTONOSUPPORT);
    throw std::runtime_error(message);
}

void resolvePort(const std::string& port) {
    if (isAllDigits(port) && textToIntLenient(port) <= 65535)
        return;
    servent entry{};
    servent* found = nullptr;
    char buffer[1024];
    if (getservbyname_r(port.c_str(), "tcp", &entry, buffer, sizeof buffer, &found) == 0 && found)
        return;
    char message[512];
    std::snprintf(message, sizeof message,
                  "WSocketResolvePort: Cannot convert port '%s', Error #%d", port.c_str(), EINVAL);
    throw std::runtime_error(message);
}

// A dotted address directly, anything else through the host name lookup.
std::uint32_t resolveAddress(const std::string& addr) {
    const bool numeric = std::all_of(addr.begin(), addr.end(),
                                     [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
    if (numeric) {
        in_addr value{};
        if (inet_aton(addr.c_str(), &value) == 0)
            throw std::runtime_error("WSocketResolveHost: '" + addr + "' Invalid IP address.");
        return value.s_addr;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* answer = nullptr;
    const int status = getaddrinfo(addr.c_str(), nullptr, &hints, &answer);
    if (status != 0) {
        char message[512];
        std::snprintf(message, sizeof message,
                      "WSocketResolveHost: Cannot convert host address '%s', Error #%d",
                      addr.c_str(), status);
        throw std::runtime_error(message);
    }
    std::uint32_t value = 0;
    bool found = false;
    for (const addrinfo* entry = answer; entry; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addr) {
            sockaddr_in address{};
            std::memcpy(&address, entry->ai_addr, sizeof address);
            value = address.sin_addr.s_addr;
            found = true;
            break;
        }
    }
    freeaddrinfo(answer);
    if (!found)
        throw std::runtime_error("WSocketResolveHost: '" + addr + "' Invalid Hostname.");
    return value;
}

struct InterfaceOfAddress {
    unsigned index = 0;
    bool loopback = false;
};

// The interface that holds an IPv4 address; index 0 when none does (errno is then set).
InterfaceOfAddress findInterface(std::uint32_t address) {
    InterfaceOfAddress result;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return result;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        sockaddr_in held{};
        std::memcpy(&held, entry->ifa_addr, sizeof held);
        if (held.sin_addr.s_addr != address)
            continue;
        result.index = if_nametoindex(entry->ifa_name);
        result.loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
        if (result.index != 0)
            break;
    }
    freeifaddrs(list);
    if (result.index == 0)
        errno = EADDRNOTAVAIL;
    return result;
}

// A socket filter that keeps the IPv4 datagrams, of one IP protocol only when protocol is not 0.
bool keepOnlyIpv4(int fd, int protocol) {
    const auto k = [](int value) { return static_cast<std::uint32_t>(value); };
    std::vector<sock_filter> code;
    code.push_back({BPF_LD | BPF_H | BPF_ABS, 0, 0, k(SKF_AD_OFF + SKF_AD_PROTOCOL)});
    code.push_back({BPF_JMP | BPF_JEQ | BPF_K, 0, 0, ETH_P_IP});
    if (protocol != 0) {
        code.push_back({BPF_LD | BPF_B | BPF_ABS, 0, 0, 9});
        code.push_back({BPF_JMP | BPF_JEQ | BPF_K, 0, 0, k(protocol)});
    }
    code.push_back({BPF_RET | BPF_K, 0, 0, 0x40000});
    code.push_back({BPF_RET | BPF_K, 0, 0, 0});
    // Every test jumps to the final rejection when it fails.
    const std::size_t reject = code.size() - 1;
    for (std::size_t i = 0; i < reject; ++i) {
        if (code[i].code == (BPF_JMP | BPF_JEQ | BPF_K))
            code[i].jf = static_cast<std::uint8_t>(reject - i - 1);
    }
    sock_fprog program{static_cast<unsigned short>(code.size()), code.data()};
    return setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) == 0;
}

} // namespace

std::string socketErrorText(int errorCode, std::string_view function) {
    std::string text = "Error " + std::to_string(errorCode) + " in function ";
    text += function;
    text += "\r\n";
    text += errorDescription(errorCode);
    return text;
}

std::chrono::system_clock::time_point captureClockNow() {
    if (!Clock.based) {
        Clock.wall = std::chrono::system_clock::now();
        Clock.counter = std::chrono::steady_clock::now();
        Clock.based = true;
    }
    const auto elapsed = std::chrono::steady_clock::now() - Clock.counter;
    return Clock.wall + std::chrono::duration_cast<std::chrono::system_clock::duration>(elapsed);
}

void resetCaptureClock() {
    Clock.based = false;
}

// ---------------------------------------------------------------------------------------------

RawSocket::RawSocket(QObject* owner) : QObject(owner) {}

RawSocket::~RawSocket() {
    close();
}

void RawSocket::setText(std::string& field, std::string_view value, const char* what) {
    const std::string trimmed = trimBlanks(value);
    if (trimmed == field)
        return;
    if (m_state != State::Closed)
        throw SocketError(0, std::string("Cannot change ") + what + " if not closed");
    field = trimmed;
}

void RawSocket::setAddress(std::string_view text) {
    setText(m_address, text, "Addr");
}

void RawSocket::setPort(std::string_view text) {
    setText(m_port, text, "Port");
}

void RawSocket::setProtocol(std::string_view text) {
    setText(m_protocol, text, "Proto");
}

void RawSocket::fail(int errorCode, std::string_view function) {
    m_lastError = errorCode;
    throw SocketError(errorCode, socketErrorText(errorCode, function));
}

void RawSocket::listen() {
    // A socket still open from an earlier start is replaced, not leaked.
    close();
    if (m_port.empty())
        fail(EINVAL, "listen: port not assigned");
    if (m_protocol.empty())
        fail(EINVAL, "listen: protocol not assigned");
    if (m_address.empty())
        fail(EINVAL, "listen: address not assigned");
    if (!startsWithNoCase(m_protocol, "raw_"))
        fail(EPROTONOSUPPORT, "listen");

    int protocol = 0;
    std::uint32_t address = 0;
    try {
        protocol = resolveProtocol(m_protocol.substr(4));
        resolvePort(m_port);
        address = resolveAddress(m_address);
    } catch (const std::runtime_error& e) {
        m_lastError = EINVAL;
        throw SocketError(EINVAL, std::string("listen: ") + e.what());
    }

    openAndBind(address, protocol);

    // Receiving from here on: listening and connected at once, as a raw socket is.
    m_state = State::Connected;
    if (!QAbstractEventDispatcher::instance(QThread::currentThread()))
        fail(EOPNOTSUPP, "QSocketNotifier");
    m_notifier = new QSocketNotifier(static_cast<qintptr>(m_fd), QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { notificationLoop(); });
}

// Socket, bind and receive-all. The socket is created for no protocol, so that nothing reaches
// it before it is bound to its interface; a failed bind or receive-all closes it again. It is
// bound for every protocol, because only such sockets see the datagrams the machine sends, and
// a socket filter keeps the IPv4 ones.
void RawSocket::openAndBind(std::uint32_t address, int protocol) {
    m_fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        fail(errno, "socket");
    m_state = State::Opened;

    const int bufferBytes = MonitorReceiveBufferBytes;
    if (setsockopt(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, &bufferBytes, sizeof bufferBytes) != 0)
        setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &bufferBytes, sizeof bufferBytes);
    if (!keepOnlyIpv4(m_fd, protocol)) {
        const int error = errno;
        close();
        fail(error, "setsockopt(SO_ATTACH_FILTER)");
    }

    const InterfaceOfAddress device = findInterface(address);
    sockaddr_ll local{};
    local.sll_family = AF_PACKET;
    local.sll_protocol = htons(ETH_P_ALL);
    local.sll_ifindex = static_cast<int>(device.index);
    if (device.index == 0 ||
        bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const int error = errno;
        close();
        fail(error, "Bind");
    }
    m_state = State::Bound;

    // On the loopback interface every datagram passes twice, once sent and once received: only
    // the received copy is kept. The kernel drops the other when it can; receive() checks as well.
    m_skipOutgoing = device.loopback;
    if (m_skipOutgoing) {
        const int on = 1;
        setsockopt(m_fd, SOL_PACKET, PACKET_IGNORE_OUTGOING, &on, sizeof on);
    }

    if (m_socketOptions & ReceiveAll) {
        packet_mreq membership{};
        membership.mr_ifindex = static_cast<int>(device.index);
        membership.mr_type = PACKET_MR_PROMISC;
        if (setsockopt(m_fd, SOL_PACKET, PACKET_ADD_MEMBERSHIP, &membership, sizeof membership) !=
            0) {
            const int error = errno;
            close();
            fail(error, "setsockopt(PACKET_MR_PROMISC)");
        }
    }
}

int RawSocket::receive(void* buffer, int size) {
    if (m_fd < 0) {
        m_lastError = EBADF;
        return -1;
    }
    for (;;) {
        sockaddr_ll from{};
        socklen_t fromLength = sizeof from;
        const ssize_t received = recvfrom(m_fd, buffer, static_cast<std::size_t>(std::max(size, 0)),
                                          0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (received < 0) {
            m_lastError = errno;
            return -1;
        }
        if (m_skipOutgoing && from.sll_pkttype == PACKET_OUTGOING)
            continue;
        return static_cast<int>(received);
    }
}

void RawSocket::close() {
    if (m_notifier) {
        m_notifier->setEnabled(false);
        // Inside the notification loop the notifier is still delivering its signal.
        if (m_inLoop)
            m_notifier->deleteLater();
        else
            delete m_notifier;
        m_notifier = nullptr;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_skipOutgoing = false;
    m_state = State::Closed;
}

void RawSocket::notificationLoop() {
    m_inLoop = true;
    for (int round = 0; round < MonitorDatagramsPerNotification && m_fd >= 0; ++round) {
        m_lastError = 0;
        try {
            if (m_dataHandler) {
                m_dataHandler(*this, 0);
            } else {
                std::array<std::uint8_t, MonitorBufferSize> discard;
                receive(discard.data(), MonitorBufferSize);
            }
        } catch (...) {
            // A handler's failure ends this round of reading; the next notification goes on.
            break;
        }
        if (m_fd < 0 || m_lastError != 0)
            break;
        int waiting = 0;
        if (ioctl(m_fd, FIONREAD, &waiting) != 0 || waiting <= 0)
            break;
    }
    m_inLoop = false;
}

std::vector<std::string> RawSocket::localAddressList() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        const int error = errno;
        throw SocketError(error, socketErrorText(error, "getifaddrs"));
    }
    std::vector<std::string> addresses;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET ||
            !(entry->ifa_flags & IFF_UP))
            continue;
        sockaddr_in held{};
        std::memcpy(&held, entry->ifa_addr, sizeof held);
        addresses.push_back(addressToText(held.sin_addr.s_addr));
    }
    freeifaddrs(list);
    return addresses;
}

// ---------------------------------------------------------------------------------------------

PacketMonitor::PacketMonitor(QObject* owner) : RawSocket(owner) {
    setDataHandler(
        [this](RawSocket& sender, std::uint16_t errorCode) { readPacket(sender, errorCode); });
}

PacketMonitor::~PacketMonitor() = default;

void PacketMonitor::prepareCapture() {
    m_localAddress = textToAddress(address());
    m_addressMask = trimBlanks(m_addressMask);
    m_localMask = m_addressMask.empty() ? 0 : textToAddress(m_addressMask);
    m_receivedBytes = 0;
    m_sentBytes = 0;
    m_receivedPackets = 0;
    m_sentPackets = 0;
    setPort("0");
    setProtocol("raw_ip");
    resetCaptureClock();
}

void PacketMonitor::addIgnoredAddress(std::uint32_t address) {
    const auto place =
        std::lower_bound(m_ignoredAddresses.begin(), m_ignoredAddresses.end(), address);
    if (place == m_ignoredAddresses.end() || *place != address)
        m_ignoredAddresses.insert(place, address);
}

bool PacketMonitor::isIgnored(std::uint32_t address) const {
    return std::binary_search(m_ignoredAddresses.begin(), m_ignoredAddresses.end(), address);
}

void PacketMonitor::startMonitoring() {
    prepareCapture();
    setSocketOptions(ReceiveAll);
    listen();
}

void PacketMonitor::readPacket(RawSocket&, std::uint16_t) {
    std::array<std::uint8_t, MonitorBufferSize> buffer;
    const int received = receive(buffer.data(), MonitorBufferSize);
    if (received <= 0)
        return;
    decodeDatagram(buffer.data(), received);
}

void PacketMonitor::readDatagram(std::span<const std::uint8_t> datagram) {
    std::array<std::uint8_t, MonitorBufferSize> buffer;
    const std::size_t size = std::min(datagram.size(), buffer.size());
    if (size == 0)
        return;
    std::memcpy(buffer.data(), datagram.data(), size);
    decodeDatagram(buffer.data(), static_cast<int>(size));
}

namespace {

// Room for the longest IPv4 header (60 bytes) followed by the first 20 bytes of a TCP header.
constexpr int HeaderWindow = 80;

int bigEndian16(const std::uint8_t* bytes) {
    return (bytes[0] << 8) | bytes[1];
}

} // namespace

void PacketMonitor::decodeDatagram(const std::uint8_t* buffer, int received) {
    // Header fields are read from a zero-padded copy: a short datagram reads zeros where its
    // bytes are missing, never the remains of an earlier datagram.
    std::array<std::uint8_t, HeaderWindow> header{};
    std::memcpy(header.data(), buffer, static_cast<std::size_t>(std::min(received, HeaderWindow)));

    PacketInfo info;
    info.wireLength = received + EthernetHeaderLength;
    info.linkProtocol = ETH_P_IP;
    std::memcpy(&info.sourceAddress, &header[12], 4);
    std::memcpy(&info.destinationAddress, &header[16], 4);
    info.outbound = info.sourceAddress == m_localAddress;
    info.ipProtocol = header[9];
    info.captured = captureClockNow();

    if (!m_ignoredAddresses.empty() &&
        (isIgnored(info.sourceAddress) || isIgnored(info.destinationAddress)))
        return;
    if (m_localMask != 0 && m_ignoreLan) {
        if ((info.sourceAddress & m_localMask) == (info.destinationAddress & m_localMask) ||
            info.destinationAddress == 0)
            return;
    }

    const auto wireLength = static_cast<std::uint32_t>(info.wireLength);
    if (info.outbound) {
        m_sentBytes += wireLength;
        ++m_sentPackets;
    } else {
        m_receivedBytes += wireLength;
        ++m_receivedPackets;
    }
    if (!m_packetHandler)
        return;

    const int h = ipHeaderLength(header.data());
    switch (info.ipProtocol) {
    case IPPROTO_ICMP:
        info.icmpType = header[static_cast<std::size_t>(h)];
        takePayload(info, buffer, received, header.data(), h);
        break;
    case IPPROTO_TCP:
        info.sourcePort = bigEndian16(&header[static_cast<std::size_t>(h)]);
        info.destinationPort = bigEndian16(&header[static_cast<std::size_t>(h) + 2]);
        info.tcpControl =
            static_cast<std::uint16_t>(bigEndian16(&header[static_cast<std::size_t>(h) + 12]));
        takePayload(info, buffer, received, header.data(),
                    h + tcpHeaderLength(&header[static_cast<std::size_t>(h)]));
        break;
    case IPPROTO_UDP:
        info.sourcePort = bigEndian16(&header[static_cast<std::size_t>(h)]);
        info.destinationPort = bigEndian16(&header[static_cast<std::size_t>(h) + 2]);
        takePayload(info, buffer, received, header.data(), h + 8);
        break;
    default:
        break;
    }
    m_packetHandler(*this, std::move(info));
}

// The payload length follows the IPv4 total length, or the buffer size for a longer datagram.
// Only bytes actually received are copied: a total length that claims more than arrived gives
// the length it claims but no bytes beyond the datagram.
void PacketMonitor::takePayload(PacketInfo& info, const std::uint8_t* buffer, int received,
                                const std::uint8_t* header, int offset) const {
    const int totalLength = bigEndian16(&header[2]);
    info.payloadLength =
        totalLength < MonitorBufferSize ? totalLength - offset : MonitorBufferSize - offset;
    if (info.payloadLength <= 0 || m_ignoreData)
        return;
    const int available = std::min(info.payloadLength, received - offset);
    if (available > 0)
        info.payload.assign(reinterpret_cast<const char*>(buffer + offset),
                            static_cast<std::size_t>(available));
}

} // namespace vantaro
