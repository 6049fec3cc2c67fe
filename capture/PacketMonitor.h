// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The raw IPv4 monitor: every IPv4 datagram sent or received on the network interface that holds
// one local address, decoded into a PacketInfo and handed to the owner on the thread that owns
// the monitor (its event loop delivers the socket's readiness).
//
// On Linux the monitor reads an AF_PACKET datagram socket bound to that interface, in promiscuous
// mode, whose socket filter keeps the IPv4 datagrams; on the loopback interface, where each
// datagram is seen both sent and received, only the received copy. Decoding is reachable without
// a socket through readDatagram.

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class QSocketNotifier;

namespace vantaro {

// The monitor reads each datagram into a buffer of this size; longer ones are cut.
inline constexpr int MonitorBufferSize = 2001;
// Added to the received length of a datagram to give its length on an Ethernet wire.
inline constexpr int EthernetHeaderLength = 14;

// A socket failure: errorCode is the errno value (or 0 for failures that have none), the message
// is for people.
class SocketError : public std::runtime_error {
public:
    SocketError(int errorCode, const std::string& message)
        : std::runtime_error(message), m_errorCode(errorCode) {}
    int errorCode() const { return m_errorCode; }

private:
    int m_errorCode;
};

// "Error " + code + " in function " + function + "\r\n" + the system's description of the code.
std::string socketErrorText(int errorCode, std::string_view function);

// The capture clock: wall-clock time taken once, advanced by the monotonic clock. It is based at
// the first call after resetCaptureClock, so later wall-clock adjustments do not move the stamps.
std::chrono::system_clock::time_point captureClockNow();
void resetCaptureClock();

// One decoded IPv4 datagram.
struct PacketInfo {
    std::int32_t wireLength = 0;          // received bytes + 14 (an Ethernet header)
    std::uint16_t linkProtocol = 0;       // always 0x0800, IPv4
    std::uint32_t sourceAddress = 0;      // header bytes 12..15, network order
    std::uint32_t destinationAddress = 0; // header bytes 16..19
    std::int32_t sourcePort = 0;          // TCP and UDP only
    std::int32_t destinationPort = 0;     // TCP and UDP only
    std::uint8_t ipProtocol = 0;          // header byte 9
    std::uint16_t tcpControl = 0; // TCP header bytes 12 and 13, big-endian (offset and flags)
    bool outbound = false;        // the source is the watched address
    std::uint8_t icmpType = 0;
    std::int32_t payloadLength = 0; // from the IPv4 total length; 0 or negative when malformed
    std::string payload;            // the payload bytes actually received; empty with ignoreData
    std::chrono::system_clock::time_point captured; // captureClockNow() at reception
};

// The socket part that the monitor needs: address, port and protocol texts, the raw listen path,
// receive, close, the readiness loop and the list of local addresses.
class RawSocket : public QObject {
public:
    enum class State { Closed, Opened, Bound, Connected };
    enum SocketOption : unsigned { ReceiveAll = 1 };
    using DataHandler = std::function<void(RawSocket& sender, std::uint16_t errorCode)>;

    explicit RawSocket(QObject* owner = nullptr);
    ~RawSocket() override;
    RawSocket(const RawSocket&) = delete;
    RawSocket& operator=(const RawSocket&) = delete;

    // The texts are stored trimmed. Changing one to another value while the socket is not closed
    // raises SocketError ("Cannot change Addr if not closed", ... Port ..., ... Proto ...).
    const std::string& address() const { return m_address; }
    void setAddress(std::string_view text);
    const std::string& port() const { return m_port; }
    void setPort(std::string_view text);
    const std::string& protocol() const { return m_protocol; }
    void setProtocol(std::string_view text);

    unsigned socketOptions() const { return m_socketOptions; }
    void setSocketOptions(unsigned options) { m_socketOptions = options; }

    State state() const { return m_state; }
    int lastError() const { return m_lastError; }

    // Called for each readiness notification, and again while datagrams are waiting.
    void setDataHandler(DataHandler handler) { m_dataHandler = std::move(handler); }

