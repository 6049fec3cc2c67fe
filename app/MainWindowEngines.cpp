// SPDX-License-Identifier: GPL-3.0-or-later
// The main window and the program's own engines: the Help menu's update of yt-dlp and the quiet
// start-up check for newer releases. Both run off the window's thread and come back to it with
// queued calls; the window is their only reader.
#include "app/MainWindow.h"

#include "app/DesktopServices.h"
#include "app/QtText.h"
#include "core/ProgramFolder.h"
#include "ui_MainWindow.h"

#include <QAction>

#include <atomic>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace vantaro {

namespace {

const char* const DownloadRunsFr =
    "Un téléchargement est en cours : attendez sa fin ou arrêtez-le avant de mettre à jour yt-dlp.";
const char* const DownloadRunsEn =
    "A download is running: wait for it to end or stop it before updating yt-dlp.";
const char* const UpdateRunsFr =
    "La mise à jour de yt-dlp est en cours : attendez sa fin ou arrêtez-la avec Stop.";
const char* const UpdateRunsEn = "yt-dlp is being updated: wait for it to end or press Stop.";
const char* const LookingFr = "Mise à jour de yt-dlp : recherche de la dernière version...";
const char* const LookingEn = "Updating yt-dlp: looking for the latest release...";
const char* const NewerFr = "Une nouvelle version est disponible (%s) : menu Aide, "
                            "« Mettre à jour yt-dlp ».";
const char* const NewerEn = "A newer release is available (%s): Help menu, \"Update yt-dlp\".";

// The byte counts sent to the window: about one per percent, and the last one.
constexpr int ProgressSteps = 100;
constexpr std::int64_t UnknownSizeStep = 64 * 1024;

std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

std::string withValue(const char* pattern, const std::string& value) {
    std::string text = pattern;
    text.replace(text.find("%s"), 2, value);
    return text;
}

bool ownDenoPresent(const std::string& enginesFolder) {
    const std::string path = enginesFolder + engineFileName(Engine::Deno);
    return !enginesFolder.empty() && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

bool MainWindow::refusedDuringEngineUpdate() {
    if (!m_engineUpdating)
        return false;
    showMessage(MessageKind::Plain, m_runContext.pickText(UpdateRunsFr, UpdateRunsEn));
    return true;
}

// While the update runs the download commands and the menu entry are off and Stop is on.
void MainWindow::setEngineUpdateControls(bool updating) {
    m_updateAction->setEnabled(!updating);
    m_ui->Button4->setEnabled(!updating);
    m_ui->Button7->setEnabled(!updating);
    if (updating) {
        m_stopWasOn = m_ui->Button5->isEnabled();
        m_ui->Button5->setEnabled(true);
    } else {
        m_ui->Button5->setEnabled(m_stopWasOn);
    }
}

void MainWindow::updateYtDlp() {
    if (m_engineUpdating || m_closing)
        return;
    if (workerRunning()) {
        showMessage(MessageKind::Plain, m_runContext.pickText(DownloadRunsFr, DownloadRunsEn));
        return;
    }
    m_engineCheck.stop();
    const UpdateSettings settings = updateSettingsFor(
        runningProgramFolder(), m_preferences.releasesLocation(), m_runContext.language());
    m_engineUpdating = true;
    setEngineUpdateControls(true);
    m_desktopServices->workStarted();
    setStatus(m_runContext.pickText(LookingFr, LookingEn));
    setProgressMax(100);
    setProgressPosition(0);
    m_engineUpdate.start([this, settings](const std::atomic<bool>& stop) {
        const EngineUpdater updater(settings);
        bool ok = false;
        bool stopped = false;
        std::string message =
            runEngineUpdate(updater, Engine::YtDlp, settings.language, stop, ok, stopped);
        // deno too when yt-dlp would have no JavaScript runtime, or would run the own deno.
        if (ok && !stop) {
            const JsRuntime runtime =
                chooseJsRuntime(settings.enginesFolder, settings.pathValue, &stop);
            if (!stop &&
                (runtime.name.empty() || runtime.path == updater.installedPath(Engine::Deno)))
                message += "\n" + runEngineUpdate(updater, Engine::Deno, settings.language, stop,
                                                  ok, stopped);
        }
        QMetaObject::invokeMethod(
            this, [this, message, ok, stopped] { engineUpdateEnded(message, ok, stopped); },
            Qt::QueuedConnection);
    });
}

std::string MainWindow::runEngineUpdate(const EngineUpdater& updater, Engine engine,
                                        Language language, const std::atomic<bool>& stop, bool& ok,
                                        bool& stopped) {
    const std::string name = engineFileName(engine);
    const bool english = language == Language::English;
    const std::string downloading = english ? "Updating " + name + ": downloading..."
                                            : "Mise à jour de " + name + " : téléchargement...";
    const std::string checking = english ? "Updating " + name + ": checking the new copy..."
                                         : "Mise à jour de " + name + " : vérification...";
    std::int64_t sent = -1;
    std::int64_t shownTotal = -1;
    // At most one step between the first and the last waits for the window at a time: bytes
    // arriving faster than the window takes them must not pile up into one long turn of its loop.
    const auto stepQueued = std::make_shared<std::atomic<bool>>(false);
    const auto progress = [&](std::int64_t bytes, std::int64_t total) {
        const std::int64_t step =
            total > 0 ? std::max<std::int64_t>(total / ProgressSteps, 1) : UnknownSizeStep;
        // A new file (the checksum list, then the engine) starts the bar again.
        const bool first = total != shownTotal;
        const bool last = total > 0 && bytes >= total;
        const bool between = !first && !last;
        if (between && (bytes - sent < step || stepQueued->exchange(true)))
            return;
        sent = bytes;
        shownTotal = total;
        const std::string status = last ? checking : downloading;
        QMetaObject::invokeMethod(
            this,
            [this, bytes, total, status, first, last, between, stepQueued] {
                if (between)
                    *stepQueued = false;
                if (first || last)
                    setStatus(status);
                if (first)
                    setProgressMax(std::max<std::int64_t>(total, 0));
                setProgressPosition(bytes);
            },
            Qt::QueuedConnection);
    };
    const UpdateResult result = updater.update(engine, progress, stop);
    ok = result.ok();
    stopped = result.failure == UpdateFailure::Stopped;
    return result.message;
}

void MainWindow::engineUpdateEnded(const std::string& message, bool ok, bool stopped) {
    m_engineUpdating = false;
    setEngineUpdateControls(false);
    setStatus(oneLine(message));
    if (!stopped && !m_closing)
        showMessage(ok ? MessageKind::Plain : MessageKind::Error, message);
}

// At most once a day, the release pages are asked about the copies the program owns; a newer
// release is only told on the status bar: nothing is downloaded without the user.
void MainWindow::startEngineCheck() {
    if (!m_preferences.engineChecksAllowed())
        return;
    const std::string dayFile = engineCheckDayFile();
    const std::string resolverProgram = m_preferences.ytDlpProgram();
    const UpdateSettings settings = updateSettingsFor(
        runningProgramFolder(), m_preferences.releasesLocation(), m_runContext.language());
    const char* pattern = m_runContext.pickText(NewerFr, NewerEn);
    m_engineCheck.start(
        [this, dayFile, resolverProgram, settings, pattern](const std::atomic<bool>& stop) {
            StartupCheckFacts facts;
            facts.ytDlpOrigin =
                chooseYtDlp(resolverProgram, settings.enginesFolder, settings.pathValue).origin;
            facts.ownDeno = ownDenoPresent(settings.enginesFolder);
            facts.lastCheck = readCheckDay(dayFile);
            facts.today = today();
            const std::vector<Engine> engines = enginesToCheck(facts);
            if (engines.empty() || dayFile.empty())
                return;
            const EngineUpdater updater(settings);
            std::string newer;
            bool answered = false;
            for (const Engine engine : engines) {
                const ReleaseCheck check = updater.check(engine, stop);
                if (stop)
                    return;
                answered = answered || check.failure == UpdateFailure::None;
                if (check.failure == UpdateFailure::None && check.newer)
                    newer += (newer.empty() ? "" : ", ") + std::string(engineFileName(engine)) +
                             " " + check.latest;
            }
            if (answered)
                writeCheckDay(dayFile, facts.today);
            if (newer.empty())
                return;
            const std::string status = withValue(pattern, newer);
            QMetaObject::invokeMethod(
                this,
                [this, status] {
                    if (!m_engineUpdating && !workerRunning())
                        setStatus(status);
                },
                Qt::QueuedConnection);
        });
}

} // namespace vantaro
