// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of running a conversion through convertMedia (launcher, 200 ms polling, progress)
// against running the system's ffmpeg directly on the same input with the same arguments.
// Prints the wall times and their ratio. Usage: bench_conversion_overhead [rounds] [seconds]
// The machine's other load shows in both times; more rounds steady the figure.
#include "core/ProgramFolder.h"
#include "core/RunContext.h"
#include "engine/Conversion.h"
#include "jobs/FormatCatalogue.h"
#include "support/MediaClips.h"
#include "support/QuietWorkerHost.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace vantaro;
using Clock = std::chrono::steady_clock;

// The converter run on its own, the way the tests run tools.
bool run(const std::string& program, const std::vector<std::string>& arguments) {
    const testing::ToolRun result = testing::runTool(program, arguments);
    return result.finished && result.exitCode == 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Processor time of the ended children so far, in seconds.
double childrenCpu() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double best(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

struct Timings {
    std::vector<double> wall[3]; // direct ffmpeg, launcher alone, convertMedia
    std::vector<double> cpu[3];  // the converter's processor time, in the same order
    std::vector<double> ratios;  // convertMedia / direct ffmpeg, round by round
};

const char* const modeNames[3] = {"direct ffmpeg", "launcher alone", "convertMedia"};

// Runs the same conversion of the clip the three ways, round after round, rotating which goes
// first so that none always meets a warmer or busier machine.
bool measure(const std::string& format, const std::string& clip, const std::string& folder,
             int rounds, Timings& timings) {
    const std::string launcher = runningProgramFolder() + toolRelativePath(ConverterTool::F);
    testing::QuietWorkerHost host;
    const RunContext context;
    for (int round = 0; round < rounds; ++round) {
        const std::string base = folder + "/" + format + std::to_string(round);
        const std::string input = base + "xxx.flv";
        std::filesystem::copy_file(clip, input);
        for (int turn = 0; turn < 3; ++turn) {
            const int which = (turn + round) % 3;
            const auto start = Clock::now();
            const double cpuBefore = childrenCpu();
            bool done = true;
            if (which == 0)
                done = run("ffmpeg", argumentVector(format, {clip, base + "d", ""}));
            else if (which == 1)
                done = run(launcher, argumentVector(format, {clip, base + "l", ""}));
            else
                convertMedia(input, base, format, host, context);
            if (!done || (which == 2 && std::filesystem::exists(input))) {
                std::fprintf(stderr, "%s failed on %s\n", modeNames[which], format.c_str());
                return false;
            }
            timings.wall[which].push_back(
                std::chrono::duration<double>(Clock::now() - start).count());
            timings.cpu[which].push_back(childrenCpu() - cpuBefore);
        }
        timings.ratios.push_back(timings.wall[2].back() / timings.wall[0].back());
    }
    return true;
}

// The best time of each is the one least disturbed by the machine's other work; the medians
// show how much that work moved them.
void print(const Timings& timings) {
    for (int which = 0; which < 3; ++which)
        std::printf("  %-15s best %.3f s, median %.3f s, converter processor time %.3f s\n",
                    modeNames[which], best(timings.wall[which]), median(timings.wall[which]),
                    median(timings.cpu[which]));
    std::printf("  ratio convertMedia / direct ffmpeg: best %.3f, medians %.3f, median per "
                "round %.3f (target <= 1.05)\n",
                best(timings.wall[2]) / best(timings.wall[0]),
                median(timings.wall[2]) / median(timings.wall[0]), median(timings.ratios));
}

// The figure for the summary table of bench/run-all: medians, the direct ffmpeg as reference.
void result(const char* figure, const Timings& timings, double target) {
    const double ratio = median(timings.ratios);
    const std::string meets = target <= 0 ? "-" : ratio <= target ? "yes" : "no";
    char targetText[32] = "-";
    if (target > 0)
        std::snprintf(targetText, sizeof targetText, "<= %.2f x ffmpeg", target);
    std::printf("RESULT\t%s\t%.3f s\t%s\tffmpeg directly %.3f s\t%.3f\t%s\n", figure,
                median(timings.wall[2]), targetText, median(timings.wall[0]), ratio, meets.c_str());
}

bool makeClip(const std::string& clip, const std::string& seconds) {
    return run("ffmpeg",
               {"-y", "-f", "lavfi", "-i", "testsrc=size=640x360:rate=25:duration=" + seconds, "-f",
                "lavfi", "-i", "sine=frequency=440:duration=" + seconds, "-c:v", "flv1", "-c:a",
                "libmp3lame", "-ar", "44100", clip});
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string seconds = argc > 2 ? argv[2] : "20";
    setProgramFolder(VANTARO_PROGRAM_DIR);
    QTemporaryDir temp;
    const std::string folder = temp.path().toStdString();
    const std::string clip = folder + "/clip.flv";
    const std::string shortClip = folder + "/short.flv";
    if (!makeClip(clip, seconds) || !makeClip(shortClip, "1")) {
        std::fprintf(stderr, "cannot make the input clips with ffmpeg\n");
        return 1;
    }

    // iPod: H.264 work of some seconds, a list today's ffmpeg takes as it stands.
    Timings conversion;
    if (!measure("iPod", clip, folder, rounds, conversion))
        return 1;
    std::printf("iPod conversion of a %s s 640x360 FLV, %d rounds\n", seconds.c_str(), rounds);
    print(conversion);

    // WAVE of a one-second clip: almost no work, so what remains is the fixed cost of starting
    // the launcher and of noticing the end.
    Timings fixed;
    if (!measure("WAVE", shortClip, folder, rounds * 3, fixed))
        return 1;
    std::printf("WAVE conversion of a 1 s clip (fixed costs), %d rounds\n", rounds * 3);
    print(fixed);
    std::printf("  added by convertMedia: %.1f ms (medians)\n",
                1000 * (median(fixed.wall[2]) - median(fixed.wall[0])));
    result(("conversion iPod, " + seconds + " s clip").c_str(), conversion, 1.05);
    result("conversion WAVE, 1 s clip (fixed costs)", fixed, 0);
    return 0;
}
