// SPDX-License-Identifier: GPL-3.0-or-later
// Naming tables, port names from a services-style file, flag names and address text.
#include "capture/ProtocolNames.h"

#include "capture/Ipv4Text.h"
#include "capture/PortNames.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace vantaro {
namespace {

namespace fs = std::filesystem;

// A fresh temporary folder made the current directory for the test, restored afterwards.
class InTempFolder : public ::testing::Test {
protected:
    static void write(const fs::path& file, const std::string& content) {
        std::ofstream out(file, std::ios::binary);
        out << content;
    }
    testing::OwnFolder m_own{"vantaro-ports"};
    fs::path m_folder{m_own.path()};
};

PortNameTable parsed(const std::string& content) {
    PortNameTable table;
    parsePortNames(content, table);
    return table;
}

TEST(NamingTables, HoldTheirRowsInOrder) {
    EXPECT_EQ(IpProtocols.size(), 6u);
    ASSERT_EQ(WellKnownServices.size(), 46u);
    EXPECT_TRUE(std::is_sorted(WellKnownServices.begin(), WellKnownServices.end(),
                               [](auto& a, auto& b) { return a.port < b.port; }));
    EXPECT_STREQ(WellKnownServices.front().name, "LOOPBACK");
    EXPECT_STREQ(WellKnownServices[16].name, "SQL*NET");
    EXPECT_STREQ(WellKnownServices.back().name, "VNC");
    ASSERT_EQ(EtherProtocols.size(), 14u);
    EXPECT_EQ(EtherProtocols[2].number, 0x0800u);
    EXPECT_STREQ(EtherProtocols[2].name, "IP");
    EXPECT_EQ(EtherProtocols.back().number, 0x900Du);
}

TEST(NamingTables, IpProtocolNameNamesKnownProtocolsAndNumbersTheRest) {
    EXPECT_EQ(ipProtocolName(0), "IP");
    EXPECT_EQ(ipProtocolName(1), "ICMP");
    EXPECT_EQ(ipProtocolName(6), "TCP");
    EXPECT_EQ(ipProtocolName(17), "UDP");
    EXPECT_EQ(ipProtocolName(128), "ISO-IP");
    EXPECT_EQ(ipProtocolName(50), "50");
    EXPECT_EQ(ipProtocolName(-3), "-3");
}

TEST(ServiceNames, WithoutFileUseBuiltInNamesThenPortNumbers) {
    PortNameTable absent;
    absent.size = 0;
    EXPECT_EQ(serviceName(absent, 50000, 80), "HTTP");
    EXPECT_EQ(serviceName(absent, 443, 80), "HTTP");
    EXPECT_EQ(serviceName(absent, 80, 443), "HTTP");
    EXPECT_EQ(serviceName(absent, 0, 0), "LOOPBACK");
    EXPECT_EQ(serviceName(absent, 700, 40000), "<700>");
    EXPECT_EQ(serviceName(absent, 40000, 2000), "<2000>");
    EXPECT_EQ(serviceName(absent, 40000, 700), "<700>");
    EXPECT_EQ(serviceName(absent, 5900, 60000), "VNC");
}

TEST(ServiceNames, FileNamesWinDestinationFirst) {
    const PortNameTable table = parsed("www-http 80/tcp # World Wide Web\nfoo 5000/udp\n");
    EXPECT_EQ(serviceName(table, 5000, 80), "www-http");
    EXPECT_EQ(serviceName(table, 80, 9000), "www-http");
    EXPECT_EQ(serviceName(table, 80, 5000), "foo");
    EXPECT_EQ(serviceName(table, 443, 5000), "foo");
    // Without a file name the built-in table still answers.
    EXPECT_EQ(serviceName(table, 443, 40000), "HTTPS");
    EXPECT_EQ(serviceName(table, 40000, 9000), "<9000>");
}

TEST(PortNamesFile, LineRuleKeepsOnlyNameBlankPortSlashLines) {
    const PortNameTable table = parsed("#comment 81/tcp\n"
                                       "a 8/\n"           // shorter than 5 characters
                                       " lead 82/tcp\n"   // blank in first place
                                       "tabbed\t83/tcp\n" // no blank before the "/"
                                       "zero 0/tcp\n"
                                       "big 10000/tcp\n"
                                       "noslash 84\n"
                                       "slashfirst/x 85\n"
                                       "junk 80abc/tcp\n"
                                       "named\tthen 86/tcp\n"
                                       "last 9999/tcp\n"
                                       "hexa $57/tcp\n");
    ASSERT_EQ(table.size, 10000);
    for (int port : {8, 81, 82, 83, 84, 85, 0})
        EXPECT_EQ(table.names[port], "") << port;
    EXPECT_EQ(table.names[80], "junk");
    EXPECT_EQ(table.names[86], "named\tthen");
    EXPECT_EQ(table.names[9999], "last");
    EXPECT_EQ(table.names[87], "hexa");
    EXPECT_EQ(std::count_if(table.names.begin(), table.names.end(),
                            [](const std::string& n) { return !n.empty(); }),
              4);
}

TEST(PortNamesFile, LaterLinesReplaceAndAllLineEndsCount) {
    const PortNameTable table = parsed("first 80/tcp\r\nsecond 80/tcp\rthird 81/tcp\nfourth 82/x");
    EXPECT_EQ(table.names[80], "second");
    EXPECT_EQ(table.names[81], "third");
    EXPECT_EQ(table.names[82], "fourth");
}

TEST(PortNamesFile, NoLinesMeansNoTable) {
    EXPECT_EQ(parsed("").size, 0);
    EXPECT_EQ(parsed("\n").size, 10000);
}

TEST_F(InTempFolder, LoadPortNamesFromMissingEmptyOrUnreadableFileGivesNoTable) {
    PortNameTable table;
    loadPortNames(table, "ports.txt");
    EXPECT_EQ(table.size, 0);
    write("ports.txt", "");
    loadPortNames(table, "ports.txt");
    EXPECT_EQ(table.size, 0);
    fs::remove("ports.txt");
    fs::create_directory("ports.txt");
    loadPortNames(table, "ports.txt");
    EXPECT_EQ(table.size, 0);
    EXPECT_EQ(serviceName(table, 50000, 80), "HTTP");
}

// The system's own services file, which separates names and ports by tabs: only its lines with a
// blank before the "/" give names, so port 80 keeps the built-in name, "http" once lower-cased.
TEST_F(InTempFolder, SystemServicesFileAsPortsFile) {
    if (!fs::exists("/etc/services"))
        GTEST_SKIP() << "/etc/services is not installed (package netbase)";
    fs::copy_file("/etc/services", "ports.txt");
    PortNameTable table;
    loadPortNames(table, "ports.txt");
    ASSERT_EQ(table.size, 10000);
    std::string service = serviceName(table, 50000, 80);
    EXPECT_EQ(service, "HTTP");
    std::transform(service.begin(), service.end(), service.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_EQ(service, "http");
    EXPECT_EQ(serviceName(table, 50000, 22), "SSH");

    std::ifstream in("ports.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("afs3-fileserver 7000/", 0) == 0) {
            EXPECT_EQ(serviceName(table, 50000, 7000), "afs3-fileserver");
        }
        if (line.rfind("http\t", 0) == 0) {
            EXPECT_EQ(table.names[80], "");
        }
    }
}

TEST(TcpFlags, NamesTheLowByteBitsInOrder) {
    EXPECT_EQ(tcpFlagNames(0x12), "SYN ACK");
    EXPECT_EQ(tcpFlagNames(0x18), "PSH ACK");
    EXPECT_EQ(tcpFlagNames(0x50C2), "SYN ECH CWR");
    EXPECT_EQ(tcpFlagNames(0x0000), "");
    EXPECT_EQ(tcpFlagNames(0xFF00), "");
    EXPECT_EQ(tcpFlagNames(0x00FF), "FIN SYN RST PSH ACK URG ECH CWR");
}

TEST(HeaderLengths, ReadTheLengthNibbles) {
    const std::uint8_t ip[20] = {0x45};
    const std::uint8_t ipOptions[20] = {0x4F};
    EXPECT_EQ(ipHeaderLength(ip), 20);
    EXPECT_EQ(ipHeaderLength(ipOptions), 60);
    std::uint8_t tcp[20] = {};
    tcp[12] = 0x50;
    EXPECT_EQ(tcpHeaderLength(tcp), 20);
    tcp[12] = 0xA2;
    EXPECT_EQ(tcpHeaderLength(tcp), 40);
}

TEST(AddressText, RoundTripsAndKeepsNetworkOrder) {
    const std::uint32_t address = textToAddress("192.168.1.10");
    EXPECT_EQ(addressToText(address), "192.168.1.10");
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&address);
    EXPECT_EQ(bytes[0], 192);
    EXPECT_EQ(bytes[3], 10);
    const std::uint32_t mask = textToAddress("255.255.255.0");
    const auto* maskBytes = reinterpret_cast<const std::uint8_t*>(&mask);
    EXPECT_EQ(maskBytes[0], 255);
    EXPECT_EQ(maskBytes[2], 255);
    EXPECT_EQ(maskBytes[3], 0);
    EXPECT_EQ(textToAddress("256.1.1.1"), 0u);
    EXPECT_EQ(textToAddress(""), 0u);
    EXPECT_EQ(addressToText(0), "0.0.0.0");
    EXPECT_EQ(addressToText(0xFFFFFFFFu), "255.255.255.255");
}

