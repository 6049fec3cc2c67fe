// SPDX-License-Identifier: GPL-3.0-or-later
// The capture tool on the user-interface thread while the loopback interface carries a steady
// flood of web requests: UDP datagrams to 127.0.0.1 port 80 whose payload is a GET of another
// host, so that every one passes the tool's web-request test and none is a find. Measured: the
// longest stall of the event loop (a 2 ms timer's longest late tick) and the lines held by the
// log, first as the product runs (no per-request line), then with a line for every request.
// Needs root (packet socket). Usage: bench_capture_tool [datagrams per second] [seconds]
#include "app/CaptureLog.h"
#include "capture/CaptureLogText.h"
#include "capture/CaptureTool.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int TickMs = 2;
constexpr double StallTargetMs = 50.0;

// The window's side: the log is a plain-text box that keeps its newest lines.
class BenchHost : public vantaro::CaptureToolHost {
public:
    QPlainTextEdit memo;
    vantaro::CaptureLogWriter writer{memo, vantaro::CaptureLogLineLimit};
    long lines = 0;
    void appendLog(const std::string& line) override {
        writer.append(line);
        ++lines;
    }
    void setCaptureCaption(const std::string&) override {}
    std::optional<std::string> selectedAddress() override { return "127.0.0.1"; }
    void navigateBrowser(const std::string&, int) override {}
    void refreshBrowser() override {}
    void purgeBrowserCache() override {}
    void setRetryTimerEnabled(bool) override {}
    void setRetryTimerInterval(int) override {}
    void setStatus(const std::string&) override {}
};

class NoVolume : public vantaro::WaveVolume {
public:
    std::optional<std::uint16_t> level() override { return std::nullopt; }
    void setLevel(std::uint16_t) override {}
};

void sendRequests(int rate, int seconds, std::atomic<long>& sent) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    target.sin_port = htons(80);
    const std::string payload = "GET /get/abc/video.mp4?ticket=1 HTTP/1.1\r\nHost: www.example.org"
                                "\r\nUser-Agent: bench\r\nAccept: */*\r\n\r\n";
    const auto start = std::chrono::steady_clock::now();
    long total = 0;
    for (int tick = 1; tick <= seconds * 1000; ++tick) {
        const long due = static_cast<long>(rate) * tick / 1000;
        for (; total < due; ++total) {
            if (sendto(fd, payload.data(), payload.size(), 0,
                       reinterpret_cast<const sockaddr*>(&target), sizeof target) > 0)
                sent.fetch_add(1);
        }
        std::this_thread::sleep_until(start + std::chrono::milliseconds(tick));
    }
    close(fd);
}

struct Phase {
    long sent = 0;
    long seen = 0;
    double longestStallMs = 0;
    long logLines = 0;  // lines handed to the log
    int heldLines = 0;  // lines the log holds at the end
    long heldChars = 0; // characters the log holds at the end
};

Phase runPhase(QApplication& app, bool logEveryRequest, int rate, int seconds) {
    BenchHost host;
    NoVolume volume;
    vantaro::CaptureTool tool(host, volume);
    tool.setLogEveryRequest(logEveryRequest);
    tool.toggleCapture();
    Phase phase;
    if (!tool.captureRunning()) {
        host.writer.flush();
        std::printf("skipped: %s; run as root\n", host.memo.toPlainText().toStdString().c_str());
        std::exit(0);
    }
    auto& socket = dynamic_cast<vantaro::SocketCaptureMonitor&>(tool.monitor()).socket();

    std::atomic<long> sent{0};
    std::atomic<bool> done{false};
    std::thread sender([&] {
        sendRequests(rate, seconds, sent);
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        const qint64 now = clock.nsecsElapsed();
        phase.longestStallMs =
            std::max(phase.longestStallMs, static_cast<double>(now - last) / 1e6 - TickMs);
        last = now;
        if (done && !tick.property("ending").toBool()) {
            tick.setProperty("ending", true);
            QTimer::singleShot(500, &app, &QApplication::quit);
        }
    });
    tick.start(TickMs);
    app.exec();
    sender.join();
    tool.toggleCapture();
    phase.sent = sent;
    host.writer.flush();
    // On the loopback interface the watched address is also the sender: datagrams count as sent.
    phase.seen = socket.receivedPackets() + socket.sentPackets();
    phase.logLines = host.lines;
    phase.heldLines = host.memo.blockCount();
    phase.heldChars = host.memo.document()->characterCount();
    return phase;
}

void result(const char* figure, double measured, double target, bool met) {
    std::printf("RESULT\t%s\t%.2f\t%.0f\t-\t%.3f\t%s\n", figure, measured, target,
                measured / target, met ? "yes" : "no");
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int rate = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 5;
    // Something must take the datagrams, or each would draw an ICMP refusal.
    const int sink = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(80);
    const bool bound = bind(sink, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;

    const Phase quiet = runPhase(app, false, rate, seconds);
    const Phase logged = runPhase(app, true, rate, seconds);
    close(sink);

    std::printf("capture tool, loopback web requests at %d datagrams/s for %d s%s\n", rate, seconds,
                bound ? "" : " (UDP port 80 taken: datagrams refused)");
    for (const auto& [name, p] : {std::pair{"as shipped (no per-request line)", quiet},
                                  std::pair{"a log line per request", logged}}) {
        std::printf("  %s\n", name);
        std::printf("    sent %ld; datagrams counted on lo (with other programs' traffic) %ld\n",
                    p.sent, p.seen);
        std::printf("    longest event-loop stall  %.2f ms (target < %.0f ms)\n", p.longestStallMs,
                    StallTargetMs);
        std::printf("    log: %ld lines written, %d held, %ld characters held (limit %d lines)\n",
                    p.logLines, p.heldLines, p.heldChars, vantaro::CaptureLogLineLimit);
    }
    result("stall_ms_as_shipped", quiet.longestStallMs, StallTargetMs,
           quiet.longestStallMs < StallTargetMs);
    result("stall_ms_line_per_request", logged.longestStallMs, StallTargetMs,
           logged.longestStallMs < StallTargetMs);
    result("log_lines_held", logged.heldLines, vantaro::CaptureLogLineLimit,
           logged.heldLines <= vantaro::CaptureLogLineLimit);
    // The share of the flood that reached the log while every request was logged: the rest was
    // dropped by the kernel or by the log's bound before it was written.
    std::printf("RESULT\trequests_logged_share\t%.3f\t-\t-\t-\t-\n",
                logged.sent ? static_cast<double>(logged.logLines) / logged.sent : 0.0);
    return 0;
}
