// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The raw IPv4 monitor: every IPv4 datagram sent or received on the network interface that holds
// one local address, decoded into a TPacketInfo and handed to the owner on the thread that owns
// the monitor (its event loop delivers the socket's readiness).
//
// On Linux the monitor reads an AF_PACKET datagram socket bound to that interface, in promiscuous
// mode, whose socket filter keeps the IPv4 datagrams; on the loopback interface, where each
// datagram is seen both sent and received, only the received copy. Decoding is reachable without
// a socket through ReadDatagram.

#include "capture/magclasses.h"

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

// A socket failure: errorCode is the errno value (or 0 for failures that have none), the message
// is for people.
class ESocketException : public std::runtime_error {
public:
    ESocketException(int errorCode, const std::string& message)
        : std::runtime_error(message), m_errorCode(errorCode) {}
    int ErrorCode() const { return m_errorCode; }

private:
    int m_errorCode;
};

// "Error " + code + " in function " + function + "\r\n" + the system's description of the code.
std::string SocketErrorText(int errorCode, std::string_view function);

// The capture clock: wall-clock time taken once, advanced by the monotonic clock. It is based at
// the first call after ResetPerfClock, so later wall-clock adjustments do not move the stamps.
std::chrono::system_clock::time_point PerfClockNow();
void ResetPerfClock();

// One decoded IPv4 datagram.
struct TPacketInfo {
    std::int32_t WireLength = 0; // received bytes + 14 (an Ethernet header)
    std::uint16_t LinkProto = 0; // always 0x0800, IPv4
    std::uint32_t SrcAddr = 0;   // header bytes 12..15, network order
    std::uint32_t DstAddr = 0;   // header bytes 16..19
    std::int32_t SrcPort = 0;    // TCP and UDP only
    std::int32_t DstPort = 0;    // TCP and UDP only
    std::uint8_t IpProto = 0;    // header byte 9
    std::uint16_t TcpCtrl = 0;   // TCP header bytes 12 and 13, big-endian (offset and flags)
    bool Outbound = false;       // the source is the watched address
    std::uint8_t IcmpKind = 0;   // ICMP type
    std::int32_t PayloadLen = 0; // from the IPv4 total length; 0 or negative when malformed
    std::string Payload;         // the payload bytes actually received; empty with IgnoreData
    std::chrono::system_clock::time_point Captured; // PerfClockNow() at reception
};

// The socket part that the monitor needs: address, port and protocol texts, the raw listen path,
// receive, close, the readiness loop and the list of local addresses.
class TCustomWSocket : public QObject {
public:
    enum class State { Closed, Opened, Bound, Connected };
    enum SocketOption : unsigned { ReceiveAll = 1 };
    using TDataAvailable = std::function<void(TCustomWSocket& Sender, std::uint16_t ErrCode)>;

    explicit TCustomWSocket(QObject* owner = nullptr);
    ~TCustomWSocket() override;
    TCustomWSocket(const TCustomWSocket&) = delete;
    TCustomWSocket& operator=(const TCustomWSocket&) = delete;

    // The texts are stored trimmed. Changing one to another value while the socket is not closed
    // raises ESocketException ("Cannot change Addr if not closed", ... Port ..., ... Proto ...).
    const std::string& Addr() const { return m_addr; }
    void setAddr(std::string_view addr);
    const std::string& Port() const { return m_port; }
    void setPort(std::string_view port);
    const std::string& Proto() const { return m_proto; }
    void setProto(std::string_view proto);

    unsigned SocketOptions() const { return m_socketOptions; }
    void setSocketOptions(unsigned options) { m_socketOptions = options; }

    State state() const { return m_state; }
    int LastError() const { return m_lastError; }

    // Called for each readiness notification, and again while datagrams are waiting.
    void setOnDataAvailable(TDataAvailable handler) { m_onDataAvailable = std::move(handler); }