TEST(AddressText, ParseDottedAddressExamples) {
    struct Case {
        const char* text;
        bool valid;
        const char* value;
    };
    const Case cases[] = {
        {"0.0.0.0", true, "0.0.0.0"},
        {"0.1.2.3", false, "0.0.0.0"},
        {"1..2.33", true, "1.0.2.33"},
        {"1.2.3.4.5", true, "1.2.3.4"},
        {"1.2.3", false, "0.0.0.0"},
        {"1.2.345678", false, "0.0.0.0"},
        {" 1.2.3.4", true, "1.2.3.4"},
        {"256.1.1.1", false, "0.0.0.0"},
        {"1.2.3.256", false, "0.0.0.0"},
        {"1.2.3.4x", true, "1.2.3.4"},
        {"$A.0x0B.12.13", true, "10.11.12.13"},
        {"", false, "0.0.0.0"},
    };
    for (const Case& c : cases) {
        std::uint32_t address = 0xDEADBEEF;
        EXPECT_EQ(parseDottedAddress(c.text, address), c.valid) << c.text;
        EXPECT_EQ(addressToText(address), c.value) << c.text;
    }
}

TEST(LenientIntegers, ReadSignBaseAndStopEarly) {
    EXPECT_EQ(textToIntLenient("80"), 80);
    EXPECT_EQ(textToIntLenient(" 80"), 80);
    EXPECT_EQ(textToIntLenient("80/tcp"), 80);
    EXPECT_EQ(textToIntLenient("$1F"), 31);
    EXPECT_EQ(textToIntLenient("x1f"), 31);
    EXPECT_EQ(textToIntLenient("0X1F"), 31);
    EXPECT_EQ(textToIntLenient("abc"), 0);
    EXPECT_EQ(textToIntLenient("-5"), -5);
    EXPECT_EQ(textToIntLenient("+7"), 7);
    EXPECT_EQ(textToIntLenient(""), 0);
    EXPECT_EQ(textToIntLenient("-"), 0);
    // Stopped early: the digits read so far, without their sign.
    EXPECT_EQ(textToIntLenient("-5abc"), 5);
    EXPECT_EQ(textToIntLenient("-5 "), 5);
    EXPECT_EQ(textToIntLenient("\t5"), 0);
    // Limits of 32 bits.
    EXPECT_EQ(textToIntLenient("2147483647"), 2147483647);
    EXPECT_EQ(textToIntLenient("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(textToIntLenient("2147483648"), 214748364);
    EXPECT_EQ(textToIntLenient("99999999999"), 999999999);
    EXPECT_EQ(textToIntLenient("$FFFFFFFF"), -1);
    EXPECT_EQ(textToIntLenient("$123456789"), 0x12345678);
}

} // namespace
} // namespace vantaro
