// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the host of the download worker, the download and list commands and the
// PSP conversion.
#include "app/Unit1.h"

#include "app/CaptureStrip.h"
#include "app/DesktopServices.h"
#include "app/QtText.h"
#include "app/Unit3.h"

#include "core/ProgramFolder.h"
#include "ui_Unit1.h"

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
template <typename Work> auto TForm1::onUiThread(Work&& work) -> decltype(work()) {
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

bool TForm1::showMessage(MessageKind kind, const std::string& message, const std::string& caption) {
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

void TForm1::setStatus(const std::string& status) {
    onUiThread([&] { m_ui->StatusBar1->setText(text(status)); });
}

void TForm1::showProgress() {
    const BarScale scale = barScale(m_progressMax, m_progressPosition);
    QProgressBar* bar = m_ui->ProgressBar1;
    const int top = std::max(scale.maximum, 1);
    // A value beyond the new range would empty the bar for a moment: it comes down first.
    if (bar->value() > top)
        bar->setValue(std::min(scale.position, bar->maximum()));
    bar->setRange(0, top);
    bar->setValue(scale.position);
}

void TForm1::setProgressMax(std::int64_t maximum) {
    onUiThread([&] {
        m_progressMax = maximum;
        m_progressPosition = std::min(m_progressPosition, std::max<std::int64_t>(maximum, 0));
        showProgress();
        m_desktopServices->progressMaximum(maximum);
    });
}

void TForm1::setProgressPosition(std::int64_t position) {
    onUiThread([&] {
        m_progressPosition =
            std::clamp<std::int64_t>(position, 0, std::max<std::int64_t>(m_progressMax, 0));
        showProgress();
        m_desktopServices->progressPosition(position);
    });
}

std::int64_t TForm1::progressPosition() {
    return onUiThread([&] { return m_progressPosition; });
}

std::int64_t TForm1::progressMax() {
    return onUiThread([&] { return m_progressMax; });
}

void TForm1::setControlEnabled(WorkerControl control, bool enabled) {
    onUiThread([&] {
        QWidget* widget = nullptr;
        switch (control) {
        case WorkerControl::Button4:
            widget = m_ui->Button4;
            break;
        case WorkerControl::Button5:
            widget = m_ui->Button5;
            break;
        case WorkerControl::Button6:
            widget = m_ui->Button6;
            break;
        case WorkerControl::Button7:
            widget = m_ui->Button7;
            break;
        case WorkerControl::StringGrid1:
            widget = m_ui->StringGrid1;
            break;
        }
        widget->setEnabled(enabled);
    });
}

void TForm1::appendLog(const std::string& line) {
    onUiThread([&] { m_capture->addLogLine(line); });
}

int TForm1::listRowCount() {
    return onUiThread([&] { return m_ui->StringGrid1->listRowCount(); });
}

ListRowTexts TForm1::readListRow(int row) {
    return onUiThread([&] { return m_ui->StringGrid1->readListRow(row); });
}

void TForm1::deleteFirstListRow() {
    onUiThread([&] { m_ui->StringGrid1->deleteFirstListRow(); });
}

void TForm1::scrollListToTop() {
    onUiThread([&] { m_ui->StringGrid1->scrollListToTop(); });
}

void TForm1::restoreMainWindow() {
    onUiThread([&] {
        if (m_closing)
            return; // a window being left is not shown again
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
    });
}

void TForm1::conversionStarted() {
    onUiThread([&] { m_desktopServices->conversionStarted(); });
}

void TForm1::workEnded(const WorkSummary& summary) {
    onUiThread([&] {
        if (!m_closing)
            m_desktopServices->workEnded(summary);
    });
}

bool TForm1::workerRunning() const {
    return m_worker.workerRunning();
}

void TForm1::startWorker(const DownloadJob& job) {
    m_desktopServices->workStarted();
    m_worker.startWorker(job);
}

void TForm1::storeSingleDownload(const std::string& fileName, const std::string& pathName) {
    m_preferences.storeSingleDownload(fileName, pathName);
}

void TForm1::storeList(const std::string& pathName) {
    m_preferences.storeList(pathName);
}

void TForm1::AppendListEntry(const std::string& formatName, const std::string& folder,
                             const std::string& fileName, const std::string& mp3Title,
                             const std::string& link) {
    m_list.AppendListEntry(formatName, folder, fileName, mp3Title, link);
}

void TForm1::setReading(bool reading) {
    m_ui->Image22->setEnabled(!reading);
    m_ui->Button8->setEnabled(!reading);
    if (m_addDialog)
        m_addDialog->setAddEnabled(!reading);
    m_ui->Button5->setEnabled(reading || workerRunning());
}

void TForm1::showAddedRows() {
    m_ui->StringGrid1->listModel()->publishAppendedRows();
}

bool TForm1::directoryExists(const std::string& path) {
    return isExistingDirectory(path);
}

bool TForm1::fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

void TForm1::deleteFile(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec); // a failed deletion is not reported
}

void TForm1::setFileNameField(const std::string& name) {
    m_ui->Edit3->setText(text(name));
}

std::string TForm1::chooseListFile() {
    if (!m_droppedListFile.empty())
        return m_droppedListFile;
    return m_shell->chooseFile(this, "*.txt (*.txt)");
}

void TForm1::processPendingEvents() {
    QCoreApplication::processEvents();
    if (m_closing)
        throw WindowClosing{};
}

void TForm1::enableButton7() {
    m_ui->Button7->setEnabled(true);
}

std::string TForm1::sourceText() {
    return m_ui->Edit1->text().toStdString();
}

void TForm1::setSourceText(const std::string& source) {
    m_ui->Edit1->setText(text(source));
}

std::string TForm1::chooseFile(const std::string& filterText) {
    return m_shell->chooseFile(this, filterText);
}

std::string TForm1::chooseFolder(const std::string& caption) {
    return m_shell->chooseFolder(this, caption, {});
}

void TForm1::restoreWaveVolume() {
    m_capture->restoreWaveVolume();
}

} // namespace vantaro
