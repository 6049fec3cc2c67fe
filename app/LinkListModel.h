// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/RunContext.h"
#include "engine/WorkerHost.h"
#include "jobs/LinkList.h"

#include <QAbstractTableModel>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>

class QTimer;

namespace vantaro {

// The grid's column widths in pixels, and its default row height.
inline constexpr int ListColumnWidths[ListColumnCount] = {31, 137, 178, 161, 147, 524};
inline constexpr int ListDefaultRowHeight = 21;
// Rows appended to the list reach its grid in batches, this long after the first of them.
inline constexpr int ListPublishIntervalMs = 50;
// How often the grid looks whether a list download started or ended, to redraw row 1's icon.
inline constexpr int ListRunningWatchMs = 250;

// The link list as a Qt table model. The list's header row is the model's horizontal header;
// model row r is list row r + 1, so the model's last row is the list's empty last row.
//
// Rows appended to the list reach the view in batches, ListPublishIntervalMs after the first of
// them: every insertion makes a table view lay out and repaint all of its rows, which a load
// of many thousand entries cannot afford once per entry. Any other change of the list publishes
// the waiting rows first, so the view never sees rows out of order.
class LinkListModel : public QAbstractTableModel, private LinkListObserver {
    Q_OBJECT
public:
    explicit LinkListModel(LinkList& list, QObject* parent = nullptr);
    // A model that shows an empty table until it is given a list.
    explicit LinkListModel(QObject* parent = nullptr);
    ~LinkListModel() override;

    // Shows another list; the one shown before is no longer followed.
    void setList(LinkList& list);

    // The list shown; null once the list has been destroyed (a window may destroy its list
    // before its child widgets).
    LinkList* list() const { return m_list; }
    // Shows the appended rows that the view does not know yet.
    void publishAppendedRows();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The list's selected row changed (a list row number, not a model row).
    void listSelectionChanged(int row);
    // An entry of the list was added, changed or removed (before it is published, if ever).
    void listChanged();

private:
    void rowAppended(int row) override;
    void rowsAboutToBeRemoved(int first, int last) override;
    void rowsRemoved() override;
    void rowChanged(int row) override;
    void headerChanged() override;
    void selectedRowChanged(int row) override;
    void listDestroyed() override;

    LinkList* m_list;
    int m_shownRows; // the model rows the view knows
    QTimer* m_publishTimer;
};

// Paints the cells as usual, then the state icon of an entry in column 0.
class LinkListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // listRunning tells whether a list download is marked running.
    LinkListDelegate(const LinkListModel* model, QTableView* view,
                     std::function<bool()> listRunning);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // ImageList1: image 0 a pale star (waiting), image 1 a yellow star (in progress).
    const QPixmap& icon(EntryIcon which) const;

private:
    const LinkListModel* m_model;
    QTableView* m_view;
    std::function<bool()> m_listRunning;
    QPixmap m_waiting;
    QPixmap m_inProgress;
};

// The grid StringGrid1: the list's view with its column widths, 21-pixel rows, whole-row single
// selection kept in step with the list's selected row, and no editing in place. It also carries
// out the worker's list requests (the WorkerHost calls of the same names). The list should
// outlive the grid; if it goes first, the grid shows an empty table.
//
// The list has no lock: the grid and its list belong to the user-interface thread, and the
// worker's requests reach them through the window's blocking hand-over. A call from any other
// thread throws std::logic_error instead of touching the list.
class LinkListGrid : public QTableView {
    Q_OBJECT
public:
    explicit LinkListGrid(LinkList& list, QWidget* parent = nullptr);
    // A grid without a list yet, as a form creates it; setList gives it one.
    explicit LinkListGrid(QWidget* parent = nullptr);

    void setList(LinkList& list);
    // The run whose list flag picks row 1's icon; without one no list download is running.
    void setRunContext(const RunContext& context);

    LinkListModel* listModel() const { return m_model; }

    int listRowCount() const;
    ListRowTexts readListRow(int row) const;
    void deleteFirstListRow();
    void scrollListToTop();

private:
    void setUp();
    void requireOwnThread() const;
    void showListSelection(int row);
    void takeViewSelection(const QModelIndex& current);
    void watchListRunning();

    bool listRunning() const;

    LinkListModel* m_model;
    const RunContext* m_context = nullptr;
    QTimer* m_runningWatch;
    bool m_drawnRunning = false;
    bool m_syncing = false;
};

} // namespace vantaro
