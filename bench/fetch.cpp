// SPDX-License-Identifier: GPL-3.0-or-later
// Fetches one link into one file with fetchToFile and prints the bytes, the time taken and the
// peak resident memory of this process. Driven by bench/fetch.sh.
// Usage: bench_fetch LINK FILE

#include "engine/Fetch.h"
#include "core/RunContext.h"
#include "support/QuietWorkerHost.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include <sys/resource.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s LINK FILE\n", argv[0]);
        return 2;
    }
    // The window's side of a fetch, doing nothing, so that only the fetch is measured.
    vantaro::testing::QuietWorkerHost host;
    const vantaro::RunContext context;
    const auto start = std::chrono::steady_clock::now();
    vantaro::fetchToFile(argv[1], argv[2], host, context.stopToken(), context.language());
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto bytes = std::filesystem::file_size(argv[2]);
    std::printf("bytes=%llu seconds=%.3f peak_rss_kib=%ld\n",
                static_cast<unsigned long long>(bytes), elapsed.count(), usage.ru_maxrss);
    return host.messages == 0 && static_cast<std::int64_t>(bytes) == host.position ? 0 : 1;
}
