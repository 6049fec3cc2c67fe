// SPDX-License-Identifier: GPL-3.0-or-later
// A long list through the real main window and its worker: 300 Dailymotion-like rows of a short
// clip to MP3 from nginx on loopback, every tenth row's folder removed once the list runs so that
// the worker drops it. The process's resident memory and open descriptors are read every 25 rows,
// at the moment the worker hands a finished row over (nothing of the next row is open yet).
// At the end: no child process, no temporary file, every MP3 readable. Driven by
// bench/soak_list.sh under a private X server.
// Usage: bench_soak_list WORK_FOLDER [ROWS]

#include "app/MainWindow.h"
#include "core/ProgramFolder.h"

#include "support/MediaClips.h"
#include "support/NginxServer.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace vantaro;
using namespace vantaro::testing;

constexpr int SampleEvery = 25;
constexpr int DroppedEvery = 10;

struct Sample {
    int row = 0;
    long rssKiB = 0;
    int descriptors = 0;
};

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

int openDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count - 1; // the iterator's own
}

// Processes whose parent is this one.
std::vector<int> children() {
    std::vector<int> found;
    const std::string self = std::to_string(::getpid());
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string text;
        if (!std::getline(stat, text))
            continue;
        const auto close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        int parent = 0;
        if (std::sscanf(text.c_str() + close + 1, " %c %d", &state, &parent) == 2 &&
            std::to_string(parent) == self)
            found.push_back(std::atoi(entry.path().filename().c_str()));
    }
    return found;
}

// The main window, sampled each time its worker deletes a finished row.
class SampledWindow : public MainWindow {
public:
    using MainWindow::MainWindow;
    void deleteFirstListRow() override {
        MainWindow::deleteFirstListRow();
        const std::lock_guard lock(m_mutex);
        ++m_done;
        if (m_done % SampleEvery == 0)
            m_samples.push_back({m_done, residentKiB(), openDescriptors()});
    }
    std::vector<Sample> samples() {
        const std::lock_guard lock(m_mutex);
        return m_samples;
    }

private:
    std::mutex m_mutex;
    int m_done = 0;
    std::vector<Sample> m_samples;
};

class CountingPresenter : public MessagePresenter {
public:
    bool showMessage(MessageKind, const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++count;
        return true;
    }
    int count = 0;
};

std::string dailymotionPage(const std::string& streamLink) {
    std::string coded;
    for (const char c : streamLink)
        coded += c == ':'   ? std::string("%3A")
                 : c == '/' ? std::string("%5C%2F")
                            : std::string(1, c);
    return "<html><script>\n    player.addVariable(\"apiSequenceURL\", \"%5B%7B%22params%22%3A%7B"
           "%22sdURL%22%3A%22" +
           coded + "%22%7D%7D%5D\");\n</script></html>\n";
}

void result(const std::string& figure, const std::string& measured, const std::string& target,
            bool met) {
    std::printf("RESULT\t%s\t%s\t%s\t-\t-\t%s\n", figure.c_str(), measured.c_str(), target.c_str(),
                met ? "yes" : "no");
}

