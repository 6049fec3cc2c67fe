// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/PortNames.h"

#include "capture/CaptureLogText.h"
#include "capture/Ipv4Text.h"

#include <array>
#include <fstream>
#include <iterator>
#include <system_error>

namespace vantaro {

namespace {

constexpr std::array<WellKnownService, 46> WellKnownServiceRows{{
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
    const std::int32_t port = textToIntLenient(trimBlanks(line.substr(blank, slash - blank)));
    if (port < 1 || port >= PortNameTableSize)
        return;
    table.names[static_cast<std::size_t>(port)] = std::string(line.substr(0, blank));
}

} // namespace

const std::span<const WellKnownService> WellKnownServices{WellKnownServiceRows};

void parsePortNames(std::string_view content, PortNameTable& table) {
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

void loadPortNames(PortNameTable& table, const std::filesystem::path& file) {
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
    parsePortNames(content, table);
}

void loadPortNames() {
    loadPortNames(ProcessPortNames, PortNamesFileName);
}

std::string serviceName(const PortNameTable& table, std::int32_t sourcePort,
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
    for (const WellKnownService& row : WellKnownServiceRows) {
        const auto port = static_cast<std::int64_t>(row.port);
        if (port == sourcePort || port == destinationPort)
            return row.name;
    }
    if (sourcePort < 1024)
        return "<" + std::to_string(sourcePort) + ">";
    return "<" + std::to_string(destinationPort) + ">";
}

std::string serviceName(std::int32_t sourcePort, std::int32_t destinationPort) {
    if (ProcessPortNames.size == -1)
        loadPortNames();
    return serviceName(ProcessPortNames, sourcePort, destinationPort);
}

} // namespace vantaro
