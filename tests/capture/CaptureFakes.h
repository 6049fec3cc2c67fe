// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Recording fakes of the capture tool's window, monitor and sound volume, and packet records
// of HTTP requests.

#include "capture/CaptureTool.h"
#include "capture/Ipv4Text.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantaro::testing {

class FakeCaptureHost : public CaptureToolHost {
public:
    std::vector<std::string> log;
    std::vector<std::string> navigations; // "url|flags"
    std::vector<std::string> statuses;
    std::string caption = CaptureStartCaption;
    std::optional<std::string> address = "127.0.0.1";
    bool timerEnabled = true;
    int timerInterval = 7000;
    int refreshes = 0;
    int purges = 0;
    bool browserFails = false;

    void appendLog(const std::string& line) override { log.push_back(line); }
    void setCaptureCaption(const std::string& text) override { caption = text; }
    std::optional<std::string> selectedAddress() override { return address; }
    void navigateBrowser(const std::string& url, int flags) override {
        navigations.push_back(url + "|" + std::to_string(flags));
        if (browserFails)
            throw std::runtime_error("navigation refused");
    }
    void refreshBrowser() override {
        ++refreshes;
        if (browserFails)
            throw std::runtime_error("refresh refused");
    }
    void purgeBrowserCache() override { ++purges; }
    void setRetryTimerEnabled(bool enabled) override { timerEnabled = enabled; }
    void setRetryTimerInterval(int milliseconds) override { timerInterval = milliseconds; }
    void setStatus(const std::string& text) override { statuses.push_back(text); }
};

// A monitor that records its starts and stops and can be told to refuse a start.
class FakeMonitor : public CaptureMonitor {
public:
    struct Record {
        std::vector<std::string> events;
        std::string refusal; // a start raises SocketError with this message when set
        PacketHandler handler;
    };
    explicit FakeMonitor(Record& record) : m_record(record) {}
    void setPacketHandler(PacketHandler handler) override { m_record.handler = std::move(handler); }
    void start(const std::string& address) override {
        if (!m_record.refusal.empty())
            throw SocketError(1, m_record.refusal);
        m_record.events.push_back("start " + address);
    }
    void stop() override { m_record.events.push_back("stop"); }

private:
    Record& m_record;
};

// A volume with a level that can be read or not, recording every level set.
class FakeVolume : public WaveVolume {
public:
    std::optional<std::uint16_t> current;
    std::vector<std::uint16_t> set;
    std::optional<std::uint16_t> level() override { return current; }
    void setLevel(std::uint16_t value) override {
        set.push_back(value);
        current = value;
    }
};

// A TCP packet record as the monitor reports it, from 192.168.1.20 to 192.168.1.10.
inline PacketInfo requestRecord(const std::string& payload, int destinationPort = 80,
                                int sourcePort = 51000) {
    PacketInfo info;
    info.linkProtocol = 0x0800;
    info.ipProtocol = 6;
    info.sourceAddress = textToAddress("192.168.1.20");
    info.destinationAddress = textToAddress("192.168.1.10");
    info.sourcePort = sourcePort;
    info.destinationPort = destinationPort;
    info.payload = payload;
    info.payloadLength = static_cast<std::int32_t>(payload.size());
    info.wireLength = 14 + 40 + info.payloadLength;
    return info;
}

// An HTTP request head with the given request line and Host header (none when empty).
inline std::string requestHead(const std::string& requestLine, const std::string& host,
                               const std::string& moreHeaders = {}) {
    std::string head = requestLine + "\r\n";
    if (!host.empty())
        head += "Host: " + host + "\r\n";
    head += "User-Agent: curl/8.5.0\r\nAccept: */*\r\n" + moreHeaders + "\r\n";
    return head;
}

} // namespace vantaro::testing
