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
#include <random>
#include <string>
#include <vector>

namespace {

using namespace vantaro;
namespace fs = std::filesystem;

constexpr const char* Tag = "2025.12.08";
constexpr std::size_t EngineBytes = 3 * 1024 * 1024;

// A zipapp answering --version with the tag, padded with random bytes to the engine's size.
std::string makeEngine(const std::string& folder) {
    const std::string source = folder + "/engine-source";
    fs::create_directories(source);
    testing::writeWholeFile(source + "/__main__.py",
                            std::string("import sys\nif sys.argv[1:] == ['--version']:\n    "
                                        "print('") +
                                Tag + "')\n");
    std::string padding(EngineBytes, '\0');
    std::mt19937 random(7);
    for (char& c : padding)
        c = static_cast<char>(random());
    testing::writeWholeFile(source + "/padding.bin", padding);
    testing::runShell("python3 -m zipapp " + testing::quoted(source) + " -o " +
                      testing::quoted(folder + "/engine.pyz") + " -p '/usr/bin/env python3'");
    return testing::readWholeFile(folder + "/engine.pyz");
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    testing::TempFolder work("bench-engine-update");
    testing::SigningKey key("bench");
    const std::string engine = makeEngine(work.path());
    UpdateSettings settings;
    settings.pathValue = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    settings.keyringPath = key.exportKeyring(work.file("release.gpg"));
    settings.ytDlpAsset = "yt-dlp";

    const std::string sums = testing::sha256Hex(work.path(), engine) + "  yt-dlp\n";
    testing::writeWholeFile(work.file("sums"), sums);
    key.sign(work.file("sums"), work.file("sums.sig"));
    const std::string download = std::string("/yt-dlp/download/") + Tag + "/";
    std::string routes = "\"/yt-dlp/latest\": [" +
                         testing::redirectItem(std::string("/yt-dlp/tag/") + Tag) +
                         "], \"/yt-dlp/tag/" + Tag + "\": [" + testing::EmptyOk + "]";
    const std::pair<std::string, std::string> files[] = {
        {"SHA2-256SUMS", sums},
        {"SHA2-256SUMS.sig", testing::readWholeFile(work.file("sums.sig"))},
        {"yt-dlp", engine}};
    for (const auto& [name, body] : files) {
        testing::writeWholeFile(work.file("answer-" + name), testing::OkHead + body);
        routes += ", \"" + download + name + "\": [" +
                  testing::fileItem(work.file("answer-" + name), ", \"length\": true") + "]";
    }
    testing::ScriptedHttpServer server("{\"routes\": {" + routes + "}}");
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
