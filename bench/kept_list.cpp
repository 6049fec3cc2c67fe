// SPDX-License-Identifier: GPL-3.0-or-later
// The kept list of 3,000 rows through the real main window: the time from an empty window to the
// rows restored and shown (reading, checking and filling the grid), and the time the window's
// thread spends on one snapshot of them for the writer. The best of a few rounds.
// Usage: bench_kept_list WORK_FOLDER

#include "app/MainWindow.h"
#include "core/ProgramFolder.h"
#include "jobs/KeptList.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int Rows = 3000;
constexpr int Rounds = 5;

double seconds(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WORK_FOLDER\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    const fs::path work = argv[1];
    const fs::path program = work / "program";
    fs::create_directories(program);
    fs::create_directory_symlink(fs::path(VANTARO_PROGRAM_DIR) / "QrlBin", program / "QrlBin");
    vantaro::setProgramFolder(program.string() + "/");

    std::vector<vantaro::KeptRow> rows;
    for (int n = 0; n < Rows; ++n)
        rows.push_back({{"", "MP3", work.string(), "Clip number " + std::to_string(n), "Vantaro",
                         "https://www.youtube.com/watch?v=clip" + std::to_string(n)},
                        n == 0});
    const std::string path = (work / "state/vantaro/list").string();

    double restore = 1e9;
    double snapshot = 1e9;
    int restored = 0;
    for (int round = 0; round < Rounds; ++round) {
        if (const std::string failure = vantaro::writeKeptList(path, rows); !failure.empty()) {
            std::fprintf(stderr, "%s\n", failure.c_str());
            return 1;
        }
        vantaro::MainWindow window("127.0.0.1:9");
        QElapsedTimer clock;
        clock.start();
        window.keepList(path);
        restore = std::min(restore, seconds(clock));
        restored = window.linkList().entryCount();
        // One snapshot as the window takes it after a change: every row copied for the writer.
        clock.restart();
        std::vector<vantaro::KeptRow> copy;
        copy.reserve(static_cast<std::size_t>(restored));
        for (int row = 1; row <= restored; ++row)
            copy.push_back({window.linkList().cells(row), row == 1});
        snapshot = std::min(snapshot, seconds(clock));
    }
    std::printf("rows=%d restore_s=%.4f snapshot_ms=%.3f\n", restored, restore, snapshot * 1e3);
    return restored == Rows ? 0 : 1;
}
