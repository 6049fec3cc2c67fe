// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/ProtocolNames.h"

#include "capture/CaptureLogText.h"
#include "core/Constants.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>

namespace vantaro {

namespace {

constexpr std::array<TIPProto, 6> IPProtos{{
    {0, "IP"},
    {1, "ICMP"},
    {2, "IGMP"},
    {6, "TCP"},
    {17, "UDP"},
    {128, "ISO-IP"},
}};

constexpr std::array<TWellKnownSvc, 46> WellKnownSvcs{{
    {0, "LOOPBACK"},       {1, "TCPMUX"},         {7, "ECHO"},           {9, "DISCARD"},
    {13, "DAYTIME"},       {17, "QOTD"},          {19, "CHARGEN"},       {20, "FTP_DATA"},
    {21, "FTP_CTL"},       {22, "SSH"},           {23, "TELNET"},        {25, "SMTP"},
    {37, "TIME"},          {42, "NAME"},          {43, "WHOIS"},         {53, "DNS"},
    {66, "SQL*NET"},       {67, "BOOTPS"},        {68, "BOOTPC"},        {69, "TFTP"},
    {70, "GOPHER"},        {79, "FINGER"},        {80, "HTTP"},          {88, "KERBEROS"},
    {92, "NPP"},           {93, "DCP"},           {109, "POP2"},         {110, "POP3"},
    {111, "SUNRPC"},       {119, "NNTP"},         {123, "NTP"},          {135, "LOCSVC"},
    {137, "NETBIOS-NAME"}, {138, "NETBIOS-DATA"}, {139, "NETBIOS-SESS"}, {161, "SNMP"},
    {162, "SNMPTRAP"},     {220, "IMAP3"},        {443, "HTTPS"},        {445, "MS-DS-SMB"},
    {514, "SYSLOG"},       {520, "ROUTER"},       {1433, "MSSQLSRV"},    {1434, "MSSQLMON"},
    {3306, "MYSQL"},       {5900, "VNC"},
}};

constexpr std::array<TEtherProto, 14> EtherProtos{{
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

PortNameTable ProcessPortNames;

// Splits a text into lines ended by a carriage return, a line feed or the pair; a final line
// without an ending counts, an ending at the very end adds no empty line.
std::vector<std::string_view> splitLines(std::string_view content) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < content.size()) {
        const char c = content[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(content.substr(start, i - start));
            ++i;
            if (c == '\r' && i < content.size() && content[i] == '\n')
                ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < content.size())
        lines.push_back(content.substr(start));
    return lines;
}

void readPortLine(std::string_view line, PortNameTable& table) {
    if (line.size() < 5 || line.front() == '#')
        return;
    const std::size_t blank = line.find(' ');
    const std::size_t slash = line.find('/');
    // Zero-based here: the blank must not be the first character, and the "/" must exist and
    // not come before the blank.
    if (blank == std::string_view::npos || blank < 1 || slash == std::string_view::npos ||
        slash < blank)
        return;
    const std::int32_t port = TextToIntLenient(TrimBlanks(line.substr(blank, slash - blank)));
    if (port < 1 || port >= PortNameTableSize)
        return;
    table.names[static_cast<std::size_t>(port)] = std::string(line.substr(0, blank));
}

bool isHexDigit(char c, unsigned& digit) {
    if (c >= '0' && c <= '9')
        digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f')
        digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
        digit = static_cast<unsigned>(c - 'A' + 10);
    else
        return false;
    return true;
}

} // namespace

const std::span<const TIPProto> IPProtoTable{IPProtos};
const std::span<const TWellKnownSvc> WellKnownSvcTable{WellKnownSvcs};
const std::span<const TEtherProto> EtherProtoTable{EtherProtos};

std::string IpProtoName(std::int32_t protocol) {
    for (const TIPProto& row : IPProtos) {
        if (static_cast<std::int64_t>(row.number) == protocol)
            return row.name;
    }
    return std::to_string(protocol);
}

void ParsePortNames(std::string_view content, PortNameTable& table) {
    table.size = PortNameTableSize;
    table.names.assign(static_cast<std::size_t>(PortNameTableSize), std::string());
    const std::vector<std::string_view> lines = splitLines(content);
    if (lines.empty()) {
        table.size = 0;
        table.names.clear();
        return;
    }
    for (std::string_view line : lines)
        readPortLine(line, table);
}

void LoadPortNames(PortNameTable& table, const std::filesystem::path& file) {
    table.size = 0;
    table.names.clear();
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return;
    std::string content;
    try {
        std::ifstream in(file, std::ios::binary);
        if (!in)
            return;
        content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad())
            content.clear();
    } catch (const std::exception&) {
        content.clear();
    }
    ParsePortNames(content, table);
}

void LoadPortNames() {
    LoadPortNames(ProcessPortNames, PortNamesFileName);
}

std::string ServiceName(const PortNameTable& table, std::int32_t sourcePort,
                        std::int32_t destinationPort) {
    std::string name;
    if (table.size > 0) {
        if (destinationPort > 0 && destinationPort < table.size)
            name = table.names[static_cast<std::size_t>(destinationPort)];
        if (name.empty() && sourcePort > 0 && sourcePort < table.size)
            name = table.names[static_cast<std::size_t>(sourcePort)];
    }
    if (!name.empty())
        return name;
    for (const TWellKnownSvc& row : WellKnownSvcs) {
        const auto port = static_cast<std::int64_t>(row.port);
        if (port == sourcePort || port == destinationPort)
            return row.name;
    }
    if (sourcePort < 1024)
        return "<" + std::to_string(sourcePort) + ">";
    return "<" + std::to_string(destinationPort) + ">";
}

std::string ServiceName(std::int32_t sourcePort, std::int32_t destinationPort) {
    if (ProcessPortNames.size == -1)
        LoadPortNames();
    return ServiceName(ProcessPortNames, sourcePort, destinationPort);
}

std::string TcpFlagNames(std::uint16_t flags) {
    std::string text;
    for (unsigned bit = 0; bit < 8; ++bit) {
        if (flags & (1u << bit))
            text += TcpFlagBitNames[bit];
    }
    return TrimBlanks(text);
}

int IpHeaderLen(const std::uint8_t* ipHeader) {
    return (ipHeader[0] & 0x0F) * 4;
}

int TcpHeaderLen(const std::uint8_t* tcpHeader) {
    return (tcpHeader[12] >> 4) * 4;
}

std::string AddrToText(std::uint32_t address) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &address, sizeof bytes);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

