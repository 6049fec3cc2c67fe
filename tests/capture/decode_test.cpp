// SPDX-License-Identifier: GPL-3.0-or-later
// The monitor's reading of received datagrams: decoding, payload rules, filters and totals,
// fed from byte buffers through the same path a received datagram takes.
#include "capture/PacketMonitor.h"

#include "DatagramBuilder.h"
#include "capture/Ipv4Text.h"
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
        m_monitor.setAddress("192.168.1.10");
        m_monitor.prepareCapture();
        m_monitor.setPacketHandler([this](PacketMonitor& sender, PacketInfo info) {
            EXPECT_EQ(&sender, &m_monitor);
            m_packets.push_back(std::move(info));
        });
    }
    const PacketInfo& only() {
        EXPECT_EQ(m_packets.size(), 1u);
        if (m_packets.empty())
            throw std::logic_error("no packet was reported");
        return m_packets.front();
    }
    void feed(const DatagramShape& shape) { m_monitor.readDatagram(buildDatagram(shape)); }

    PacketMonitor m_monitor;
    std::vector<PacketInfo> m_packets;
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
    const PacketInfo& p = only();
    EXPECT_EQ(p.wireLength, 74);
    EXPECT_EQ(p.linkProtocol, 2048);
    EXPECT_EQ(addressToText(p.sourceAddress), "192.168.1.20");
    EXPECT_EQ(addressToText(p.destinationAddress), "192.168.1.10");
    EXPECT_EQ(p.ipProtocol, 6);
    EXPECT_EQ(p.sourcePort, 80);
    EXPECT_EQ(p.destinationPort, 51000);
    EXPECT_EQ(p.tcpControl, 0x5018);
    EXPECT_EQ(tcpFlagNames(p.tcpControl), "PSH ACK");
    EXPECT_FALSE(p.outbound);
    EXPECT_EQ(p.icmpType, 0);
    EXPECT_EQ(p.payloadLength, 20);
    EXPECT_EQ(p.payload, payload);
}

TEST_F(MonitorDecoding, IgnoreDataKeepsTheLengthButNotTheBytes) {
    m_monitor.setIgnoreData(true);
    feed(tcpSegment(std::string(20, 'x')));
    EXPECT_EQ(only().payloadLength, 20);
    EXPECT_TRUE(only().payload.empty());
}

TEST_F(MonitorDecoding, TcpOptionsAndIpOptionsMovePayload) {
    DatagramShape shape = tcpSegment("after options");
    shape.ipHeaderLength = 24;
    shape.tcpHeaderLength = 32;
    feed(shape);
    EXPECT_EQ(only().payload, "after options");
    EXPECT_EQ(only().payloadLength, 13);
    EXPECT_EQ(only().tcpControl >> 12, 8);
    EXPECT_EQ(only().sourcePort, 80);
}

TEST_F(MonitorDecoding, UdpPayloadStartsEightBytesAfterTheIpHeader) {
    DatagramShape shape;
    shape.protocol = 17;
    shape.ipHeaderLength = 28;
    shape.sourcePort = 5353;
    shape.destinationPort = 53;
    shape.payload = std::string("\x12\x34question", 10);
    feed(shape);
    const PacketInfo& p = only();
    EXPECT_EQ(p.sourcePort, 5353);
    EXPECT_EQ(p.destinationPort, 53);
    EXPECT_EQ(p.tcpControl, 0);
    EXPECT_EQ(p.payloadLength, 10);
    EXPECT_EQ(p.payload, shape.payload);
    EXPECT_EQ(p.wireLength, 28 + 8 + 10 + 14);
}

TEST_F(MonitorDecoding, IcmpPayloadIncludesTheIcmpHeader) {
    DatagramShape shape;
    shape.protocol = 1;
    shape.icmpType = 8;
    shape.payload = "ping";
    feed(shape);
    const PacketInfo& p = only();
    EXPECT_EQ(p.icmpType, 8);
    EXPECT_EQ(p.sourcePort, 0);
    EXPECT_EQ(p.destinationPort, 0);
    EXPECT_EQ(p.payloadLength, 12);
    ASSERT_EQ(p.payload.size(), 12u);
    EXPECT_EQ(p.payload[0], '\x08');
    EXPECT_EQ(p.payload.substr(8), "ping");
}

TEST_F(MonitorDecoding, OtherProtocolsGiveNoPayload) {
    DatagramShape shape;
    shape.protocol = 2; // IGMP
    shape.payload = std::string("\x11\x64\xee\x9b\0\0\0\0", 8);
    feed(shape);
    const PacketInfo& p = only();
    EXPECT_EQ(p.ipProtocol, 2);
    EXPECT_EQ(p.payloadLength, 0);
    EXPECT_TRUE(p.payload.empty());
    EXPECT_EQ(p.sourcePort, 0);
    EXPECT_EQ(p.icmpType, 0);
    EXPECT_EQ(p.wireLength, 28 + 14);
}

