// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Naming tables of the traffic capture (IP protocols, well-known services, Ethernet protocols),
// the port names of the optional "ports.txt", TCP flag names, header lengths and the text forms
// of IPv4 addresses.
//
// An IPv4 address value is 32 bits in network byte order: the first number of the dotted text is
// the byte that comes first in memory, as in the IPv4 header. 0 stands for no address.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantaro {

struct TEtherProto {
    std::uint32_t number;
    const char* name;
};
struct TIPProto {
    std::uint32_t number;
    const char* name;
};
struct TWellKnownSvc {
    std::uint32_t port;
    const char* name;
};

// The constant tables; the service table is in ascending port order.
extern const std::span<const TIPProto> IPProtoTable;
extern const std::span<const TWellKnownSvc> WellKnownSvcTable;
extern const std::span<const TEtherProto> EtherProtoTable;

// The decimal text of an IP protocol number, or its name when the protocol table has one.
std::string IpProtoName(std::int32_t protocol);

// Port names read from a services-style text. size is -1 before the first load attempt, 0 when
// there was no usable file (the names are then never consulted) and PortNameTableSize once read.
struct PortNameTable {
    int size = -1;
    std::vector<std::string> names;
};

// Reads the lines of a services-style text into a table (see LoadPortNames for the line rule).
// A text without lines leaves the table absent (size 0).
void ParsePortNames(std::string_view content, PortNameTable& table);

// Loads a table from a file: absent (size 0) when the file does not exist or cannot be read.
// A line names a port when it has at least 5 characters, does not start with "#", and its first
// blank comes at position 2 or later and not after its first "/": the name is the text before
// the blank, the port the text from the blank up to the "/" read leniently, from 1 to 9999.
// Tabs are not separators. A later line for the same port replaces the earlier name.
void LoadPortNames(PortNameTable& table, const std::filesystem::path& file);

// Loads the process-wide table from "ports.txt" in the current directory. ServiceName calls it
// once, at its first call; a file created or changed later is not read again.
void LoadPortNames();

// The service name of a pair of ports, never empty: the destination port's file name, else the
// source port's, else the built-in name of the lower port that has one, else "<" + the source
// port + ">" when that is below 1024, else "<" + the destination port + ">".
std::string ServiceName(std::int32_t sourcePort, std::int32_t destinationPort);
// The same rule against a given table instead of the process-wide one (which it never loads).
std::string ServiceName(const PortNameTable& table, std::int32_t sourcePort,
                        std::int32_t destinationPort);

// The names of the flag bits of the low byte, from bit 0 to bit 7, joined by single blanks.
std::string TcpFlagNames(std::uint16_t flags);

// Header lengths in bytes, as the headers say, unchecked. Each reads one byte of the header:
// byte 0 of an IPv4 header, byte 12 of a TCP header.
int IpHeaderLen(const std::uint8_t* ipHeader);
int TcpHeaderLen(const std::uint8_t* tcpHeader);

// "a.b.c.d" from the four bytes of the address in memory order.
std::string AddrToText(std::uint32_t address);
// The address of a dotted text, 0 when the text is not a valid address.
std::uint32_t TextToAddr(std::string_view text);
// True when the text is a valid dotted address; address receives it, or 0 when invalid.
bool ParseDottedAddr(std::string_view text, std::uint32_t& address);

// Reads a signed 32-bit integer and never fails: leading blanks, one optional sign, then decimal
// digits or, after "$", "x" or "0x", hexadecimal ones, as long as the value fits in 32 bits. When
// reading stops before the end of the text, the result is the value read so far without its sign.
std::int32_t TextToIntLenient(std::string_view text);

} // namespace vantaro
