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
    static vantaro::TMonitorSocket* monitor = [] {
        auto* m = new vantaro::TMonitorSocket;
        m->setAddr("127.0.0.1");
        return m;
    }();
    const std::uint8_t settings = data[0];
    monitor->setIgnoreData(settings & 1);
    monitor->setIgnoreLAN(settings & 2);
    monitor->setAddrMask(settings & 4 ? "255.255.255.0" : "");
    monitor->ClearIgnoredAddrs();
    if (settings & 8)
        monitor->AddIgnoredAddr(0x0100007F);
    monitor->PrepareCapture();
    const bool withHandler = !(settings & 16);
    std::size_t reported = 0;
    const std::span<const std::uint8_t> datagram(data + 1, size - 1);
    if (withHandler) {
        monitor->setOnPacketEvent([&](vantaro::TMonitorSocket&, vantaro::TPacketInfo info) {
            ++reported;
            const std::size_t received = std::min<std::size_t>(datagram.size(), 2001);
            if (info.WireLength != static_cast<std::int32_t>(received) + 14)
                std::abort();
            if (!info.Payload.empty() &&
                (info.PayloadLen <= 0 ||
                 info.Payload.size() > static_cast<std::size_t>(info.PayloadLen) ||
                 info.Payload.size() > received))
                std::abort();
            if (monitor->IgnoreData() && !info.Payload.empty())
                std::abort();
            if (info.IpProto != 6 && info.IpProto != 17 && (info.SrcPort || info.DstPort))
                std::abort();
        });
    } else {
        monitor->setOnPacketEvent(nullptr);
    }
    monitor->ReadDatagram(datagram);
    const auto counted = monitor->TotRecvPackets() + monitor->TotSendPackets();
    if (datagram.empty() && counted != 0)
        std::abort();
    if (withHandler && reported != static_cast<std::size_t>(counted))
        std::abort();
    return 0;
}
