// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureTool.h"

#include "capture/CaptureLogText.h"
#include "capture/Ipv4Text.h"
#include "capture/PortNames.h"
#include "capture/ProtocolNames.h"
#include "core/Constants.h"

#include <array>
#include <cstdio>
#include <stdexcept>

namespace vantaro {

namespace {

constexpr std::uint16_t LinkProtocolIpv4 = 0x0800;

// The connection speeds offered to the user and the retry's base interval each stands for.
struct ConnectionSpeed {
    const char* text;
    int baseMs;
};
constexpr std::array<ConnectionSpeed, 3> ConnectionSpeeds{{
    {"Connexion Rapide (quick connection)", 10000},
    {"Connexion Moyenne (medium connection)", 20000},
    {"Connexion Lente (low connection)", 30000},
}};

// Media extensions in the order they are looked for: a later one found overrides an earlier.
constexpr std::array<std::string_view, 3> MediaExtensions{".flv", ".mp4", ".mp3"};

std::string lowerAsciiLetters(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The host of a bracketed request: the word after the first "Host: ", or, without that header,
// the word from the request target on. The closing bracket is not part of it, and a word with
// no blank after it counts as no host at all.
std::string_view requestHost(std::string_view text) {
    const std::size_t header = text.find("Host: ");
    const std::size_t from = header == std::string_view::npos ? 5 : header + 6;
    if (text.empty() || from >= text.size() - 1)
        return {};
    const std::string_view rest = text.substr(from, text.size() - 1 - from);
    const std::size_t blank = rest.find(' ');
    return blank == std::string_view::npos ? std::string_view{} : rest.substr(0, blank);
}

} // namespace

std::optional<std::string> mediaLinkOfRequest(std::string_view text, std::string_view webHost) {
    const std::string_view host = requestHost(text);
    if (host != webHost || !startsWith(text, "[GET /get"))
        return std::nullopt;
    // The index just past the extension that wins.
    std::size_t end = 0;
    for (const std::string_view extension : MediaExtensions) {
        const std::size_t at = text.find(extension);
        if (at != std::string_view::npos)
            end = at + extension.size();
    }
    if (end == 0)
        return std::nullopt;
    // The path runs from the "/" after "[GET " to the extension's last character.
    return "http://" + std::string(host) + std::string(text.substr(5, end - 5));
}

std::string packetLogLine(const PacketInfo& packet, const std::string& service,
                          const std::string& text, std::string_view timeSeparator) {
    const std::string source =
        addressToText(packet.sourceAddress) + ":" + std::to_string(packet.sourcePort);
    const std::string destination =
        addressToText(packet.destinationAddress) + ":" + std::to_string(packet.destinationPort);
    char columns[256];
    std::snprintf(columns, sizeof columns, "%-12s %-4s %4d  %-20s > %-20s %-12s %4d ",
                  timeStampText(packet.captured, timeSeparator).c_str(),
                  ipProtocolName(packet.ipProtocol).c_str(), packet.wireLength, source.c_str(),
                  destination.c_str(), service.c_str(), packet.payloadLength);
    return "**" + std::string(columns) + text;
}

// ---------------------------------------------------------------------------------------------

SocketCaptureMonitor::SocketCaptureMonitor(QObject* owner) : m_socket(owner) {}

void SocketCaptureMonitor::setPacketHandler(PacketHandler handler) {
    m_socket.setPacketHandler(
        [handler = std::move(handler)](PacketMonitor&, PacketInfo info) { handler(info); });
}

void SocketCaptureMonitor::start(const std::string& address) {
    m_socket.setAddress(address);
    m_socket.setAddressMask(CaptureAddrMask);
    m_socket.setIgnoreData(false);
    m_socket.setIgnoreLan(false);
    m_socket.clearIgnoredAddresses();
    m_socket.startMonitoring();
}

void SocketCaptureMonitor::stop() {
    m_socket.stopMonitoring();
}

// ---------------------------------------------------------------------------------------------

CaptureTool::CaptureTool(CaptureToolHost& host, WaveVolume& volume,
                         std::unique_ptr<CaptureMonitor> monitor)
    : m_host(host), m_volume(volume), m_monitor(std::move(monitor)), m_neutralPage(NeutralPage),
      m_retryBaseInterval(CaptureRetryBaseMs) {
    if (!m_monitor)
        m_monitor = std::make_unique<SocketCaptureMonitor>();
    m_monitor->setPacketHandler([this](const PacketInfo& info) { capturePacket(info); });
}

void CaptureTool::toggleCapture() {
    if (m_captureRunning)
        stopCapture();
    else
        startCapture();
}

void CaptureTool::stopCapture() {
    m_captureRunning = false;
    m_monitor->stop();
    m_host.setCaptureCaption(CaptureStartCaption);
}

void CaptureTool::startCapture() {
    try {
        const std::optional<std::string> address = m_host.selectedAddress();
        if (!address)
            throw std::out_of_range(ListIndexErrorText);
        m_monitor->start(*address);
        m_timeSeparator = timeSeparator();
        // The volume as the capture found it, for the restore points to put back.
        if (const std::optional<std::uint16_t> level = m_volume.level())
            m_savedWaveVolume = *level;
        m_captureRunning = true;
        m_host.setCaptureCaption(CaptureStopCaption);
        m_host.appendLog("");
        m_host.appendLog(CaptureHeader);
        m_host.appendLog("");
    } catch (...) {
        // A socket message holds a line break: it makes two lines of the log.
        const std::string message = CaptureStartFailure + exceptionText(std::current_exception());
        const std::size_t lineBreak = message.find("\r\n");
        if (lineBreak == std::string::npos) {
            m_host.appendLog(message);
        } else {
            m_host.appendLog(message.substr(0, lineBreak));
            m_host.appendLog(message.substr(lineBreak + 2));
        }
    }
}

void CaptureTool::capturePacket(const PacketInfo& packet) {
    std::string text = "[" + packet.payload + "]";
    controlCharsToBlanks(text);
    const std::string service =
        lowerAsciiLetters(serviceName(packet.sourcePort, packet.destinationPort));
    if (packet.linkProtocol != LinkProtocolIpv4 || (service != "www-http" && service != "http") ||
        !startsWith(text, "[GET"))
        return;
    if (m_logEveryRequest)
        m_host.appendLog(packetLogLine(packet, service, text, m_timeSeparator));

    const std::optional<std::string> link = mediaLinkOfRequest(text, WatWebHost);
    if (!link)
        return;
    m_foundMediaLink = *link;
    m_host.appendLog("[" + *link + "]");
    try {
        m_host.navigateBrowser(m_neutralPage, NavNoReadFromCache);
    } catch (...) {
        // The link is found; where the browser goes afterwards does not matter.
    }
    restoreWaveVolume();
    m_host.setRetryTimerEnabled(false);
    if (m_captureRunning)
        stopCapture();
}

void CaptureTool::retryTick() {
    ++m_captureAttempts;
    const int interval = m_captureAttempts * CaptureRetryStepMs + m_retryBaseInterval;
    m_host.setRetryTimerInterval(interval);
    if (!m_foundMediaLink.empty() || m_captureAttempts > CaptureRetryAttempts) {
        restoreAndLeave();
        return;
    }
    try {
        m_host.purgeBrowserCache();
        m_host.refreshBrowser();
    } catch (...) {
        m_host.setStatus(ConnectionHint);
    }
    m_host.appendLog("Tentative de recherche numéro : " + std::to_string(m_captureAttempts) +
                     " Intervale actuel: " + std::to_string(interval));
}

// The end of the timed retry: the capture stops, the sound comes back, the timer ends and the
// browser leaves the page it was reloading.
void CaptureTool::restoreAndLeave() {
    if (m_captureRunning)
        stopCapture();
    restoreWaveVolume();
    m_host.setRetryTimerEnabled(false);
    try {
        m_host.navigateBrowser(m_neutralPage, NavNoReadFromCache);
    } catch (...) {
        m_host.setStatus(ConnectionHint);
    }
}

void CaptureTool::setConnectionSpeed(std::string_view text) {
    for (const ConnectionSpeed& speed : ConnectionSpeeds) {
        if (text == speed.text)
            m_retryBaseInterval = speed.baseMs;
    }
}

void CaptureTool::showNeutralPage() {
    try {
        m_host.navigateBrowser(m_neutralPage, 0);
    } catch (...) {
        m_host.setStatus(ConnectionHint);
    }
}

void CaptureTool::setWaveVolume(std::uint16_t level) {
    m_volume.setLevel(level);
}

void CaptureTool::restoreWaveVolume() {
    if (m_savedWaveVolume >= 0)
        setWaveVolume(static_cast<std::uint16_t>(m_savedWaveVolume));
}

} // namespace vantaro