    // Opens the raw socket: the protocol text must begin with "raw_" (the rest names the IP
    // protocol to keep, "ip" for all), the address must belong to a local interface. Raises
    // ESocketException; a failure to bind or to switch on receive-all closes the socket again.
    void Listen();
    // Reads one datagram into the buffer, cut to size. Returns the byte count, or -1 with the
    // errno value kept in LastError.
    int Receive(void* buffer, int size);
    // Closes the socket; no notification arrives after it returns.
    void Close();

    // Every IPv4 address of every interface that is up, dotted, in the order the kernel lists
    // them. Raises ESocketException when the interfaces cannot be listed.
    static std::vector<std::string> LocalAddressList();

private:
    void setText(std::string& field, std::string_view value, const char* what);
    [[noreturn]] void fail(int errorCode, std::string_view function);
    void openAndBind(std::uint32_t address, int protocol);
    void notificationLoop();

    std::string m_addr;
    std::string m_port;
    std::string m_proto;
    unsigned m_socketOptions = 0;
    State m_state = State::Closed;
    int m_lastError = 0;
    int m_fd = -1;
    bool m_skipOutgoing = false;
    bool m_inLoop = false;
    QSocketNotifier* m_notifier = nullptr;
    TDataAvailable m_onDataAvailable;
};

class TMonitorSocket : public TCustomWSocket {
public:
    using TPacketEvent = std::function<void(TMonitorSocket& Sender, TPacketInfo PacketInfo)>;

    explicit TMonitorSocket(QObject* owner = nullptr);
    ~TMonitorSocket() override;

    const std::string& AddrMask() const { return m_addrMask; }
    void setAddrMask(std::string_view mask) { m_addrMask = std::string(mask); }
    bool IgnoreData() const { return m_ignoreData; }
    void setIgnoreData(bool ignore) { m_ignoreData = ignore; }
    bool IgnoreLAN() const { return m_ignoreLAN; }
    void setIgnoreLAN(bool ignore) { m_ignoreLAN = ignore; }

    // Totals of the datagrams counted since the last start; they wrap, never overflow.
    std::int64_t TotRecvBytes() const { return static_cast<std::int64_t>(m_recvBytes); }
    std::int64_t TotSendBytes() const { return static_cast<std::int64_t>(m_sendBytes); }
    std::int32_t TotRecvPackets() const { return static_cast<std::int32_t>(m_recvPackets); }
    std::int32_t TotSendPackets() const { return static_cast<std::int32_t>(m_sendPackets); }

    void setOnPacketEvent(TPacketEvent handler) { m_onPacketEvent = std::move(handler); }

    // Takes Addr and AddrMask, resets the totals, opens the socket and starts reading.
    void StartMonitoring();
    void StopMonitoring() { Close(); }

    // Datagrams from or to an ignored address are neither counted nor reported.
    void AddIgnoredAddr(std::uint32_t address) { m_ignoredAddrs.AddOrdered(address, CompareAddrs); }
    void ClearIgnoredAddrs() { m_ignoredAddrs.clear(); }

    // The part of a start that needs no socket: takes the local address and mask from Addr and
    // AddrMask, resets the totals, sets the port and protocol texts and re-bases the clock.
    void PrepareCapture();
    // Counts, filters and decodes one datagram as if it had just been received (cut to the
    // buffer size like a received one). The packet handler's exceptions pass through.
    void ReadDatagram(std::span<const std::uint8_t> datagram);
    // The data handler: receives one datagram from the socket and decodes it.
    void ReadPacket(TCustomWSocket& Sender, std::uint16_t ErrCode);

private:
    void decodeDatagram(const std::uint8_t* buffer, int received);
    void TakePayload(TPacketInfo& info, const std::uint8_t* buffer, int received,
                     const std::uint8_t* header, int offset) const;

    std::string m_addrMask;
    bool m_ignoreData = false;
    bool m_ignoreLAN = false;
    std::uint32_t m_localAddr = 0;
    std::uint32_t m_localMask = 0;
    std::uint64_t m_recvBytes = 0;
    std::uint64_t m_sendBytes = 0;
    std::uint32_t m_recvPackets = 0;
    std::uint32_t m_sendPackets = 0;
    TFindList<std::uint32_t> m_ignoredAddrs;
    TPacketEvent m_onPacketEvent;
};

} // namespace vantaro