    // Opens the raw socket: the protocol text must begin with "raw_" (the rest names the IP
    // protocol to keep, "ip" for all), the address must belong to a local interface. Raises
    // SocketError; a failure to bind or to switch on receive-all closes the socket again.
    void listen();
    // Reads one datagram into the buffer, cut to size. Returns the byte count, or -1 with the
    // errno value kept in lastError().
    int receive(void* buffer, int size);
    // Closes the socket; no notification arrives after it returns.
    void close();

    // Every IPv4 address of every interface that is up, dotted, in the order the kernel lists
    // them. Raises SocketError when the interfaces cannot be listed.
    static std::vector<std::string> localAddressList();

private:
    void setText(std::string& field, std::string_view value, const char* what);
    [[noreturn]] void fail(int errorCode, std::string_view function);
    void openAndBind(std::uint32_t address, int protocol);
    void notificationLoop();

    std::string m_address;
    std::string m_port;
    std::string m_protocol;
    unsigned m_socketOptions = 0;
    State m_state = State::Closed;
    int m_lastError = 0;
    int m_fd = -1;
    bool m_skipOutgoing = false;
    bool m_inLoop = false;
    QSocketNotifier* m_notifier = nullptr;
    DataHandler m_dataHandler;
};

class PacketMonitor : public RawSocket {
public:
    using PacketHandler = std::function<void(PacketMonitor& sender, PacketInfo packet)>;

    explicit PacketMonitor(QObject* owner = nullptr);
    ~PacketMonitor() override;

    const std::string& addressMask() const { return m_addressMask; }
    void setAddressMask(std::string_view mask) { m_addressMask = std::string(mask); }
    bool ignoreData() const { return m_ignoreData; }
    void setIgnoreData(bool ignore) { m_ignoreData = ignore; }
    bool ignoreLan() const { return m_ignoreLan; }
    void setIgnoreLan(bool ignore) { m_ignoreLan = ignore; }

    // Totals of the datagrams counted since the last start; they wrap, never overflow.
    std::int64_t receivedBytes() const { return static_cast<std::int64_t>(m_receivedBytes); }
    std::int64_t sentBytes() const { return static_cast<std::int64_t>(m_sentBytes); }
    std::int32_t receivedPackets() const { return static_cast<std::int32_t>(m_receivedPackets); }
    std::int32_t sentPackets() const { return static_cast<std::int32_t>(m_sentPackets); }

    void setPacketHandler(PacketHandler handler) { m_packetHandler = std::move(handler); }

    // Takes address() and addressMask(), resets the totals, opens the socket and starts reading.
    void startMonitoring();
    void stopMonitoring() { close(); }

    // Datagrams from or to an ignored address are neither counted nor reported. The addresses
    // are kept in ascending order of their 32-bit values, each once.
    void addIgnoredAddress(std::uint32_t address);
    void clearIgnoredAddresses() { m_ignoredAddresses.clear(); }
    const std::vector<std::uint32_t>& ignoredAddresses() const { return m_ignoredAddresses; }
    bool isIgnored(std::uint32_t address) const;

    // The part of a start that needs no socket: takes the local address and mask from
    // address() and addressMask(), resets the totals, sets the port and protocol texts and re-bases
    // the clock.
    void prepareCapture();
    // Counts, filters and decodes one datagram as if it had just been received (cut to the
    // buffer size like a received one). The packet handler's exceptions pass through.
    void readDatagram(std::span<const std::uint8_t> datagram);
    // The data handler: receives one datagram from the socket and decodes it.
    void readPacket(RawSocket& sender, std::uint16_t errorCode);

private:
    void decodeDatagram(const std::uint8_t* buffer, int received);
    void takePayload(PacketInfo& info, const std::uint8_t* buffer, int received,
                     const std::uint8_t* header, int offset) const;

    std::string m_addressMask;
    bool m_ignoreData = false;
    bool m_ignoreLan = false;
    std::uint32_t m_localAddress = 0;
    std::uint32_t m_localMask = 0;
    std::uint64_t m_receivedBytes = 0;
    std::uint64_t m_sentBytes = 0;
    std::uint32_t m_receivedPackets = 0;
    std::uint32_t m_sentPackets = 0;
    std::vector<std::uint32_t> m_ignoredAddresses;
    PacketHandler m_packetHandler;
};

} // namespace vantaro
