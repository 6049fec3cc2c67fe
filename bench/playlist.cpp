// SPDX-License-Identifier: GPL-3.0-or-later
// A playlist link through the real main window's add command: the time from the command to the
// rows shown in the grid, and the longest stall of the window's event loop meanwhile (a 1 ms
// timer notes the gap between its turns; the idle loop watched beforehand is the reference).
// yt-dlp's own time is measured by running the same two calls the reader makes, directly; our
// part is the rest (a difference of two best times, so below zero when the machine's noise is
// larger than our part), and the reading of yt-dlp's answer into rows is timed on its own. The
// window keeps its list meanwhile, so the stall covers the writes of the kept list too.
// Driven by bench/playlist.sh. Usage: bench_playlist FEED_LINK OUTPUT_FOLDER

#include "app/LinkListModel.h"
#include "app/MainWindow.h"
#include "core/Constants.h"
#include "core/ProgramFolder.h"
#include "engine/PlaylistSource.h"
#include "jobs/KeptList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int IdleReferenceMs = 2000;
constexpr int Rounds = 3;

class PrintingPresenter : public vantaro::MessagePresenter {
public:
    bool showMessage(vantaro::MessageKind, const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return true;
    }
};

// Runs yt-dlp as the reader does; the seconds it took, and its answer.
double runYtDlp(const QStringList& arguments, QByteArray* answer) {
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.start("yt-dlp", arguments);
    process.waitForFinished(-1);
    if (answer)
        *answer = process.readAllStandardOutput();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FEED_LINK OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    const std::string link = argv[1];
    const fs::path program = fs::path(argv[2]) / "program";
    fs::create_directories(program);
    fs::create_directory_symlink(fs::path(VANTARO_PROGRAM_DIR) / "QrlBin", program / "QrlBin");
    vantaro::setProgramFolder(program.string() + "/");

    // yt-dlp alone, and our reading of its answer into rows, each the best of a few rounds.
    double ytDlpSeconds = 1e9;
    double readingSeconds = 1e9;
    std::size_t entries = 0;
    for (int round = 0; round < Rounds; ++round) {
        QByteArray answer;
        QStringList arguments;
        for (const std::string& argument : vantaro::ytDlpPlaylistArguments(link))
            arguments << QString::fromStdString(argument);
        ytDlpSeconds =
            std::min(ytDlpSeconds, runYtDlp({"--version"}, nullptr) + runYtDlp(arguments, &answer));
        QElapsedTimer clock;
        clock.start();
        const vantaro::PlaylistAnswer parsed =
            vantaro::parsePlaylistAnswer(std::string_view(answer.constData(), answer.size()));
        vantaro::LinkList list;
        const vantaro::PlaylistRows rows = vantaro::playlistRows(
            parsed.entries, {link, argv[2], "x", "MP3", vantaro::DefaultMp3Title}, list,
            [](const std::string& path) { return fs::exists(path); });
        readingSeconds = std::min(readingSeconds, static_cast<double>(clock.nsecsElapsed()) / 1e9);
        entries = rows.rows.size();
    }

    PrintingPresenter presenter;
    vantaro::MainWindow window("127.0.0.1:9");
    window.setMessagePresenter(&presenter);
    // The rows are kept as the program keeps them, so the stall includes their writes.
    const std::string keptPath = (fs::path(argv[2]) / "state/vantaro/list").string();
    window.keepList(keptPath);
    window.show();
    window.findChild<QLineEdit*>("Edit1")->setText(QString::fromStdString(link));
    window.findChild<QLineEdit*>("Edit6")->setText(argv[2]);
    window.findChild<QLineEdit*>("Edit7")->setText(vantaro::DefaultMp3Title);
    const vantaro::LinkListModel* model =
        window.findChild<vantaro::LinkListGrid*>("StringGrid1")->listModel();

    QElapsedTimer sinceTurn;
    qint64 longestGapNs = 0;
    QTimer turns;
    turns.setTimerType(Qt::PreciseTimer);
    turns.setInterval(1);
    QObject::connect(&turns, &QTimer::timeout, [&] {
        longestGapNs = std::max(longestGapNs, sinceTurn.nsecsElapsed());
        sinceTurn.restart();
    });
    sinceTurn.start();
    turns.start();
    QTimer::singleShot(IdleReferenceMs, [] { QCoreApplication::quit(); });
    QApplication::exec();
    const qint64 idleGapNs = longestGapNs;

    // From the add command to the last row shown by the grid's model, the best of a few rounds;
    // the stall is the longest of all rounds.
    QTimer shown;
    shown.setTimerType(Qt::PreciseTimer);
    shown.setInterval(1);
    QElapsedTimer clock;
    double totalSeconds = 1e9;
    QObject::connect(&shown, &QTimer::timeout, [&] {
        if (model->rowCount() > static_cast<int>(entries)) {
            totalSeconds = std::min(totalSeconds, static_cast<double>(clock.nsecsElapsed()) / 1e9);
            QCoreApplication::quit();
        }
    });
    longestGapNs = 0;
    int rows = 0;
    for (int round = 0; round < Rounds; ++round) {
        window.linkList().reset();
        clock.start();
        sinceTurn.restart();
        window.addToList();
        shown.start();
        QApplication::exec();
        shown.stop();
        rows = window.linkList().entryCount();
    }

    window.flushKeptList();
    const std::size_t kept = vantaro::readKeptList(keptPath, 0).rows.size();

    const auto stallMs = [](qint64 gapNs) {
        return std::max(0.0, static_cast<double>(gapNs) / 1e6 - 1.0);
    };
    std::printf(
        "rows=%d kept=%zu entries=%zu total_s=%.3f ytdlp_s=%.3f ours_s=%.3f reading_ms=%.2f "
        "max_stall_ms=%.2f idle_stall_ms=%.2f\n",
        rows, kept, entries, totalSeconds, ytDlpSeconds, totalSeconds - ytDlpSeconds,
        readingSeconds * 1e3, stallMs(longestGapNs), stallMs(idleGapNs));
    return rows == static_cast<int>(entries) && kept == entries && entries > 0 ? 0 : 1;
}
