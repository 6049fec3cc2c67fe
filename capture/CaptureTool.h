// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The capture tool of the main window's hidden strip: it runs the raw monitor on one local
// address, reads the HTTP requests that pass it, and stops at the first request for a media
// file on the WAT web host, keeping the media link. The window is reached through
// CaptureToolHost, the monitor through CaptureMonitor, the sound through WaveVolume, so that the
// logic runs without widgets and, in tests, without a packet socket.

#include "capture/PacketMonitor.h"
#include "capture/WaveVolume.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vantaro {

// What the capture tool asks of its window.
class CaptureToolHost {
public:
    virtual ~CaptureToolHost() = default;
    // Adds one line to the capture log.
    virtual void appendLog(const std::string& line) = 0;
    // The start and stop control's caption.
    virtual void setCaptureCaption(const std::string& caption) = 0;
    // The address selected in the address list, nothing when none is selected.
    virtual std::optional<std::string> selectedAddress() = 0;
    // The embedded browser. Each raises an exception when the browser refuses.
    // flags 0 leaves every navigation option to the browser's defaults.
    virtual void navigateBrowser(const std::string& url, int flags) = 0;
    virtual void refreshBrowser() = 0;
    virtual void purgeBrowserCache() = 0;
    // The retry timer.
    virtual void setRetryTimerEnabled(bool enabled) = 0;
    virtual void setRetryTimerInterval(int milliseconds) = 0;
    // The main window's status line.
    virtual void setStatus(const std::string& text) = 0;
};

// The monitor as the tool drives it.
class CaptureMonitor {
public:
    using PacketHandler = std::function<void(const PacketInfo&)>;
    virtual ~CaptureMonitor() = default;
    virtual void setPacketHandler(PacketHandler handler) = 0;
    // Starts capturing on the address (dotted text); raises SocketError on failure.
    virtual void start(const std::string& address) = 0;
    // Stops; no packet is reported after it returns.
    virtual void stop() = 0;
};

// The raw monitor socket, with the capture's settings: mask 255.255.255.0, payloads kept,
// packets between neighbours kept, no ignored address.
class SocketCaptureMonitor final : public CaptureMonitor {
public:
    explicit SocketCaptureMonitor(QObject* owner = nullptr);
    void setPacketHandler(PacketHandler handler) override;
    void start(const std::string& address) override;
    void stop() override;
    PacketMonitor& socket() { return m_socket; }

private:
    PacketMonitor m_socket;
};

class CaptureTool {
public:
    // monitor null: the raw monitor socket, owned by the tool.
    CaptureTool(CaptureToolHost& host, WaveVolume& volume,
                std::unique_ptr<CaptureMonitor> monitor = nullptr);
    CaptureTool(const CaptureTool&) = delete;
    CaptureTool& operator=(const CaptureTool&) = delete;

    // Starts the capture when it is stopped, stops it when it runs.
    void toggleCapture();
    // One packet reported by the running monitor.
    void capturePacket(const PacketInfo& packet);
    // The retry timer's tick.
    void retryTick();
    // The connection speed chosen by its text sets the retry's base interval.
    void setConnectionSpeed(std::string_view text);
    // Sends the browser to the neutral page; a refusal shows the connection hint in the status.
    void showNeutralPage();

    // Sets the wave volume in both channels.
    void setWaveVolume(std::uint16_t level);
    // Puts back the volume saved by a capture start; nothing when no start could read it.
    void restoreWaveVolume();

    // With this set, every HTTP request seen is logged as a "**" line (off by default).
    void setLogEveryRequest(bool on) { m_logEveryRequest = on; }
    // The page the browser is sent to after a find (tests point it at a local server).
    void setNeutralPage(std::string url) { m_neutralPage = std::move(url); }

    bool captureRunning() const { return m_captureRunning; }
    const std::string& foundMediaLink() const { return m_foundMediaLink; }
    std::int32_t savedWaveVolume() const { return m_savedWaveVolume; }
    int captureAttempts() const { return m_captureAttempts; }
    int retryBaseInterval() const { return m_retryBaseInterval; }
    CaptureMonitor& monitor() { return *m_monitor; }

private:
    void startCapture();
    void stopCapture();
    void restoreAndLeave();

    CaptureToolHost& m_host;
    WaveVolume& m_volume;
    std::unique_ptr<CaptureMonitor> m_monitor;
    bool m_captureRunning = false;
    bool m_logEveryRequest = false;
    std::string m_foundMediaLink;
    std::string m_timeSeparator; // the user's, read once per capture start
    std::string m_neutralPage;
    std::int32_t m_savedWaveVolume = -1; // -1: nothing saved
    int m_captureAttempts = 0;
    int m_retryBaseInterval;
};

// Texts and rules of the tool, reachable for tests.
// The page the browser is sent to once a link is found or the retry ends.
inline constexpr const char* NeutralPage = "http://www.quorlin.com/";
// Network mask given to the monitor when the capture starts.
inline constexpr const char* CaptureAddrMask = "255.255.255.0";
// The retry timer of the capture (never enabled) and the base of its growing interval.
inline constexpr int CaptureRetryTimerMs = 7000;
inline constexpr int CaptureRetryBaseMs = 20000;
inline constexpr int CaptureRetryStepMs = 2000; // added to the interval per attempt
inline constexpr int CaptureRetryAttempts = 6;  // attempts after which the retry gives up
inline constexpr const char* CaptureStartCaption = "Start Capture";
inline constexpr const char* CaptureStopCaption = "Stop Capture";
inline constexpr const char* CaptureHeader = "Time         Prot Plen  Source IP:Port         "
                                             "Dest IP:Port         Service      Dlen Packet Data";
inline constexpr const char* CaptureStartFailure = "Failed to Start Monitor - ";
// The error of reading the selected item of a list with nothing selected.
inline constexpr const char* ListIndexErrorText = "List index out of bounds (-1)";
inline constexpr const char* ConnectionHint = "Assurez vous que la connexion Internet fonctionne "
                                              "et que votre firewall ne bloque pas Vantaro";
// The browser's navigation flag that forbids reading the page from its cache.
inline constexpr int NavNoReadFromCache = 4;

// The media link of a bracketed request text ("[GET /get/... HTTP/1.1 Host: ...]") addressed to
// the given web host, or nothing when it is not a media request of that host.
std::optional<std::string> mediaLinkOfRequest(std::string_view text, std::string_view webHost);

// The "**" line of one request: time, protocol, wire length, source and destination with their
// ports, service, payload length and the bracketed text, in the columns of CaptureHeader. The
// time's parts are joined by the given separator.
std::string packetLogLine(const PacketInfo& packet, const std::string& service,
                          const std::string& text, std::string_view timeSeparator);

} // namespace vantaro
