// SPDX-License-Identifier: GPL-3.0-or-later
// The window's longest event-loop stall while its Help menu updates a 3 MiB yt-dlp from a release
// page on loopback. A 1 ms timer notes the gap between the loop's turns, as in window_stall.cpp;
// the idle loop watched beforehand is the machine's own reference. Engines, state and settings
// live in a temporary folder.
// Usage: bench_engine_update_stall

#include "app/MainWindow.h"
#include "core/ProgramFolder.h"
#include "update/ReleaseBench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

using namespace vantaro;
namespace fs = std::filesystem;

constexpr const char* Tag = "2025.12.08";
constexpr std::size_t EngineBytes = 3 * 1024 * 1024;
constexpr int IdleReferenceMs = 1000;

class PrintingPresenter : public MessagePresenter {
public:
    bool showMessage(MessageKind, const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return true;
    }
};

} // namespace

int main(int argc, char** argv) {
    testing::TempFolder work("bench-engine-update-stall");
    const std::string program = work.file("program/");
    fs::create_directories(program + "keys");
    fs::create_directories(work.file("data/vantaro/engines"));
    fs::create_directories(work.file("bin"));
    ::setenv("XDG_DATA_HOME", work.file("data").c_str(), 1);
    ::setenv("XDG_STATE_HOME", work.file("state").c_str(), 1);
    // A deno on PATH: only yt-dlp is updated.
    testing::writeWholeFile(work.file("bin/deno"), "#!/bin/sh\necho 'deno 2.5.6 (stable)'\n");
    fs::permissions(work.file("bin/deno"), fs::perms(0755));
    ::setenv("PATH", (work.file("bin") + ":" + std::getenv("PATH")).c_str(), 1);
    const std::string own = work.file("data/vantaro/engines/yt-dlp");
    testing::writeWholeFile(own, "#!/bin/sh\necho 2025.01.01\n");
    fs::permissions(own, fs::perms(0755));

    testing::SigningKey key("bench");
    key.exportKeyring(program + "keys/yt-dlp-release-key.gpg");
    testing::ScriptedHttpServer server(testing::ytDlpReleasePlan(
        work.path(), key, Tag, testing::makeZipapp(work.path(), Tag, EngineBytes)));
    testing::writeWholeFile(program + "applicationUserPreferences.ini",
                            "[Resolver]\nreleases=" + server.url("") + "\nupdate=0\n");
    setProgramFolder(program);

    QApplication application(argc, argv);
    PrintingPresenter presenter;
    MainWindow window("127.0.0.1:9");
    window.setMessagePresenter(&presenter);
    window.show();

    QElapsedTimer sinceTurn;
    qint64 longestGapNs = 0;
    QTimer turns;
    turns.setTimerType(Qt::PreciseTimer);
    turns.setInterval(1);
    // What the status bar said when the longest stall ended: the step it fell in.
    auto* status = window.findChild<QLabel*>("StatusBar1");
    QString stallStep;
    QObject::connect(&turns, &QTimer::timeout, [&] {
        const qint64 gap = sinceTurn.nsecsElapsed();
        sinceTurn.restart();
        if (gap > longestGapNs) {
            longestGapNs = gap;
            stallStep = status->text();
        }
    });
    sinceTurn.start();
    turns.start();
    // A loop of its own: quitting the application's would close the window.
    QEventLoop loop;
    QTimer::singleShot(IdleReferenceMs, &loop, &QEventLoop::quit);
    loop.exec();
    const qint64 idleGapNs = longestGapNs;
    longestGapNs = 0;

    QTimer end;
    end.setInterval(10);
    QObject::connect(&end, &QTimer::timeout, [&] {
        if (!window.engineUpdateRunning())
            loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    window.updateYtDlp();
    end.start();
    loop.exec();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (testing::readWholeFile(own).size() < EngineBytes) {
        std::fprintf(stderr, "the update did not install the new copy\n");
        return 1;
    }
    // The timer's own period is not a stall.
    const double stallMs = static_cast<double>(std::max<qint64>(longestGapNs - 1'000'000, 0)) / 1e6;
    const double idleMs = static_cast<double>(std::max<qint64>(idleGapNs - 1'000'000, 0)) / 1e6;
    std::fprintf(stderr, "longest stall ended at: %s\n", stallStep.toUtf8().constData());
    std::printf("engine update through the window: %.3f s, longest stall=%.2f ms, idle=%.2f ms\n",
                seconds, stallMs, idleMs);
    return 0;
}
