// SPDX-License-Identifier: GPL-3.0-or-later
// Downloads the media of one page with the yt-dlp source and prints the bytes, the time taken
// and the peak resident memory of this process (yt-dlp's own is not ours). With "stop", asks
// for a stop once the first megabyte has come and prints how long it took until no process
// holding the link was left. Driven by bench/ytdlp.sh.
// Usage: bench_ytdlp PAGE_LINK FILE [stop]

#include "engine/sources/YtDlpSource.h"

#include "support/MediaClips.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// The window's side, doing nothing but keeping the bar's figures; it may ask for the stop.
class NullHost : public vantaro::WorkerHost {
public:
    bool showMessage(vantaro::MessageKind, const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return true;
    }
    void setStatus(const std::string&) override {}
    void setProgressMax(std::int64_t maximum) override { max = maximum; }
    void setProgressPosition(std::int64_t value) override {
        position = value;
        if (stopAfter > 0 && value >= stopAfter && !stop.load()) {
            stoppedAt = Clock::now();
            stop = true;
        }
    }
    std::int64_t progressPosition() override { return position; }
    std::int64_t progressMax() override { return max; }
    void appendLog(const std::string&) override {}
    int listSize() override { return 0; }
    vantaro::ListRowTexts readListRow(int) override { return {}; }
    void deleteFirstListRow() override {}
    void restoreMainWindow() override {}

    std::atomic<bool> stop{false};
    std::int64_t max = 0;
    std::int64_t position = 0;
    std::int64_t stopAfter = 0;
    Clock::time_point stoppedAt{};
};

bool anyProcessMentioning(const std::string& text) {
    for (const int pid : vantaro::testing::processesMentioning(text))
        if (pid != ::getpid() && vantaro::testing::processAlive(pid))
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s PAGE_LINK FILE [stop]\n", argv[0]);
        return 2;
    }
    QCoreApplication application(argc, argv);
    NullHost host;
    const bool stop = argc == 4 && std::string(argv[3]) == "stop";
    if (stop)
        host.stopAfter = 1024 * 1024;
    const auto start = Clock::now();
    try {
        // The yt-dlp the program would run, with the arguments its version calls for.
        const vantaro::YtDlpEngine engine =
            vantaro::probeYtDlp(vantaro::chosenYtDlpProgram({}), host.stop);
        vantaro::fetchWithYtDlp(engine.program, argv[1], argv[2], "AVI", host, host.stop,
                                engine.versionArguments);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "failed: %s\n", error.what());
        return 1;
    }
    if (stop) {
        // Counted from the stop request to the moment no process holds the link any more.
        while (anyProcessMentioning(argv[1]))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const std::chrono::duration<double, std::milli> gone = Clock::now() - host.stoppedAt;
        std::printf("stop_to_gone_ms=%.1f\n", gone.count());
        return host.stop.load() ? 0 : 1;
    }
    const std::chrono::duration<double> elapsed = Clock::now() - start;
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto bytes = std::filesystem::file_size(argv[2]);
    std::printf("bytes=%llu seconds=%.3f peak_rss_kib=%ld\n",
                static_cast<unsigned long long>(bytes), elapsed.count(), usage.ru_maxrss);
    return static_cast<std::int64_t>(bytes) == host.position ? 0 : 1;
}
