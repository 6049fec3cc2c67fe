// SPDX-License-Identifier: GPL-3.0-or-later
// The monitor's reading of received datagrams: decoding, payload rules, filters and totals,
// fed from byte buffers through the same path a received datagram takes.
#include "capture/PacketMonitor.h"

#include "DatagramBuilder.h"
#include "capture/ProtocolNames.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace vantaro {
namespace {

using testing::buildDatagram;
using testing::DatagramShape;

class MonitorDecoding : public ::testing::Test {
protected:
    void SetUp() override {
        m_monitor.setAddr("192.168.1.10");
        m_monitor.PrepareCapture();
        m_monitor.setOnPacketEvent([this](TMonitorSocket& sender, TPacketInfo info) {
            EXPECT_EQ(&sender, &m_monitor);
            m_packets.push_back(std::move(info));
        });
    }
    const TPacketInfo& only() {
        EXPECT_EQ(m_packets.size(), 1u);
        if (m_packets.empty())
            throw std::logic_error("no packet was reported");
        return m_packets.front();
    }
    void feed(const DatagramShape& shape) { m_monitor.ReadDatagram(buildDatagram(shape)); }

    TMonitorSocket m_monitor;
    std::vector<TPacketInfo> m_packets;
};

DatagramShape tcpSegment(std::string payload) {
    DatagramShape shape;
    shape.protocol = 6;
    shape.sourcePort = 80;
    shape.destinationPort = 51000;
    shape.tcpFlags = 0x18;
    shape.payload = std::move(payload);
    return shape;
}

TEST_F(MonitorDecoding, TcpDatagramOf60Bytes) {
    const std::string payload = "GET / HTTP/1.0\r\n\r\nab";
    ASSERT_EQ(payload.size(), 20u);
    feed(tcpSegment(payload));
    const TPacketInfo& p = only();
    EXPECT_EQ(p.WireLength, 74);
    EXPECT_EQ(p.LinkProto, 2048);
    EXPECT_EQ(AddrToText(p.SrcAddr), "192.168.1.20");
    EXPECT_EQ(AddrToText(p.DstAddr), "192.168.1.10");
    EXPECT_EQ(p.IpProto, 6);
    EXPECT_EQ(p.SrcPort, 80);
    EXPECT_EQ(p.DstPort, 51000);
    EXPECT_EQ(p.TcpCtrl, 0x5018);
    EXPECT_EQ(TcpFlagNames(p.TcpCtrl), "PSH ACK");
    EXPECT_FALSE(p.Outbound);
    EXPECT_EQ(p.IcmpKind, 0);
    EXPECT_EQ(p.PayloadLen, 20);
    EXPECT_EQ(p.Payload, payload);
}

TEST_F(MonitorDecoding, IgnoreDataKeepsTheLengthButNotTheBytes) {
    m_monitor.setIgnoreData(true);
    feed(tcpSegment(std::string(20, 'x')));
    EXPECT_EQ(only().PayloadLen, 20);
    EXPECT_TRUE(only().Payload.empty());
}

TEST_F(MonitorDecoding, TcpOptionsAndIpOptionsMovePayload) {
    DatagramShape shape = tcpSegment("after options");
    shape.ipHeaderLength = 24;
    shape.tcpHeaderLength = 32;
    feed(shape);
    EXPECT_EQ(only().Payload, "after options");
    EXPECT_EQ(only().PayloadLen, 13);
    EXPECT_EQ(only().TcpCtrl >> 12, 8);
    EXPECT_EQ(only().SrcPort, 80);
}

TEST_F(MonitorDecoding, UdpPayloadStartsEightBytesAfterTheIpHeader) {
    DatagramShape shape;
    shape.protocol = 17;
    shape.ipHeaderLength = 28;
    shape.sourcePort = 5353;
    shape.destinationPort = 53;
    shape.payload = std::string("\x12\x34question", 10);
    feed(shape);
    const TPacketInfo& p = only();
    EXPECT_EQ(p.SrcPort, 5353);
    EXPECT_EQ(p.DstPort, 53);
    EXPECT_EQ(p.TcpCtrl, 0);
    EXPECT_EQ(p.PayloadLen, 10);
    EXPECT_EQ(p.Payload, shape.payload);
    EXPECT_EQ(p.WireLength, 28 + 8 + 10 + 14);
}

TEST_F(MonitorDecoding, IcmpPayloadIncludesTheIcmpHeader) {
    DatagramShape shape;
    shape.protocol = 1;
    shape.icmpType = 8;
    shape.payload = "ping";
    feed(shape);
    const TPacketInfo& p = only();
    EXPECT_EQ(p.IcmpKind, 8);
    EXPECT_EQ(p.SrcPort, 0);
    EXPECT_EQ(p.DstPort, 0);
    EXPECT_EQ(p.PayloadLen, 12);
    ASSERT_EQ(p.Payload.size(), 12u);
    EXPECT_EQ(p.Payload[0], '\x08');
    EXPECT_EQ(p.Payload.substr(8), "ping");
}

TEST_F(MonitorDecoding, OtherProtocolsGiveNoPayload) {
    DatagramShape shape;
    shape.protocol = 2; // IGMP
    shape.payload = std::string("\x11\x64\xee\x9b\0\0\0\0", 8);
    feed(shape);
    const TPacketInfo& p = only();
    EXPECT_EQ(p.IpProto, 2);
    EXPECT_EQ(p.PayloadLen, 0);
    EXPECT_TRUE(p.Payload.empty());
    EXPECT_EQ(p.SrcPort, 0);
    EXPECT_EQ(p.IcmpKind, 0);
    EXPECT_EQ(p.WireLength, 28 + 14);
}

TEST_F(MonitorDecoding, TotalLengthZeroGivesNegativeLengthAndNoPayload) {
    DatagramShape shape = tcpSegment("some data");
    shape.totalLength = 0;
    feed(shape);
    EXPECT_EQ(only().PayloadLen, -40);
    EXPECT_TRUE(only().Payload.empty());
}

TEST_F(MonitorDecoding, LongDatagramIsCutToTheBuffer) {
    std::string payload(3000 - 40, '\0');
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<char>('a' + i % 26);
    feed(tcpSegment(payload));
    const TPacketInfo& p = only();
    EXPECT_EQ(p.WireLength, 2001 + 14);
    EXPECT_EQ(p.PayloadLen, 2001 - 40);
    EXPECT_EQ(p.Payload, payload.substr(0, 2001 - 40));
}

// A total length that claims more than arrived: the claimed length is reported, but no byte
// beyond the datagram, neither garbage nor the remains of the datagram read before it.
TEST_F(MonitorDecoding, ClaimedLengthBeyondTheDatagramCopiesOnlyReceivedBytes) {
    feed(tcpSegment(std::string(1500, 'A')));
    DatagramShape shortOne = tcpSegment("tail");
    shortOne.totalLength = 1000;
    feed(shortOne);
    ASSERT_EQ(m_packets.size(), 2u);
    EXPECT_EQ(m_packets[1].PayloadLen, 960);
    EXPECT_EQ(m_packets[1].Payload, "tail");
}

TEST_F(MonitorDecoding, TruncatedHeadersReadAsZeros) {
    std::vector<std::uint8_t> bytes = buildDatagram(tcpSegment("x"));
    bytes.resize(14);
    m_monitor.ReadDatagram(bytes);
    const TPacketInfo& p = only();
    EXPECT_EQ(p.WireLength, 28);
    EXPECT_EQ(AddrToText(p.SrcAddr), "192.168.0.0");
    EXPECT_EQ(p.DstAddr, 0u);
    EXPECT_EQ(p.SrcPort, 0);
    EXPECT_EQ(p.PayloadLen, 41 - 20);
    EXPECT_TRUE(p.Payload.empty());
    m_monitor.ReadDatagram({});
    EXPECT_EQ(m_packets.size(), 1u);
}

TEST_F(MonitorDecoding, DirectionDecidesWhichTotalsGrow) {
    DatagramShape in = tcpSegment("in"); // from 192.168.1.20 to the watched 192.168.1.10
    DatagramShape out = tcpSegment("outbound");
    out.source = "192.168.1.10";
    out.destination = "10.0.0.1";
    feed(in);
    feed(out);
    feed(out);
    ASSERT_EQ(m_packets.size(), 3u);
    EXPECT_FALSE(m_packets[0].Outbound);
    EXPECT_TRUE(m_packets[1].Outbound);
    EXPECT_EQ(m_monitor.TotRecvPackets(), 1);
    EXPECT_EQ(m_monitor.TotRecvBytes(), 14 + 40 + 2);
    EXPECT_EQ(m_monitor.TotSendPackets(), 2);
    EXPECT_EQ(m_monitor.TotSendBytes(), 2 * (14 + 40 + 8));

    m_monitor.PrepareCapture();
    EXPECT_EQ(m_monitor.TotRecvPackets(), 0);
    EXPECT_EQ(m_monitor.TotSendPackets(), 0);
    EXPECT_EQ(m_monitor.TotRecvBytes(), 0);
    EXPECT_EQ(m_monitor.TotSendBytes(), 0);
}

TEST_F(MonitorDecoding, IgnoreLanDropsPacketsWithinTheMaskedNetwork) {
    DatagramShape local = tcpSegment("lan");
    local.source = "192.168.1.10";
    local.destination = "192.168.1.20";
    DatagramShape remote = tcpSegment("wan");
    remote.source = "192.168.1.10";
    remote.destination = "10.0.0.1";
    DatagramShape toNobody = tcpSegment("none");
    toNobody.source = "10.0.0.1";
    toNobody.destination = "0.0.0.0";

    m_monitor.setAddrMask("  255.255.255.0\t");
    m_monitor.setIgnoreLAN(true);
    m_monitor.PrepareCapture();
    EXPECT_EQ(m_monitor.AddrMask(), "255.255.255.0");
    feed(local);
    feed(remote);
    feed(toNobody);
    ASSERT_EQ(m_packets.size(), 1u);
    EXPECT_EQ(m_packets[0].Payload, "wan");
    EXPECT_EQ(m_monitor.TotSendPackets(), 1);
    EXPECT_EQ(m_monitor.TotRecvPackets(), 0);

    m_monitor.setIgnoreLAN(false);
    m_packets.clear();
    feed(local);
    feed(remote);
    EXPECT_EQ(m_packets.size(), 2u);
    EXPECT_EQ(m_monitor.TotSendPackets(), 3);

    // Without a mask there is no local network to leave out.
    m_monitor.setAddrMask("");
    m_monitor.setIgnoreLAN(true);
    m_monitor.PrepareCapture();
    m_packets.clear();
    feed(local);
    EXPECT_EQ(m_packets.size(), 1u);
}

TEST_F(MonitorDecoding, IgnoredAddressesAreNeitherCountedNorReported) {
    m_monitor.AddIgnoredAddr(TextToAddr("10.0.0.1"));
    m_monitor.AddIgnoredAddr(TextToAddr("192.168.1.99"));
    DatagramShape toIgnored = tcpSegment("a");
    toIgnored.destination = "10.0.0.1";
    DatagramShape fromIgnored = tcpSegment("b");
    fromIgnored.source = "192.168.1.99";
    feed(toIgnored);
    feed(fromIgnored);
    feed(tcpSegment("c"));
    ASSERT_EQ(m_packets.size(), 1u);
    EXPECT_EQ(m_packets[0].Payload, "c");
    EXPECT_EQ(m_monitor.TotRecvPackets(), 1);

    m_monitor.ClearIgnoredAddrs();
    feed(toIgnored);
    EXPECT_EQ(m_packets.size(), 2u);
    EXPECT_EQ(m_monitor.TotRecvPackets(), 2);
}

TEST_F(MonitorDecoding, WithoutHandlerPacketsAreStillCounted) {
    m_monitor.setOnPacketEvent(nullptr);
    feed(tcpSegment("counted"));
    feed(tcpSegment("counted"));
    EXPECT_EQ(m_monitor.TotRecvPackets(), 2);
    EXPECT_EQ(m_monitor.TotRecvBytes(), 2 * (14 + 40 + 7));
    EXPECT_TRUE(m_packets.empty());
}

TEST_F(MonitorDecoding, HandlerExceptionLeavesThePacketCountedAndLaterOnesDelivered) {
    int calls = 0;
    m_monitor.setOnPacketEvent([&](TMonitorSocket&, TPacketInfo info) {
        ++calls;
        if (info.Payload == "bad")
            throw std::runtime_error("handler failed");
    });
    EXPECT_THROW(feed(tcpSegment("bad")), std::runtime_error);
    EXPECT_EQ(m_monitor.TotRecvPackets(), 1);
    EXPECT_NO_THROW(feed(tcpSegment("good")));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(m_monitor.TotRecvPackets(), 2);
}

TEST_F(MonitorDecoding, CaptureTimesFollowTheClock) {
    const auto before = std::chrono::system_clock::now();
    feed(tcpSegment("1"));
    feed(tcpSegment("2"));
    const auto after = std::chrono::system_clock::now();
    ASSERT_EQ(m_packets.size(), 2u);
    EXPECT_LE(m_packets[0].Captured, m_packets[1].Captured);
    // The clock is based at the first datagram after the start, so it sits within the calls.
    EXPECT_GE(m_packets[0].Captured, before);
    EXPECT_LE(m_packets[1].Captured, after + std::chrono::milliseconds(5));
}

} // namespace
} // namespace vantaro
