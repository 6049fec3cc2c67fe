// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/LinkList.h"

#include "core/Language.h"

#include <algorithm>
#include <stdexcept>

namespace vantaro {
namespace {
const ListRow EmptyRow{};
} // namespace

ListRow listHeaderTexts(Language language) {
    return {"",
            pickText(language, " Format souhaité", " Format"),
            " Destination",
            pickText(language, " Nom de fichier", " File Name"),
            pickText(language, " Titre MP3", " MP3 Title"),
            pickText(language, " Source Internet", " Internet URL")};
}

LinkList::LinkList(Language language) : m_header(listHeaderTexts(language)) {}

LinkList::~LinkList() {
    if (m_observer) {
        m_observer->m_observed = nullptr;
        m_observer->listDestroyed();
    }
}

LinkListObserver::~LinkListObserver() {
    if (m_observed)
        m_observed->m_observer = nullptr;
}

void LinkList::setObserver(LinkListObserver* observer) {
    if (m_observer)
        m_observer->m_observed = nullptr;
    if (observer && observer->m_observed && observer->m_observed != this)
        observer->m_observed->m_observer = nullptr;
    m_observer = observer;
    if (m_observer)
        m_observer->m_observed = this;
}

const ListRow& LinkList::cells(int row) const {
    if (row == 0)
        return m_header;
    if (isEntryRow(row))
        return m_entries[static_cast<std::size_t>(row - 1)].cells;
    if (row == rowCount() - 1)
        return EmptyRow;
    throw std::out_of_range("link list row " + std::to_string(row) + " does not exist");
}

const std::string& LinkList::cell(int row, int column) const {
    return cells(row).at(static_cast<std::size_t>(column));
}

DownloadJob LinkList::entry(int row) const {
    if (!isEntryRow(row))
        throw std::out_of_range("link list row " + std::to_string(row) + " is not an entry");
    const ListRow& c = cells(row);
    return DownloadJob{c[5], c[2], c[3], c[1], c[4]};
}

std::uint64_t LinkList::entryId(int row) const {
    return isEntryRow(row) ? m_entries[static_cast<std::size_t>(row - 1)].id : 0;
}

int LinkList::rowOfEntry(std::uint64_t id) const {
    // Entries keep their order and their numbers only grow, so the list is sorted by number.
    const auto found =
        std::lower_bound(m_entries.begin(), m_entries.end(), id,
                         [](const Entry& e, std::uint64_t value) { return e.id < value; });
    if (id == 0 || found == m_entries.end() || found->id != id)
        return 0;
    return static_cast<int>(found - m_entries.begin()) + 1;
}

void LinkList::applyLanguage(Language language) {
    m_header = listHeaderTexts(language);
    if (m_observer)
        m_observer->headerChanged();
}

void LinkList::appendListEntry(const std::string& formatName, const std::string& folder,
                               const std::string& fileName, const std::string& mp3Title,
                               const std::string& link) {
    // The empty last row receives the texts, then a new empty row is added below it: the row
    // numbers of the rows above, the selected one included, do not change.
    m_entries.push_back(
        Entry{m_nextId++, ListRow{"", formatName, folder, fileName, mp3Title, link}});
    if (m_observer)
        m_observer->rowAppended(entryCount());
}

bool LinkList::replaceEntry(int row, const DownloadJob& job) {
    if (!isEntryRow(row))
        return false;
    ListRow& cells = m_entries[static_cast<std::size_t>(row - 1)].cells;
    cells = ListRow{};
    cells[1] = job.formatName;
    cells[2] = job.destinationPathName;
    cells[3] = job.destinationFileName;
    cells[4] = job.mp3Title;
    cells[5] = job.videoUrl;
    if (m_observer)
        m_observer->rowChanged(row);
    return true;
}

bool LinkList::deleteRow(int row) {
    if (!isEntryRow(row))
        return false;
    if (m_observer)
        m_observer->rowsAboutToBeRemoved(row, row);
    m_entries.erase(m_entries.begin() + (row - 1));
    if (m_observer)
        m_observer->rowsRemoved();
    resyncSelection();
    return true;
}

void LinkList::deleteFirstEntry() {
    if (!m_entries.empty()) {
        if (m_observer)
            m_observer->rowsAboutToBeRemoved(1, 1);
        m_entries.erase(m_entries.begin());
        if (m_observer)
            m_observer->rowsRemoved();
    }
    m_selectedRow = 1;
    if (m_observer)
        m_observer->selectedRowChanged(m_selectedRow);
}

void LinkList::deleteEntriesFrom(int firstRow) {
    firstRow = std::max(firstRow, 1);
    if (firstRow > entryCount())
        return;
    if (m_observer)
        m_observer->rowsAboutToBeRemoved(firstRow, entryCount());
    m_entries.erase(m_entries.begin() + (firstRow - 1), m_entries.end());
    if (m_observer)
        m_observer->rowsRemoved();
    resyncSelection();
}

void LinkList::reset() {
    deleteEntriesFrom(1);
    setSelectedRow(1);
}

void LinkList::setSelectedRow(int row) {
    const int held = std::clamp(row, 0, rowCount() - 1);
    if (held == m_selectedRow)
        return;
    m_selectedRow = held;
    if (m_observer)
        m_observer->selectedRowChanged(m_selectedRow);
}

void LinkList::resyncSelection() {
    m_selectedRow = std::clamp(m_selectedRow, 0, rowCount() - 1);
    // A view moves its own selection when rows go; it is told the list's selection again.
    if (m_observer)
        m_observer->selectedRowChanged(m_selectedRow);
}

EntryIcon entryIcon(const LinkList& list, int row, bool listRunning) {
    if (!list.isEntryRow(row))
        return EntryIcon::None;
    return row == 1 && listRunning ? EntryIcon::InProgress : EntryIcon::Waiting;
}

CellRect entryIconRect(int column0Width, int defaultRowHeight, const CellRect& cell) {
    return CellRect{column0Width / 2 - 8, cell.top + defaultRowHeight / 2 - 8, cell.right,
                    cell.bottom};
}

} // namespace vantaro
