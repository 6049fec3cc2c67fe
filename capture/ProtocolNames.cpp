// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/ProtocolNames.h"

#include "capture/CaptureLogText.h"

#include <array>

namespace vantaro {

namespace {

constexpr std::array<IpProtocol, 6> IpProtocolRows{{
    {0, "IP"},
    {1, "ICMP"},
    {2, "IGMP"},
    {6, "TCP"},
    {17, "UDP"},
    {128, "ISO-IP"},
}};

constexpr std::array<EtherProtocol, 14> EtherProtocolRows{{
    {0x0200, "PUP"},
    {0x0600, "XNS"},
    {0x0800, "IP"},
    {0x0806, "ARP"},
    {0x0835, "RARP"},
    {0x6007, "SCA"},
    {0x809B, "ATLK"},
    {0x80F3, "AARP"},
    {0x8137, "IPX"},
    {0x8138, "NOVL"},
    {0x814C, "SNMP"},
    {0x86DD, "IPV6"},
    {0x88AD, "XIMT"},
    {0x900D, "LOOP"},
}};

constexpr std::array<const char*, 8> TcpFlagBitNames{"FIN ", "SYN ", "RST ", "PSH ",
                                                     "ACK ", "URG ", "ECH ", "CWR "};

} // namespace

const std::span<const IpProtocol> IpProtocols{IpProtocolRows};
const std::span<const EtherProtocol> EtherProtocols{EtherProtocolRows};

std::string ipProtocolName(std::int32_t protocol) {
    for (const IpProtocol& row : IpProtocolRows) {
        if (static_cast<std::int64_t>(row.number) == protocol)
            return row.name;
    }
    return std::to_string(protocol);
}

std::string tcpFlagNames(std::uint16_t flags) {
    std::string text;
    for (unsigned bit = 0; bit < 8; ++bit) {
        if (flags & (1u << bit))
            text += TcpFlagBitNames[bit];
    }
    return trimBlanks(text);
}

int ipHeaderLength(const std::uint8_t* ipHeader) {
    return (ipHeader[0] & 0x0F) * 4;
}

int tcpHeaderLength(const std::uint8_t* tcpHeader) {
    return (tcpHeader[12] >> 4) * 4;
}

} // namespace vantaro