TEST_F(MonitorDecoding, TotalLengthZeroGivesNegativeLengthAndNoPayload) {
    DatagramShape shape = tcpSegment("some data");
    shape.totalLength = 0;
    feed(shape);
    EXPECT_EQ(only().payloadLength, -40);
    EXPECT_TRUE(only().payload.empty());
}

TEST_F(MonitorDecoding, LongDatagramIsCutToTheBuffer) {
    std::string payload(3000 - 40, '\0');
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<char>('a' + i % 26);
    feed(tcpSegment(payload));
    const PacketInfo& p = only();
    EXPECT_EQ(p.wireLength, 2001 + 14);
    EXPECT_EQ(p.payloadLength, 2001 - 40);
    EXPECT_EQ(p.payload, payload.substr(0, 2001 - 40));
}

// A total length that claims more than arrived: the claimed length is reported, but no byte
// beyond the datagram, neither garbage nor the remains of the datagram read before it.
TEST_F(MonitorDecoding, ClaimedLengthBeyondTheDatagramCopiesOnlyReceivedBytes) {
    feed(tcpSegment(std::string(1500, 'A')));
    DatagramShape shortOne = tcpSegment("tail");
    shortOne.totalLength = 1000;
    feed(shortOne);
    ASSERT_EQ(m_packets.size(), 2u);
    EXPECT_EQ(m_packets[1].payloadLength, 960);
    EXPECT_EQ(m_packets[1].payload, "tail");
}

TEST_F(MonitorDecoding, TruncatedHeadersReadAsZeros) {
    std::vector<std::uint8_t> bytes = buildDatagram(tcpSegment("x"));
    bytes.resize(14);
    m_monitor.readDatagram(bytes);
    const PacketInfo& p = only();
    EXPECT_EQ(p.wireLength, 28);
    EXPECT_EQ(addressToText(p.sourceAddress), "192.168.0.0");
    EXPECT_EQ(p.destinationAddress, 0u);
    EXPECT_EQ(p.sourcePort, 0);
    EXPECT_EQ(p.payloadLength, 41 - 20);
    EXPECT_TRUE(p.payload.empty());
    m_monitor.readDatagram({});
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
    EXPECT_FALSE(m_packets[0].outbound);
    EXPECT_TRUE(m_packets[1].outbound);
    EXPECT_EQ(m_monitor.receivedPackets(), 1);
    EXPECT_EQ(m_monitor.receivedBytes(), 14 + 40 + 2);
    EXPECT_EQ(m_monitor.sentPackets(), 2);
    EXPECT_EQ(m_monitor.sentBytes(), 2 * (14 + 40 + 8));

    m_monitor.prepareCapture();
    EXPECT_EQ(m_monitor.receivedPackets(), 0);
    EXPECT_EQ(m_monitor.sentPackets(), 0);
    EXPECT_EQ(m_monitor.receivedBytes(), 0);
    EXPECT_EQ(m_monitor.sentBytes(), 0);
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

    m_monitor.setAddressMask("  255.255.255.0\t");
    m_monitor.setIgnoreLan(true);
    m_monitor.prepareCapture();
    EXPECT_EQ(m_monitor.addressMask(), "255.255.255.0");
    feed(local);
    feed(remote);
    feed(toNobody);
    ASSERT_EQ(m_packets.size(), 1u);
    EXPECT_EQ(m_packets[0].payload, "wan");
    EXPECT_EQ(m_monitor.sentPackets(), 1);
    EXPECT_EQ(m_monitor.receivedPackets(), 0);

    m_monitor.setIgnoreLan(false);
    m_packets.clear();
    feed(local);
    feed(remote);
    EXPECT_EQ(m_packets.size(), 2u);
    EXPECT_EQ(m_monitor.sentPackets(), 3);

    // Without a mask there is no local network to leave out.
    m_monitor.setAddressMask("");
    m_monitor.setIgnoreLan(true);
    m_monitor.prepareCapture();
    m_packets.clear();
    feed(local);
    EXPECT_EQ(m_packets.size(), 1u);
}