std::uint32_t TextToAddr(std::string_view text) {
    std::uint32_t address = 0;
    ParseDottedAddr(text, address);
    return address;
}

bool ParseDottedAddr(std::string_view text, std::uint32_t& address) {
    address = 0;
    if (text.size() < 7)
        return false;
    std::uint8_t octets[4] = {0, 0, 0, 0};
    bool anyAboveZero = false;
    std::size_t position = 0;
    for (int part = 0; part < 4; ++part) {
        std::string_view partText;
        if (part < 3) {
            const std::size_t dot = text.find('.', position);
            if (dot == std::string_view::npos)
                return false;
            partText = text.substr(position, dot - position);
            position = dot + 1;
        } else {
            partText = text.substr(position);
        }
        const std::int32_t value = partText.empty() ? 0 : TextToIntLenient(partText);
        if (value > 255)
            return false;
        if (value > 0)
            anyAboveZero = true;
        octets[part] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) & 0xFF);
    }
    if (octets[0] == 0 && anyAboveZero)
        return false;
    std::memcpy(&address, octets, sizeof address);
    return true;
}

std::int32_t TextToIntLenient(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    // Decimal values keep within the signed range (one more for a negative number); hexadecimal
    // ones may use all 32 bits.
    const std::uint64_t limit =
        hex ? 0xFFFFFFFFull
            : static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) +
                  (negative ? 1u : 0u);
    const unsigned base = hex ? 16 : 10;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        unsigned digit = 0;
        if (!isHexDigit(text[i], digit) || digit >= base)
            break;
        const std::uint64_t next = value * base + digit;
        if (next > limit)
            break;
        value = next;
    }
    const auto magnitude = static_cast<std::uint32_t>(value);
    if (i < text.size()) {
        // Reading stopped early: the digits read so far, without their sign.
        return static_cast<std::int32_t>(magnitude);
    }
    return static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
}

} // namespace vantaro
