// SPDX-License-Identifier: GPL-3.0-or-later
// The update of a 3 MiB yt-dlp (a zipapp carrying 3 MiB of incompressible data) from a release
// page on loopback: latest tag, signed checksum list, download, hash, trial run and rename, a
// fresh engines folder with an older copy for each round. Prints each round's time and the best.
// Usage: bench_engine_update [ROUNDS]
#include "update/ReleaseBench.h"

#include "update/EngineUpdater.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace vantaro;
namespace fs = std::filesystem;

constexpr const char* Tag = "2025.12.08";
constexpr std::size_t EngineBytes = 3 * 1024 * 1024;

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    testing::TempFolder work("bench-engine-update");
    testing::SigningKey key("bench");
    const std::string engine = testing::makeZipapp(work.path(), Tag, EngineBytes);
    UpdateSettings settings;
    settings.pathValue = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    settings.keyringPath = key.exportKeyring(work.file("release.gpg"));
    settings.ytDlpAsset = "yt-dlp";

    testing::ScriptedHttpServer server(testing::ytDlpReleasePlan(work.path(), key, Tag, engine));
    settings.releasesKey = server.url("");

    std::vector<double> seconds;
    for (int round = 0; round < rounds; ++round) {
        settings.enginesFolder = work.file("engines-" + std::to_string(round) + "/");
        fs::create_directories(settings.enginesFolder);
        testing::writeWholeFile(settings.enginesFolder + "yt-dlp", "#!/bin/sh\necho 2025.01.01\n");
        fs::permissions(settings.enginesFolder + "yt-dlp", fs::perms(0755));
        const EngineUpdater updater(settings);
        std::atomic<bool> stop{false};
        const auto start = std::chrono::steady_clock::now();
        const auto result = updater.update(Engine::YtDlp, nullptr, stop);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (!result.replaced) {
            std::fprintf(stderr, "the update failed: %s\n", result.message.c_str());
            return 1;
        }
        seconds.push_back(elapsed.count());
        std::printf("round %d: %.3f s\n", round + 1, elapsed.count());
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("engine update 3 MiB: best=%.3f median=%.3f\n", seconds.front(),
                seconds[seconds.size() / 2]);
    return 0;
}
