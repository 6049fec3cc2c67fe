// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Constants.h"
#include "core/Language.h"
#include "jobs/DownloadCommands.h"
#include "jobs/DownloadJob.h"

#include <array>
#include <cstdint>
#include <deque>
#include <string>

namespace vantaro {

using ListRow = std::array<std::string, ListColumnCount>;

// The column headers in the given language (column 0 has none).
ListRow listHeaderTexts(Language language);

class LinkList;

// Told of every change of a LinkList, in grid rows (row 0 is the header), so that a view can
// follow. rowsAboutToBeRemoved comes before the list changes, the others after. An observer and
// its list may be destroyed in either order: each one detaches from the other.
class LinkListObserver {
public:
    LinkListObserver() = default;
    LinkListObserver(const LinkListObserver&) = delete;
    LinkListObserver& operator=(const LinkListObserver&) = delete;
    virtual ~LinkListObserver();

    // The texts went into the given row, the former empty last row, and a new empty last row
    // follows it.
    virtual void rowAppended(int row) = 0;
    virtual void rowsAboutToBeRemoved(int first, int last) = 0;
    virtual void rowsRemoved() = 0;
    virtual void rowChanged(int row) = 0;
    virtual void headerChanged() = 0;
    virtual void selectedRowChanged(int row) = 0;
    // The list is being destroyed: the observer must not reach it any more.
    virtual void listDestroyed() {}

private:
    friend class LinkList;
    LinkList* m_observed = nullptr;
};

// The link list as the grid shows it: row 0 the header, rows 1 to n the entries in download
// order, row n + 1 always empty, so rowCount() is n + 2. Entries carry a serial number that stays
// with them while rows move, so that a dialog can find again the entry it was opened for.
class LinkList : public ListAppender {
public:
    explicit LinkList(Language language = Language::French);
    ~LinkList() override;
    LinkList(const LinkList&) = delete;
    LinkList& operator=(const LinkList&) = delete;

    // The one observer of the list (null for none); it replaces the one before.
    void setObserver(LinkListObserver* observer);

    int rowCount() const { return entryCount() + 2; }
    int entryCount() const { return static_cast<int>(m_entries.size()); }
    bool isEntryRow(int row) const { return row >= 1 && row <= entryCount(); }
    // The six texts of any row 0 to n + 1; throws std::out_of_range for any other row.
    const ListRow& cells(int row) const;
    const std::string& cell(int row, int column) const;
    // Columns 1 to 5 of an entry row as a job; throws std::out_of_range for any other row.
    DownloadJob entry(int row) const;
    // The serial number of an entry row, 0 for any other row; rowOfEntry gives the entry's row
    // now, or 0 when it has left the list.
    std::uint64_t entryId(int row) const;
    int rowOfEntry(std::uint64_t id) const;

    // Resets the header texts to the given language.
    void applyLanguage(Language language);

    // Writes the five texts into the empty last row and adds a new empty last row.
    void appendListEntry(const std::string& formatName, const std::string& folder,
                         const std::string& fileName, const std::string& mp3Title,
                         const std::string& link) override;
    // Rewrites columns 1 to 5 of an entry row with the job (column 0 stays empty); false when
    // the row is not an entry.
    bool replaceEntry(int row, const DownloadJob& job);
    // Deletes an entry row, the rows below moving up; the selection keeps its row number, held
    // within the list. False when the row is not an entry.
    bool deleteRow(int row);
    // The worker's step after each entry: deletes row 1 and selects row 1.
    void deleteFirstEntry();
    // Deletes the entries from the given row to the last one (all of them from row 1).
    void deleteEntriesFrom(int firstRow);
    // Back to the empty list (row count 2), row 1 selected.
    void reset();

    // The selected row (1 at start). Any row of the grid may be selected; it is held within 0 to
    // n + 1.
    int selectedRow() const { return m_selectedRow; }
    void setSelectedRow(int row);

private:
    friend class LinkListObserver;
    struct Entry {
        std::uint64_t id;
        ListRow cells;
    };
    void resyncSelection();

    ListRow m_header;
    std::deque<Entry> m_entries; // the worker takes entries from the front
    std::uint64_t m_nextId = 1;
    int m_selectedRow = 1;
    LinkListObserver* m_observer = nullptr;
};

// Which icon of the two the grid draws in column 0 of a row.
enum class EntryIcon { None, Waiting, InProgress };

// The icon of a row: none for the header and the empty last row, the in-progress icon for row 1
// while a list download is marked running, the waiting icon otherwise.
EntryIcon entryIcon(const LinkList& list, int row, bool listRunning);

// A rectangle with exclusive right and bottom edges, in the grid's coordinates.
struct CellRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const CellRect&) const = default;
};

// Where the icon is stretched: from half the width of column 0 minus 8 and the cell's top plus
// half the default row height minus 8, to the cell's right and bottom edges.
CellRect entryIconRect(int column0Width, int defaultRowHeight, const CellRect& cell);

} // namespace vantaro
