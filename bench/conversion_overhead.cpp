// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of running a conversion through ConvertMedia (launcher, 200 ms polling, progress)
// against running the system's ffmpeg directly on the same input with the same arguments.
// Prints the wall times and their ratio. Usage: bench_conversion_overhead [rounds] [seconds]
// The machine's other load shows in both times; more rounds steady the figure.
#include "core/ProgramFolder.h"
#include "core/SharedState.h"
#include "engine/Conversion.h"
#include "jobs/FormatCatalogue.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace vantaro;
using Clock = std::chrono::steady_clock;

// A window that does nothing: the bench measures the engine, not a display.
class QuietHost : public WorkerHost {
public:
    bool showMessage(MessageKind, const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return true;
    }
    void setStatus(const std::string&) override {}
    void setProgressMax(std::int64_t maximum) override { m_max = maximum; }
    void setProgressPosition(std::int64_t position) override { m_position = position; }
    std::int64_t progressPosition() override { return m_position; }
    std::int64_t progressMax() override { return m_max; }
    void setControlEnabled(WorkerControl, bool) override {}
    void appendLog(const std::string&) override {}
    int listRowCount() override { return 2; }
    ListRowTexts readListRow(int) override { return {}; }
    void deleteFirstListRow() override {}
    void scrollListToTop() override {}
    void restoreMainWindow() override {}

private:
    std::int64_t m_max = 100;
    std::int64_t m_position = 0;
};

bool run(const std::string& program, const std::vector<std::string>& arguments) {
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QString::fromStdString(program), list);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string seconds = argc > 2 ? argv[2] : "20";
    const std::string format = "iPod"; // accepted by today's ffmpeg as it stands
    setProgramFolder(VANTARO_PROGRAM_DIR);
    CurrentJob.setMp3Title("Bench");

    QTemporaryDir temp;
    const std::string folder = temp.path().toStdString();
    const std::string clip = folder + "/clip.flv";
    if (!run("ffmpeg",
             {"-y", "-f", "lavfi", "-i", "testsrc=size=640x360:rate=25:duration=" + seconds, "-f",
              "lavfi", "-i", "sine=frequency=440:duration=" + seconds, "-c:v", "flv1", "-c:a",
              "libmp3lame", "-ar", "44100", clip})) {
        std::fprintf(stderr, "cannot make the input clip with ffmpeg\n");
        return 1;
    }

    std::vector<double> direct;
    std::vector<double> engine;
    std::vector<double> launched;
    std::vector<double> ratios;
    const std::string launcher = ProgramFolder() + toolRelativePath(ConverterTool::F);
    QuietHost host;
    for (int round = 0; round < rounds; ++round) {
        const std::string base = folder + "/out" + std::to_string(round);
        const std::vector<std::string> arguments = argumentVector(format, {clip, base + "d", ""});
        const std::string input = base + "xxx.flv";
        std::filesystem::copy_file(clip, input);
        // Rotate which goes first, so that none always meets a warmer or busier machine.
        for (int turn = 0; turn < 3; ++turn) {
            const int which = (turn + round) % 3;
            const auto start = Clock::now();
            if (which == 0 && !run("ffmpeg", arguments)) {
                std::fprintf(stderr, "direct ffmpeg failed\n");
                return 1;
            }
            if (which == 1 && !run(launcher, argumentVector(format, {clip, base + "l", ""}))) {
                std::fprintf(stderr, "the launcher failed\n");
                return 1;
            }
            if (which == 2)
                ConvertMedia(input, base, format, host);
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            (which == 0 ? direct : which == 1 ? launched : engine).push_back(elapsed);
        }
        if (!std::filesystem::exists(base + ".m4v")) {
            std::fprintf(stderr, "ConvertMedia wrote nothing\n");
            return 1;
        }
        ratios.push_back(engine.back() / direct.back());
    }
    std::printf("conversion %s of a %s s 640x360 FLV, %d rounds (median wall time)\n",
                format.c_str(), seconds.c_str(), rounds);
    std::printf("  direct ffmpeg:  %.3f s\n", median(direct));
    std::printf("  launcher alone: %.3f s\n", median(launched));
    std::printf("  ConvertMedia:   %.3f s\n", median(engine));
    std::printf("  ratio of medians:        %.3f (target <= 1.05)\n",
                median(engine) / median(direct));
    std::printf("  median ratio per round:  %.3f\n", median(ratios));
    return 0;
}
