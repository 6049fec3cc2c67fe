// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding rate of the raw monitor: datagrams per second through the same path a received
// datagram takes (filters, totals, decoding, payload copy, packet handler).
// With "--pcap FILE COUNT" it writes COUNT datagrams of the mix as a capture file instead, so that
// bench/monitor.sh can time tcpdump reading and filtering the same datagrams.
#include "capture/Ipv4Text.h"
#include "capture/PacketMonitor.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using vantaro::textToAddress;

std::vector<std::uint8_t> datagram(std::uint8_t protocol, int tcpHeader, std::size_t payload) {
    const std::size_t transport = protocol == 6 ? static_cast<std::size_t>(tcpHeader) : 8;
    std::vector<std::uint8_t> bytes(20 + transport + payload, 'p');
    bytes[0] = 0x45;
    bytes[2] = static_cast<std::uint8_t>(bytes.size() >> 8);
    bytes[3] = static_cast<std::uint8_t>(bytes.size());
    bytes[9] = protocol;
    const std::uint32_t source = textToAddress("192.168.1.20");
    const std::uint32_t destination = textToAddress("192.168.1.10");
    std::memcpy(&bytes[12], &source, 4);
    std::memcpy(&bytes[16], &destination, 4);
    bytes[20] = 0x1F;
    bytes[21] = 0x90;
    bytes[22] = 0xC7;
    bytes[23] = 0x38;
    if (protocol == 6) {
        bytes[32] = static_cast<std::uint8_t>((tcpHeader / 4) << 4);
        bytes[33] = 0x18;
    }
    return bytes;
}

struct Result {
    double perSecond;
    std::uint64_t payloadBytes;
};

Result measure(const std::vector<std::vector<std::uint8_t>>& mix, bool handler, bool ignoreData) {
    vantaro::PacketMonitor monitor;
    monitor.setAddress("192.168.1.10");
    monitor.setIgnoreData(ignoreData);
    monitor.prepareCapture();
    std::uint64_t payloadBytes = 0;
    if (handler) {
        monitor.setPacketHandler([&](vantaro::PacketMonitor&, vantaro::PacketInfo info) {
            payloadBytes += info.payload.size() + static_cast<std::uint64_t>(info.destinationPort);
        });
    }
    const std::size_t count = 4'000'000;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < count; ++i)
        monitor.readDatagram(mix[i % mix.size()]);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (monitor.receivedPackets() != static_cast<std::int32_t>(count))
        std::fprintf(stderr, "counted %d of %zu datagrams\n", monitor.receivedPackets(), count);
    return {static_cast<double>(count) / elapsed.count(), payloadBytes};
}

std::vector<std::vector<std::uint8_t>> allSizesMix() {
    return {datagram(6, 20, 20), datagram(6, 32, 0), datagram(17, 0, 72), datagram(6, 32, 1448)};
}

// A capture file of raw IPv4 datagrams (link type 101), little-endian, microsecond stamps.
bool writeCaptureFile(const char* path, std::size_t count) {
    std::ofstream out(path, std::ios::binary);
    const auto put32 = [&](std::uint32_t value) {
        out.write(reinterpret_cast<const char*>(&value), 4);
    };
    put32(0xa1b2c3d4);
    put32(2 | (4u << 16)); // version 2.4
    put32(0);
    put32(0);
    put32(65535);
    put32(101);
    const auto mix = allSizesMix();
    for (std::size_t i = 0; i < count; ++i) {
        const auto& bytes = mix[i % mix.size()];
        put32(static_cast<std::uint32_t>(i / 1000000));
        put32(static_cast<std::uint32_t>(i % 1000000));
        put32(static_cast<std::uint32_t>(bytes.size()));
        put32(static_cast<std::uint32_t>(bytes.size()));
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    return static_cast<bool>(out);
}

double report(const char* name, const std::vector<std::vector<std::uint8_t>>& mix) {
    const Result full = measure(mix, true, false);
    const Result lengthsOnly = measure(mix, true, true);
    const Result counting = measure(mix, false, false);
    std::printf("%-34s handler+payload %6.2f M/s   handler, ignoreData %6.2f M/s   "
                "no handler %6.2f M/s\n",
                name, full.perSecond / 1e6, lengthsOnly.perSecond / 1e6, counting.perSecond / 1e6);
    return full.perSecond;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--pcap") == 0)
        return writeCaptureFile(argv[2], std::strtoul(argv[3], nullptr, 10)) ? 0 : 1;
    std::printf("monitor decoding rate, datagrams per second (target: 2 M/s with a handler and "
                "ignoreData false)\n");
    report("TCP 60 bytes (20-byte payload)", {datagram(6, 20, 20)});
    report("TCP ACK 52 bytes (no payload)", {datagram(6, 32, 0)});
    report("UDP 100 bytes", {datagram(17, 0, 72)});
    report("TCP 1500 bytes", {datagram(6, 32, 1448)});
    const double mixRate = report("mix (60, 52, 100, 1500 bytes)", allSizesMix());
    // Read by bench/monitor.sh, which sets it beside tcpdump on the same mix.
    std::printf("mix_handler_payload_per_second=%.0f\n", mixRate);
    return 0;
}
