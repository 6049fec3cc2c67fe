// SPDX-License-Identifier: GPL-3.0-or-later
// Loads list files of 10,000, 50,000 and 100,000 entries into the link list shown in its grid,
// handling the window's pending events before each entry as the load command does, and prints
// the time of each load.
#include "app/LinkListModel.h"
#include "jobs/ListCommands.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace vantaro;

class BenchHost : public ListCommandHost {
public:
    std::string file;
    int messages = 0;
    int eventRounds = 0;

    bool showMessage(MessageKind, const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++messages;
        return true;
    }
    bool workerRunning() const override { return false; }
    void startWorker(const DownloadJob&) override {}
    void storeSingleDownload(const std::string&, const std::string&) override {}
    void storeList(const std::string&) override {}
    bool directoryExists(const std::string&) override { return true; }
    std::string chooseListFile() override { return file; }
    void processPendingEvents() override {
        ++eventRounds;
        QCoreApplication::processEvents();
    }
    void listReady() override {}
};

std::string writeListFile(const std::filesystem::path& folder, int entries) {
    const auto path = folder / ("list-" + std::to_string(entries) + ".txt");
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < entries; ++i) {
        out << "http://www.youtube.com/watch?v=bench" << i << "x\r\n"
            << "Title of video number " << i << "\r\n";
    }
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
    return path.string();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const auto folder =
        std::filesystem::temp_directory_path() /
        ("vantaro-bench-list-" + std::to_string(QCoreApplication::applicationPid()));
    std::filesystem::create_directories(folder);

    LinkList list;
    LinkListGrid grid(list);
    grid.resize(760, 400);
    grid.show();
    QCoreApplication::processEvents();

    BenchHost host;
    RunContext context;
    LinkListCommands commands(list, host, context);
    std::vector<double> seconds;
    // Other sizes may be given on the command line; the first and last are compared.
    std::vector<int> sizes = {10000, 50000, 100000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i)
            sizes.push_back(std::atoi(argv[i]));
    }
    constexpr int Repetitions = 3;
    for (const int entries : sizes) {
        host.file = writeListFile(folder, entries);
        std::vector<double> runs;
        for (int run = 0; run < Repetitions; ++run) {
            list.reset(); // each load starts from an empty list, like the first one
            host.eventRounds = 0;
            const auto start = std::chrono::steady_clock::now();
            commands.loadListFile(folder.string());
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            if (list.entryCount() != entries || host.messages != 0 || host.eventRounds < entries) {
                std::fprintf(stderr, "load of %d entries gave %d entries\n", entries,
                             list.entryCount());
                return 1;
            }
            runs.push_back(took.count());
        }
        std::sort(runs.begin(), runs.end());
        const double median = runs[runs.size() / 2];
        seconds.push_back(median);
        std::printf("list_load %6d entries: %.3f s median of %d (best %.3f s, %.2f us per entry)\n",
                    entries, median, Repetitions, runs.front(), median * 1e6 / entries);
        std::fflush(stdout);
    }
    std::printf("list_load growth %d -> %d entries: x%.1f (linear would be x%.1f)\n", sizes.front(),
                sizes.back(), seconds.back() / seconds.front(),
                static_cast<double>(sizes.back()) / sizes.front());
    // For the summary table: the largest load beside the smallest one scaled linearly.
    const double scale = static_cast<double>(sizes.back()) / sizes.front();
    const double linearRatio = seconds.back() / (seconds.front() * scale);
    std::printf("RESULT\tlist load, %d entries\t%.3f s\t<= 1.5 x linear\t%d entries %.3f s, "
                "x%.0f = %.3f s\t%.2f\t%s\n",
                sizes.back(), seconds.back(), sizes.front(), seconds.front(), scale,
                seconds.front() * scale, linearRatio, linearRatio <= 1.5 ? "yes" : "no");
    std::filesystem::remove_all(folder);
    return 0;
}
