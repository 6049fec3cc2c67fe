// SPDX-License-Identifier: GPL-3.0-or-later
// Runs one single download through the real main window, from the download command to the end
// of the conversion, and measures how long the window's event loop was kept from running: a
// 1 ms timer notes the gap between its turns; the longest gap, less the timer's own period, is
// the longest stall. The same loop watched while idle beforehand gives the machine's own
// scheduling delays as a reference. Driven by bench/startup.sh.
// Usage: bench_window_stall PAGE_LINK SERVICE_HOST OUTPUT_FOLDER

#include "app/MainWindow.h"
#include "core/ProgramFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// How long the idle loop is watched before the download, in milliseconds.
constexpr int IdleReferenceMs = 3000;

// Boxes are counted and written out: a download that needs one did not go as planned.
class PrintingPresenter : public vantaro::MessagePresenter {
public:
    bool showMessage(vantaro::MessageKind, const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++count;
        return true;
    }
    int count = 0;
};

void setField(vantaro::MainWindow& window, const char* name, const std::string& text) {
    window.findChild<QLineEdit*>(name)->setText(QString::fromStdString(text));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s PAGE_LINK SERVICE_HOST OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    // A program folder of its own, so that no settings file is written: the real launchers.
    const fs::path program = fs::path(argv[3]) / "program";
    fs::create_directories(program);
    fs::create_directory_symlink(fs::path(VANTARO_PROGRAM_DIR) / "QrlBin", program / "QrlBin");
    vantaro::setProgramFolder(program.string() + "/");

    PrintingPresenter presenter;
    vantaro::MainWindow window(argv[2]);
    window.setMessagePresenter(&presenter);
    window.show();
    setField(window, "Edit1", argv[1]);
    setField(window, "Edit6", argv[3]);
    setField(window, "Edit3", "big");

    // The loop's turns: the longest gap between two of them, and how many gaps went over 50 ms.
    QElapsedTimer sinceTurn;
    qint64 longestGapNs = 0;
    int longGaps = 0;
    bool downloading = false;
    bool longestWhileDownloading = false;
    QTimer turns;
    turns.setTimerType(Qt::PreciseTimer);
    turns.setInterval(1);
    QObject::connect(&turns, &QTimer::timeout, [&] {
        const qint64 gap = sinceTurn.nsecsElapsed();
        sinceTurn.restart();
        if (gap > 51'000'000)
            ++longGaps;
        if (gap > longestGapNs) {
            longestGapNs = gap;
            longestWhileDownloading = downloading;
        }
    });
    sinceTurn.start();
    turns.start();

    // The same loop left idle first, on the same machine at the same moment: the reference.
    QTimer::singleShot(IdleReferenceMs, [] { QCoreApplication::quit(); });
    QApplication::exec();
    const qint64 idleGapNs = longestGapNs;
    longestGapNs = 0;
    longGaps = 0;

    QTimer end;
    end.setInterval(50);
    QObject::connect(&end, &QTimer::timeout, [&] {
        downloading = window.progressMax() > 100;
        if (!window.workerRunning())
            QCoreApplication::quit();
    });
    QElapsedTimer clock;
    clock.start();
    window.startDownload();
    if (!window.workerRunning()) {
        std::fprintf(stderr, "the download did not start\n");
        return 1;
    }
    // The hand-overs of the byte count during the stream's fetch, and the figures line's changes
    // they cause (the line, the tray tooltip and the launcher entry ride on them).
    int handOvers = 0;
    int figuresChanges = 0;
    QElapsedTimer fetchClock;
    qint64 fetchNs = 0;
    auto* bar = window.findChild<QProgressBar*>("ProgressBar1");
    QObject::connect(bar, &QProgressBar::valueChanged, [&] {
        if (window.progressMax() <= 100 || bar->maximum() <= 100)
            return;
        if (!fetchClock.isValid())
            fetchClock.start();
        ++handOvers;
        fetchNs = fetchClock.nsecsElapsed();
    });
    QString lastFigures;
    QObject::connect(bar, &QProgressBar::valueChanged, [&] {
        if (auto* figures = window.findChild<QLabel*>("TransferFigures");
            figures && figures->text() != lastFigures) {
            lastFigures = figures->text();
            ++figuresChanges;
        }
    });
    end.start();
    sinceTurn.restart();
    QApplication::exec();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;

    std::error_code ec;
    const auto mp3Size = fs::file_size(fs::path(argv[3]) / "big.mp3", ec);
    const auto stallMs = [](qint64 gapNs) {
        return std::max(0.0, static_cast<double>(gapNs) / 1e6 - 1.0);
    };
    std::printf("seconds=%.3f max_stall_ms=%.2f idle_stall_ms=%.2f stalls_over_50ms=%d "
                "longest_in=%s mp3_bytes=%llu messages=%d handovers=%d handovers_per_s=%.1f "
                "figures_changes=%d\n",
                seconds, stallMs(longestGapNs), stallMs(idleGapNs), longGaps,
                longestWhileDownloading ? "download" : "conversion",
                ec ? 0ULL : static_cast<unsigned long long>(mp3Size), presenter.count, handOvers,
                fetchNs > 0 ? handOvers / (static_cast<double>(fetchNs) / 1e9) : 0.0,
                figuresChanges);
    return !ec && mp3Size > 0 && presenter.count == 0 ? 0 : 1;
}
