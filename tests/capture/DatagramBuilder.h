// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Builds IPv4 datagrams byte by byte for the monitor's decoding tests.

#include "capture/Ipv4Text.h"
#include "capture/ProtocolNames.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vantaro::testing {

struct DatagramShape {
    std::uint8_t protocol = 6;
    std::string source = "192.168.1.20";
    std::string destination = "192.168.1.10";
    int ipHeaderLength = 20;  // a multiple of 4, from 20 to 60
    int tcpHeaderLength = 20; // a multiple of 4, from 20 to 60
    std::uint16_t sourcePort = 0;
    std::uint16_t destinationPort = 0;
    std::uint8_t tcpFlags = 0;
    std::uint8_t icmpType = 0;
    std::string payload;  // after the TCP/UDP/ICMP header (after the IP header for others)
    int totalLength = -1; // the IPv4 total length field; -1 for the real length
};

inline void putBigEndian16(std::vector<std::uint8_t>& bytes, std::size_t at, unsigned value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(value);
}

// The bytes of a datagram as the network would carry it.
inline std::vector<std::uint8_t> buildDatagram(const DatagramShape& shape) {
    const auto h = static_cast<std::size_t>(shape.ipHeaderLength);
    std::size_t transport = 0;
    if (shape.protocol == 6)
        transport = static_cast<std::size_t>(shape.tcpHeaderLength);
    else if (shape.protocol == 17 || shape.protocol == 1)
        transport = 8;
    std::vector<std::uint8_t> bytes(h + transport + shape.payload.size(), 0);
    bytes[0] = static_cast<std::uint8_t>(0x40 | (shape.ipHeaderLength / 4));
    putBigEndian16(bytes, 2,
                   static_cast<unsigned>(shape.totalLength >= 0 ? shape.totalLength
                                                                : static_cast<int>(bytes.size())));
    bytes[8] = 64;
    bytes[9] = shape.protocol;
    const std::uint32_t source = textToAddress(shape.source);
    const std::uint32_t destination = textToAddress(shape.destination);
    std::memcpy(&bytes[12], &source, 4);
    std::memcpy(&bytes[16], &destination, 4);
    for (std::size_t i = 20; i < h; ++i)
        bytes[i] = 1; // IP options: no-operation
    if (shape.protocol == 6 || shape.protocol == 17) {
        putBigEndian16(bytes, h, shape.sourcePort);
        putBigEndian16(bytes, h + 2, shape.destinationPort);
    }
    if (shape.protocol == 6) {
        bytes[h + 12] = static_cast<std::uint8_t>((shape.tcpHeaderLength / 4) << 4);
        bytes[h + 13] = shape.tcpFlags;
    } else if (shape.protocol == 17) {
        putBigEndian16(bytes, h + 4, static_cast<unsigned>(8 + shape.payload.size()));
    } else if (shape.protocol == 1) {
        bytes[h] = shape.icmpType;
    }
    std::copy(shape.payload.begin(), shape.payload.end(),
              bytes.begin() + static_cast<long>(h + transport));
    return bytes;
}

} // namespace vantaro::testing
