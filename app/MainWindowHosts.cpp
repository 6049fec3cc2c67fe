// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the host of the download worker, the download and list commands and the
// PSP conversion.
#include "app/MainWindow.h"

#include "app/AddLinkDialog.h"
#include "app/CaptureStrip.h"
#include "app/DesktopServices.h"
#include "app/QtText.h"

#include "core/ProgramFolder.h"
#include "ui_MainWindow.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QThread>

#include <exception>
#include <filesystem>
#include <limits>
#include <type_traits>

namespace vantaro {

namespace {

// The bar's range is an int: a larger count is shown on a range of the same fraction.
struct BarScale {
    int maximum;
    int position;
};

BarScale barScale(std::int64_t maximum, std::int64_t position) {
    constexpr std::int64_t IntMax = std::numeric_limits<int>::max();
    const std::int64_t top = std::max<std::int64_t>(maximum, 0);
    const std::int64_t at = std::clamp<std::int64_t>(position, 0, top);
    if (top <= IntMax)
        return {static_cast<int>(top), static_cast<int>(at)};
    const long double fraction = static_cast<long double>(at) / static_cast<long double>(top);
    return {static_cast<int>(IntMax),
            static_cast<int>(fraction * static_cast<long double>(IntMax))};
}

} // namespace

// The hand-over: runs the work on the user-interface thread and returns its result; the calling
// thread waits meanwhile. An exception of the work reaches the caller.
template <typename Work> auto MainWindow::onUiThread(Work&& work) -> decltype(work()) {
    using Result = decltype(work());
    if (QThread::currentThread() == thread())
        return work();
    std::exception_ptr failure;
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(
            this,
            [&] {
                try {
                    work();
                } catch (...) {
                    failure = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        if (failure)
            std::rethrow_exception(failure);
    } else {
        Result result{};
        QMetaObject::invokeMethod(
            this,
            [&] {
                try {
                    result = work();
                } catch (...) {
                    failure = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        if (failure)
            std::rethrow_exception(failure);
        return result;
    }
}

bool MainWindow::showMessage(MessageKind kind, const std::string& message,
                             const std::string& caption) {
    const bool fromWorker = QThread::currentThread() != thread();
    return onUiThread([&] {
        if (fromWorker)
            m_desktopServices->workerMessage(message);
        // Once the window is closing no box opens: the program must be able to end.
        if (m_closing)
            return kind != MessageKind::Confirmation;
        ++m_openBoxes;
        const bool answer = m_presenter->showMessage(kind, message, caption);
        --m_openBoxes;
        return answer;
    });
}

void MainWindow::setStatus(const std::string& status) {
    onUiThread([&] { m_ui->StatusBar1->setText(text(status)); });
}

void MainWindow::showProgress() {
    const BarScale scale = barScale(m_progressMax, m_progressPosition);
    QProgressBar* bar = m_ui->ProgressBar1;
    const int top = std::max(scale.maximum, 1);
    // A value beyond the new range would empty the bar for a moment: it comes down first.
    if (bar->value() > top)
        bar->setValue(std::min(scale.position, bar->maximum()));
    bar->setRange(0, top);
    bar->setValue(scale.position);
}

void MainWindow::setProgressMax(std::int64_t maximum) {
    onUiThread([&] {
        m_progressMax = maximum;
        m_progressPosition = std::min(m_progressPosition, std::max<std::int64_t>(maximum, 0));
        showProgress();
        m_desktopServices->progressMaximum(maximum);
    });
}

void MainWindow::setProgressPosition(std::int64_t position) {
    onUiThread([&] {
        m_progressPosition =
            std::clamp<std::int64_t>(position, 0, std::max<std::int64_t>(m_progressMax, 0));
        showProgress();
        m_desktopServices->progressPosition(position);
    });
}

std::int64_t MainWindow::progressPosition() {
    return onUiThread([&] { return m_progressPosition; });
}

std::int64_t MainWindow::progressMax() {
    return onUiThread([&] { return m_progressMax; });
}

void MainWindow::appendLog(const std::string& line) {
    onUiThread([&] { m_capture->addLogLine(line); });
}

int MainWindow::listSize() {
    // The grid's rows besides the entries: its header and its empty last row.
    return onUiThread([&] { return m_ui->StringGrid1->listRowCount() - 2; });
}

ListRowTexts MainWindow::readListRow(int row) {
    return onUiThread([&] { return m_ui->StringGrid1->readListRow(row); });
}

void MainWindow::deleteFirstListRow() {
    onUiThread([&] { m_ui->StringGrid1->deleteFirstListRow(); });
}

void MainWindow::restoreMainWindow() {
    onUiThread([&] {
        if (m_closing)
            return; // a window being left is not shown again
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
    });
}

// While a run goes on, the controls that start another are off and Stop is on; the list cannot
// be changed while one of its entries is carried out.
void MainWindow::workStarted(WorkMode mode) {
    onUiThread([&] {
        m_ui->Button5->setEnabled(true);
        if (mode == WorkMode::Single) {
            m_ui->Button4->setEnabled(false);
        } else if (mode == WorkMode::List) {
            m_ui->StringGrid1->scrollListToTop();
            m_ui->Button7->setEnabled(false);
            m_ui->Button6->setEnabled(false);
        }
    });
}

void MainWindow::rowTaken() {
    onUiThread([&] {
        m_ui->StringGrid1->setEnabled(false);
        scheduleKeptSnapshot(); // row 1 is now the one in progress
    });
}

void MainWindow::rowDone() {
    onUiThread([&] { m_ui->StringGrid1->setEnabled(true); });
}

// Stop stays on after a single link that went through.
void MainWindow::linkDone() {
    onUiThread([&] { m_ui->Button4->setEnabled(true); });
}

void MainWindow::stopCleanedUp(WorkMode mode) {
    onUiThread([&] {
        if (mode == WorkMode::List) {
            m_ui->StringGrid1->setEnabled(true);
            m_ui->Button7->setEnabled(true);
            m_ui->Button6->setEnabled(true);
        } else {
            m_ui->Button4->setEnabled(true);
        }
        m_ui->Button5->setEnabled(false);
        scheduleKeptSnapshot();
    });
}

// Stop stays on: the stop request is still pending for the next start.
void MainWindow::listStoppedBetweenRows() {
    onUiThread([&] {
        m_ui->StringGrid1->setEnabled(true);
        m_ui->Button7->setEnabled(true);
        m_ui->Button6->setEnabled(true);
        scheduleKeptSnapshot();
    });
}

void MainWindow::listEnded() {
    onUiThread([&] {
        m_ui->Button7->setEnabled(true);
        m_ui->Button6->setEnabled(true);
        m_ui->StringGrid1->setEnabled(true);
        m_ui->Button5->setEnabled(false);
        scheduleKeptSnapshot();
    });
}

void MainWindow::conversionStarted() {
    onUiThread([&] { m_desktopServices->conversionStarted(); });
}

void MainWindow::workEnded(const WorkSummary& summary) {
    onUiThread([&] {
        // The run is over, whatever ended it: no row is in progress any more.
        scheduleKeptSnapshot();
        if (!m_closing)
            m_desktopServices->workEnded(summary);
    });
}

bool MainWindow::workerRunning() const {
    return m_worker.workerRunning();
}

void MainWindow::startWorker(const DownloadJob& job) {
    m_desktopServices->workStarted();
    m_worker.startWorker(job);
}

void MainWindow::storeSingleDownload(const std::string& fileName, const std::string& pathName) {
    m_preferences.storeSingleDownload(fileName, pathName);
}

void MainWindow::storeList(const std::string& pathName) {
    m_preferences.storeList(pathName);
}

void MainWindow::appendListEntry(const std::string& formatName, const std::string& folder,
                                 const std::string& fileName, const std::string& mp3Title,
                                 const std::string& link) {
    m_list.appendListEntry(formatName, folder, fileName, mp3Title, link);
}

void MainWindow::setReading(bool reading) {
    m_ui->Image22->setEnabled(!reading);
    m_ui->Button8->setEnabled(!reading);
    if (m_addDialog)
        m_addDialog->setAddEnabled(!reading);
    m_ui->Button5->setEnabled(reading || workerRunning());
}

void MainWindow::showAddedRows() {
    m_ui->StringGrid1->listModel()->publishAppendedRows();
}

bool MainWindow::directoryExists(const std::string& path) {
    return isExistingDirectory(path);
}

bool MainWindow::fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

void MainWindow::deleteFile(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec); // a failed deletion is not reported
}

void MainWindow::setFileNameField(const std::string& name) {
    m_ui->Edit3->setText(text(name));
}

std::string MainWindow::chooseListFile() {
    if (!m_droppedListFile.empty())
        return m_droppedListFile;
    return m_shell->chooseFile(this, "*.txt (*.txt)");
}

void MainWindow::processPendingEvents() {
    QCoreApplication::processEvents();
    if (m_closing)
        throw WindowClosing{};
}

void MainWindow::listReady() {
    m_ui->Button7->setEnabled(true);
}

std::string MainWindow::sourceText() {
    return m_ui->Edit1->text().toStdString();
}

void MainWindow::setSourceText(const std::string& source) {
    m_ui->Edit1->setText(text(source));
}

std::string MainWindow::chooseFile(const std::string& filterText) {
    return m_shell->chooseFile(this, filterText);
}

std::string MainWindow::chooseFolder(const std::string& caption) {
    return m_shell->chooseFolder(this, caption, {});
}

// The controls that start work come back at once; the worker ends on its own.
void MainWindow::workStopping() {
    m_ui->Button7->setEnabled(true);
    m_ui->Button6->setEnabled(true);
    m_ui->Button5->setEnabled(false);
}

void MainWindow::restoreWaveVolume() {
    m_capture->restoreWaveVolume();
}

} // namespace vantaro
