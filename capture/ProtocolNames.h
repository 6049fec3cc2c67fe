// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Naming tables of the traffic capture (IP and Ethernet protocols), TCP flag names and the
// header lengths the monitor reads.

#include <cstdint>
#include <span>
#include <string>

namespace vantaro {

struct EtherProtocol {
    std::uint32_t number;
    const char* name;
};
struct IpProtocol {
    std::uint32_t number;
    const char* name;
};

// The constant tables.
extern const std::span<const IpProtocol> IpProtocols;
extern const std::span<const EtherProtocol> EtherProtocols;

// The decimal text of an IP protocol number, or its name when the protocol table has one.
std::string ipProtocolName(std::int32_t protocol);

// The names of the flag bits of the low byte, from bit 0 to bit 7, joined by single blanks.
std::string tcpFlagNames(std::uint16_t flags);

// Header lengths in bytes, as the headers say, unchecked. Each reads one byte of the header:
// byte 0 of an IPv4 header, byte 12 of a TCP header.
int ipHeaderLength(const std::uint8_t* ipHeader);
int tcpHeaderLength(const std::uint8_t* tcpHeader);

} // namespace vantaro