// Names in the folder that are not the expected MP3 files.
std::vector<std::string> strayFiles(const std::string& folder, int rows) {
    std::vector<std::string> stray;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        const int number = std::atoi(name.c_str() + 4);
        const bool expected = name.size() == 11 && name.rfind("row-", 0) == 0 &&
                              name.substr(7) == ".mp3" && number >= 1 && number <= rows &&
                              number % DroppedEvery != 0;
        if (!expected)
            stray.push_back(name);
    }
    return stray;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s WORK_FOLDER [ROWS]\n", argv[0]);
        return 2;
    }
    const std::string work = argv[1];
    const int rows = argc > 2 ? std::atoi(argv[2]) : 300;
    QApplication application(argc, argv);

    // A program folder of its own with the real launchers, and a current folder for the reply.
    const fs::path program = fs::path(work) / "program";
    fs::create_directories(program);
    fs::create_directory_symlink(fs::path(VANTARO_PROGRAM_DIR) / "QrlBin", program / "QrlBin");
    setProgramFolder(program.string() + "/");
    const fs::path run = fs::path(work) / "run";
    fs::create_directories(run);
    fs::current_path(run);

    // The site and the maker's service: one nginx serving the clip, the page and the report.
    const fs::path web = fs::path(work) / "web";
    fs::create_directories(web / "dailymotion");
    const std::string clip = testClip(ClipKind::Flv, 2);
    if (clip.empty()) {
        std::fprintf(stderr, "ffmpeg could not make the clip\n");
        return 1;
    }
    fs::copy_file(clip, web / "clip.flv");
    writeWholeFile((web / "addVantaroURL.php").string(), "ok\n");
    NginxServer nginx(web.string());
    writeWholeFile((web / "dailymotion" / "clip").string(),
                   dailymotionPage(nginx.url("/clip.flv")));

    CountingPresenter presenter;
    SampledWindow window("127.0.0.1:" + std::to_string(nginx.port()));
    window.setMessagePresenter(&presenter);
    window.show();
    const std::string out = (fs::path(work) / "out").string();
    fs::create_directories(out);
    std::vector<fs::path> dropped;
    for (int row = 1; row <= rows; ++row) {
        char name[16];
        std::snprintf(name, sizeof name, "row-%03d", row);
        std::string folder = out;
        if (row % DroppedEvery == 0) {
            dropped.push_back(fs::path(work) / ("gone-" + std::to_string(row)));
            fs::create_directories(dropped.back());
            folder = dropped.back().string();
        }
        window.appendListEntry("MP3", folder, name, name, nginx.url("/dailymotion/clip"));
    }
    window.findChild<QLineEdit*>("Edit2")->setText(QString::fromStdString(out));

    window.startListDownload();
    if (!window.workerRunning()) {
        std::fprintf(stderr, "the list did not start\n");
        return 1;
    }
    // The list's folders were checked when it started; these go now, so their rows are dropped.
    for (const fs::path& folder : dropped)
        fs::remove(folder);
    QTimer end;
    end.setInterval(100);
    QObject::connect(&end, &QTimer::timeout, [&] {
        if (!window.workerRunning())
            QCoreApplication::quit();
    });
    end.start();
    QApplication::exec();

    // The curve.
    const std::vector<Sample> samples = window.samples();
    std::printf("row\trss_kib\tfds\n");
    for (const Sample& sample : samples)
        std::printf("%d\t%ld\t%d\n", sample.row, sample.rssKiB, sample.descriptors);

    int valid = 0;
    int expected = 0;
    for (int row = 1; row <= rows; ++row) {
        if (row % DroppedEvery == 0)
            continue;
        ++expected;
        char name[24];
        std::snprintf(name, sizeof name, "/row-%03d.mp3", row);
        const Probe found = probe(out + name);
        if (found.readable && found.formatName == "mp3" && found.audioPackets > 0)
            ++valid;
    }
    std::vector<std::string> stray = strayFiles(out, rows);
    for (const auto& entry : fs::directory_iterator(run))
        stray.push_back(entry.path().filename().string());
    const std::vector<int> left = children();
    for (const std::string& name : stray)
        std::fprintf(stderr, "left: %s\n", name.c_str());

    const bool sampled = samples.size() >= 2;
    const long growth = sampled ? samples.back().rssKiB - samples.front().rssKiB : -1;
    const int fdChange = sampled ? samples.back().descriptors - samples.front().descriptors : -1;
    const std::string span = sampled ? " rows " + std::to_string(samples.front().row) + " to " +
                                           std::to_string(samples.back().row)
                                     : "";
    result("soak list RSS growth" + span, std::to_string(growth) + " KiB", "<= 2048 KiB",
           sampled && growth <= 2048);
    result("soak list descriptors change" + span, std::to_string(fdChange), "0",
           sampled && fdChange == 0);
    result("soak list files left, children left",
           std::to_string(stray.size()) + ", " + std::to_string(left.size()), "0, 0",
           stray.empty() && left.empty());
    result("soak list valid MP3 files", std::to_string(valid) + " of " + std::to_string(expected),
           std::to_string(expected), valid == expected && presenter.count == 0);
    return 0;
}
