// SPDX-License-Identifier: GPL-3.0-or-later
// Fetches one link into one file with FetchToFile and prints the bytes, the time taken and the
// peak resident memory of this process. Driven by bench/fetch.sh.
// Usage: bench_fetch LINK FILE

#include "engine/Fetch.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include <sys/resource.h>

namespace {

// The window's side of a fetch, doing nothing, so that only the fetch is measured.
class NullHost : public vantaro::WorkerHost {
public:
    bool showMessage(vantaro::MessageKind, const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++messages;
        return true;
    }
    void setStatus(const std::string&) override {}
    void setProgressMax(std::int64_t maximum) override { max = maximum; }
    void setProgressPosition(std::int64_t value) override { position = value; }
    std::int64_t progressPosition() override { return position; }
    std::int64_t progressMax() override { return max; }
    void setControlEnabled(vantaro::WorkerControl, bool) override {}
    void appendLog(const std::string&) override {}
    int listRowCount() override { return 2; }
    vantaro::ListRowTexts readListRow(int) override { return {}; }
    void deleteFirstListRow() override {}
    void scrollListToTop() override {}
    void restoreMainWindow() override {}

    int messages = 0;
    std::int64_t max = 0;
    std::int64_t position = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s LINK FILE\n", argv[0]);
        return 2;
    }
    NullHost host;
    const auto start = std::chrono::steady_clock::now();
    vantaro::FetchToFile(argv[1], argv[2], host);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto bytes = std::filesystem::file_size(argv[2]);
    std::printf("bytes=%llu seconds=%.3f peak_rss_kib=%ld\n",
                static_cast<unsigned long long>(bytes), elapsed.count(), usage.ru_maxrss);
    return host.messages == 0 && static_cast<std::int64_t>(bytes) == host.position ? 0 : 1;
}
