// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a received datagram: decoding must stay within the datagram and keep the
// payload consistent with its reported length. The first byte picks the monitor's settings.
#include "capture/PacketMonitor.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static vantaro::PacketMonitor* monitor = [] {
        auto* m = new vantaro::PacketMonitor;
        m->setAddress("127.0.0.1");
        return m;
    }();
    const std::uint8_t settings = data[0];
    monitor->setIgnoreData(settings & 1);
    monitor->setIgnoreLan(settings & 2);
    monitor->setAddressMask(settings & 4 ? "255.255.255.0" : "");
    monitor->clearIgnoredAddresses();
    if (settings & 8)
        monitor->addIgnoredAddress(0x0100007F);
    monitor->prepareCapture();
    const bool withHandler = !(settings & 16);
    std::size_t reported = 0;
    const std::span<const std::uint8_t> datagram(data + 1, size - 1);
    if (withHandler) {
        monitor->setPacketHandler([&](vantaro::PacketMonitor&, vantaro::PacketInfo info) {
            ++reported;
            const std::size_t received = std::min<std::size_t>(datagram.size(), 2001);
            if (info.wireLength != static_cast<std::int32_t>(received) + 14)
                std::abort();
            if (!info.payload.empty() &&
                (info.payloadLength <= 0 ||
                 info.payload.size() > static_cast<std::size_t>(info.payloadLength) ||
                 info.payload.size() > received))
                std::abort();
            if (monitor->ignoreData() && !info.payload.empty())
                std::abort();
            if (info.ipProtocol != 6 && info.ipProtocol != 17 &&
                (info.sourcePort || info.destinationPort))
                std::abort();
        });
    } else {
        monitor->setPacketHandler(nullptr);
    }
    monitor->readDatagram(datagram);
    const auto counted = monitor->receivedPackets() + monitor->sentPackets();
    if (datagram.empty() && counted != 0)
        std::abort();
    if (withHandler && reported != static_cast<std::size_t>(counted))
        std::abort();
    return 0;
}