TEST_F(MonitorDecoding, IgnoredAddressesAreNeitherCountedNorReported) {
    m_monitor.addIgnoredAddress(textToAddress("10.0.0.1"));
    m_monitor.addIgnoredAddress(textToAddress("192.168.1.99"));
    DatagramShape toIgnored = tcpSegment("a");
    toIgnored.destination = "10.0.0.1";
    DatagramShape fromIgnored = tcpSegment("b");
    fromIgnored.source = "192.168.1.99";
    feed(toIgnored);
    feed(fromIgnored);
    feed(tcpSegment("c"));
    ASSERT_EQ(m_packets.size(), 1u);
    EXPECT_EQ(m_packets[0].payload, "c");
    EXPECT_EQ(m_monitor.receivedPackets(), 1);

    m_monitor.clearIgnoredAddresses();
    feed(toIgnored);
    EXPECT_EQ(m_packets.size(), 2u);
    EXPECT_EQ(m_monitor.receivedPackets(), 2);
}

// The ignored addresses are looked up by binary search: they must stay in ascending order of their
// unsigned values, each once, whatever order they are added in.
TEST(IgnoredAddresses, LookupFindsExactlyTheAddedValues) {
    PacketMonitor monitor;
    EXPECT_FALSE(monitor.isIgnored(10));
    for (std::uint32_t value : {10u, 20u, 20u, 30u})
        monitor.addIgnoredAddress(value);
    EXPECT_TRUE(monitor.isIgnored(10));
    EXPECT_TRUE(monitor.isIgnored(20));
    EXPECT_FALSE(monitor.isIgnored(25));
    EXPECT_FALSE(monitor.isIgnored(5));
    EXPECT_TRUE(monitor.isIgnored(30));
    EXPECT_FALSE(monitor.isIgnored(31));
    EXPECT_EQ(monitor.ignoredAddresses(), (std::vector<std::uint32_t>{10, 20, 30}));
}

TEST(IgnoredAddresses, KeptSortedOncePerValue) {
    PacketMonitor monitor;
    for (std::uint32_t value : {30u, 10u, 20u, 20u, 10u})
        monitor.addIgnoredAddress(value);
    EXPECT_EQ(monitor.ignoredAddresses(), (std::vector<std::uint32_t>{10, 20, 30}));
    monitor.clearIgnoredAddresses();
    EXPECT_TRUE(monitor.ignoredAddresses().empty());
    EXPECT_FALSE(monitor.isIgnored(10));
}

TEST(IgnoredAddresses, OrderIsThatOfUnsignedValues) {
    PacketMonitor monitor;
    for (std::uint32_t value : {0x80000000u, 7u, 0xFFFFFFFFu, 1u, 7u})
        monitor.addIgnoredAddress(value);
    EXPECT_EQ(monitor.ignoredAddresses(),
              (std::vector<std::uint32_t>{1, 7, 0x80000000u, 0xFFFFFFFFu}));
    EXPECT_TRUE(monitor.isIgnored(0x80000000u));
    EXPECT_TRUE(monitor.isIgnored(0xFFFFFFFFu));
    EXPECT_FALSE(monitor.isIgnored(0x7FFFFFFFu));
}

TEST_F(MonitorDecoding, WithoutHandlerPacketsAreStillCounted) {
    m_monitor.setPacketHandler(nullptr);
    feed(tcpSegment("counted"));
    feed(tcpSegment("counted"));
    EXPECT_EQ(m_monitor.receivedPackets(), 2);
    EXPECT_EQ(m_monitor.receivedBytes(), 2 * (14 + 40 + 7));
    EXPECT_TRUE(m_packets.empty());
}

TEST_F(MonitorDecoding, HandlerExceptionLeavesThePacketCountedAndLaterOnesDelivered) {
    int calls = 0;
    m_monitor.setPacketHandler([&](PacketMonitor&, PacketInfo info) {
        ++calls;
        if (info.payload == "bad")
            throw std::runtime_error("handler failed");
    });
    EXPECT_THROW(feed(tcpSegment("bad")), std::runtime_error);
    EXPECT_EQ(m_monitor.receivedPackets(), 1);
    EXPECT_NO_THROW(feed(tcpSegment("good")));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(m_monitor.receivedPackets(), 2);
}

TEST_F(MonitorDecoding, CaptureTimesFollowTheClock) {
    const auto before = std::chrono::system_clock::now();
    feed(tcpSegment("1"));
    feed(tcpSegment("2"));
    const auto after = std::chrono::system_clock::now();
    ASSERT_EQ(m_packets.size(), 2u);
    EXPECT_LE(m_packets[0].captured, m_packets[1].captured);
    // The clock is based at the first datagram after the start, so it sits within the calls.
    EXPECT_GE(m_packets[0].captured, before);
    EXPECT_LE(m_packets[1].captured, after + std::chrono::milliseconds(5));
}

} // namespace
} // namespace vantaro
