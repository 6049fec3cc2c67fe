// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LinkListModel.h"
#include "app/MainWindow.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "engine/sources/MediaSource.h"
#include "ui_MainWindow.h"

#include <QMetaObject>
#include <QTimer>

#include <ctime>

namespace vantaro {
namespace {

// The columns of a kept row, as the list holds them.
enum KeptColumn { Format = 1, Folder = 2, FileName = 3, Mp3Title = 4, Link = 5 };

// A file name read back from the kept list names a file inside its folder, nothing else.
bool plainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

// The temporary files an earlier run left for the row it was working on. Only the job's own
// names go, inside a folder that exists, and never a folder of those names.
void removeLeftTemporaryFiles(const KeptRow& row) {
    const std::string& folder = row.columns[Folder];
    const std::string& fileName = row.columns[FileName];
    if (row.columns[Link].empty() || folder.empty() || folder.front() != '/' ||
        !plainFileName(fileName) || !isExistingDirectory(folder))
        return;
    const JobFiles files(folder, fileName);
    removeJobFile(files.pageFile);
    removeJobFile(files.downloadFile);
}

} // namespace

bool MainWindow::keepList(const std::string& path) {
    if (m_keptWriter || path.empty())
        return false;
    auto lock = std::make_unique<KeptListLock>(path);
    if (lock->takenElsewhere())
        return false; // another program keeps this list
    m_keptLock = std::move(lock);
    const KeptListRead read = readKeptList(path, std::time(nullptr));
    // The failure is told on the writer's thread; the window hears of it on its own.
    m_keptWriter = std::make_unique<KeptListWriter>(path, [this](const std::string& reason) {
        QMetaObject::invokeMethod(
            this, [this, reason] { keptListFailed(reason); }, Qt::QueuedConnection);
    });
    connect(m_ui->StringGrid1->listModel(), &LinkListModel::listChanged, this,
            &MainWindow::scheduleKeptSnapshot);
    const Language language = m_runContext.language();
    if (read.outcome == KeptListRead::Outcome::Unreadable) {
        setStatus(pickText(language, "La liste gardée était illisible ; elle a été mise de côté : ",
                           "The kept list could not be read; it was moved to ") +
                  read.movedTo);
    } else if (!read.rows.empty()) {
        restoreKeptRows(read.rows);
        const std::string count = std::to_string(read.rows.size());
        setStatus(count + pickText(language, " liens repris", " links restored"));
    }
    return true;
}

// The rows come back as a loaded list's rows do; a row an earlier run was working on comes back
// waiting, its temporary files gone, so that its download starts from the beginning.
void MainWindow::restoreKeptRows(const std::vector<KeptRow>& rows) {
    for (const KeptRow& row : rows) {
        if (row.inProgress)
            removeLeftTemporaryFiles(row);
        const auto& c = row.columns;
        m_list.appendListEntry(c[Format], c[Folder], c[FileName], c[Mp3Title], c[Link]);
    }
    showAddedRows();
    listReady();
}

// Any number of changes in one pass of the event loop make one snapshot.
void MainWindow::scheduleKeptSnapshot() {
    if (!m_keptWriter || m_keptSnapshotDue)
        return;
    m_keptSnapshotDue = true;
    QTimer::singleShot(0, this, [this] { submitKeptSnapshot(); });
}

// The rows as they are now; row 1 is marked while the list download works on it.
void MainWindow::submitKeptSnapshot() {
    if (!m_keptWriter || !m_keptSnapshotDue)
        return;
    m_keptSnapshotDue = false;
    std::vector<KeptRow> rows;
    rows.reserve(static_cast<std::size_t>(m_list.entryCount()));
    const bool running = m_runContext.listRunning();
    for (int row = 1; row <= m_list.entryCount(); ++row)
        rows.push_back(KeptRow{m_list.cells(row), running && row == 1});
    m_keptWriter->submit(std::move(rows));
}

void MainWindow::flushKeptList() {
    if (!m_keptWriter)
        return;
    submitKeptSnapshot();
    m_keptWriter->flush();
}

void MainWindow::keptListFailed(const std::string& reason) {
    if (m_keptFailureShown || m_closing)
        return;
    m_keptFailureShown = true;
    setStatus(pickText(m_runContext.language(),
                       "La liste ne sera pas gardée : ", "The list will not be kept: ") +
              reason);
}

} // namespace vantaro
