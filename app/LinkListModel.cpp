// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LinkListModel.h"

#include "app/Pictures.h"
#include "app/QtText.h"

#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QThread>
#include <QTimer>
#include <QtMath>

#include <stdexcept>

namespace vantaro {

LinkListModel::LinkListModel(LinkList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(&list), m_shownRows(list.rowCount() - 1),
      m_publishTimer(new QTimer(this)) {
    m_publishTimer->setSingleShot(true);
    m_publishTimer->setInterval(ListPublishIntervalMs);
    connect(m_publishTimer, &QTimer::timeout, this, &LinkListModel::publishAppendedRows);
    m_list->setObserver(this);
}

LinkListModel::LinkListModel(QObject* parent)
    : QAbstractTableModel(parent), m_list(nullptr), m_shownRows(0),
      m_publishTimer(new QTimer(this)) {
    m_publishTimer->setSingleShot(true);
    m_publishTimer->setInterval(ListPublishIntervalMs);
    connect(m_publishTimer, &QTimer::timeout, this, &LinkListModel::publishAppendedRows);
}

void LinkListModel::setList(LinkList& list) {
    beginResetModel();
    m_publishTimer->stop();
    if (m_list)
        m_list->setObserver(nullptr);
    m_list = &list;
    m_shownRows = list.rowCount() - 1;
    m_list->setObserver(this);
    endResetModel();
}

LinkListModel::~LinkListModel() = default; // the observer detaches itself from the list

int LinkListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shownRows;
}

int LinkListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ListColumnCount;
}

QVariant LinkListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_shownRows)
        return {};
    return text(m_list->cell(index.row() + 1, index.column()));
}

QVariant LinkListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ListColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return m_list ? text(m_list->cell(0, section)) : QString();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags LinkListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void LinkListModel::publishAppendedRows() {
    m_publishTimer->stop();
    const int rows = m_list ? m_list->rowCount() - 1 : 0;
    if (rows <= m_shownRows)
        return;
    beginInsertRows({}, m_shownRows, rows - 1);
    m_shownRows = rows;
    endInsertRows();
}

void LinkListModel::rowAppended(int row) {
    rowChanged(row);
    if (!m_publishTimer->isActive())
        m_publishTimer->start();
}

void LinkListModel::rowsAboutToBeRemoved(int first, int last) {
    publishAppendedRows();
    beginRemoveRows({}, first - 1, last - 1);
}

void LinkListModel::rowsRemoved() {
    m_shownRows = m_list->rowCount() - 1;
    endRemoveRows();
    emit listChanged();
}

void LinkListModel::rowChanged(int row) {
    // A row the view does not know yet is shown with its texts when it is published.
    if (row >= 1 && row - 1 < m_shownRows)
        emit dataChanged(index(row - 1, 0), index(row - 1, ListColumnCount - 1));
    emit listChanged();
}

void LinkListModel::headerChanged() {
    emit headerDataChanged(Qt::Horizontal, 0, ListColumnCount - 1);
}

void LinkListModel::listDestroyed() {
    beginResetModel();
    m_publishTimer->stop();
    m_list = nullptr;
    m_shownRows = 0;
    endResetModel();
}

void LinkListModel::selectedRowChanged(int row) {
    publishAppendedRows();
    emit listSelectionChanged(row);
}

LinkListDelegate::LinkListDelegate(const LinkListModel* model, QTableView* view,
                                   std::function<bool()> listRunning)
    : QStyledItemDelegate(view), m_model(model), m_view(view),
      m_listRunning(std::move(listRunning)), m_waiting(picture(Picture::StarWaiting)),
      m_inProgress(picture(Picture::StarRunning)) {}

const QPixmap& LinkListDelegate::icon(EntryIcon which) const {
    return which == EntryIcon::InProgress ? m_inProgress : m_waiting;
}

void LinkListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    if (index.column() != 0 || m_model->list() == nullptr)
        return;
    const EntryIcon which = entryIcon(*m_model->list(), index.row() + 1, m_listRunning());
    if (which == EntryIcon::None)
        return;
    const QRect& cell = option.rect;
    const CellRect place = entryIconRect(
        m_view->columnWidth(0), ListDefaultRowHeight,
        CellRect{cell.left(), cell.top(), cell.left() + cell.width(), cell.top() + cell.height()});
    if (place.isEmpty())
        return;
    painter->drawPixmap(
        QRect(place.left, place.top, place.right - place.left, place.bottom - place.top),
        icon(which));
}

LinkListGrid::LinkListGrid(LinkList& list, QWidget* parent)
    : QTableView(parent), m_model(new LinkListModel(list, this)), m_runningWatch(new QTimer(this)) {
    setUp();
    showListSelection(list.selectedRow());
}

LinkListGrid::LinkListGrid(QWidget* parent)
    : QTableView(parent), m_model(new LinkListModel(this)), m_runningWatch(new QTimer(this)) {
    setUp();
}

void LinkListGrid::setList(LinkList& list) {
    requireOwnThread();
    m_model->setList(list);
    showListSelection(list.selectedRow());
}

void LinkListGrid::setRunContext(const RunContext& context) {
    m_context = &context;
    watchListRunning();
}

bool LinkListGrid::listRunning() const {
    return m_context != nullptr && m_context->listRunning();
}

void LinkListGrid::setUp() {
    setModel(m_model);
    setItemDelegate(new LinkListDelegate(m_model, this, [this] { return listRunning(); }));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(ListDefaultRowHeight);
    rows->setSectionResizeMode(QHeaderView::Fixed);

    QHeaderView* columns = horizontalHeader();
    columns->setMinimumSectionSize(1);
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setFixedHeight(ListDefaultRowHeight);
    for (int column = 0; column < ListColumnCount; ++column)
        columns->resizeSection(column, ListColumnWidths[column]);

    connect(m_model, &LinkListModel::listSelectionChanged, this, &LinkListGrid::showListSelection);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { takeViewSelection(current); });
    connect(m_runningWatch, &QTimer::timeout, this, &LinkListGrid::watchListRunning);
    m_runningWatch->start(ListRunningWatchMs);
}

void LinkListGrid::requireOwnThread() const {
    if (QThread::currentThread() != thread())
        throw std::logic_error("the link list was reached from a thread other than its window's");
}

int LinkListGrid::listRowCount() const {
    requireOwnThread();
    return m_model->list() ? m_model->list()->rowCount() : 2;
}

ListRowTexts LinkListGrid::readListRow(int row) const {
    // The worker's read, handed over to this thread: a row that is not an entry reads as empty
    // texts.
    requireOwnThread();
    const LinkList* list = m_model->list();
    if (list == nullptr || !list->isEntryRow(row))
        return {};
    const DownloadJob job = list->entry(row);
    return ListRowTexts{job.formatName, job.destinationPathName, job.destinationFileName,
                        job.mp3Title, job.videoUrl};
}

void LinkListGrid::deleteFirstListRow() {
    requireOwnThread();
    if (LinkList* list = m_model->list())
        list->deleteFirstEntry();
}

void LinkListGrid::scrollListToTop() {
    requireOwnThread();
    scrollToTop();
}

void LinkListGrid::showListSelection(int row) {
    if (m_syncing)
        return;
    m_syncing = true;
    if (row >= 1 && row - 1 < m_model->rowCount()) {
        const QModelIndex index = m_model->index(row - 1, 0);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                     QItemSelectionModel::Rows);
    } else {
        selectionModel()->clear();
    }
    m_syncing = false;
}

void LinkListGrid::takeViewSelection(const QModelIndex& current) {
    if (m_syncing || !current.isValid() || m_model->list() == nullptr)
        return;
    m_syncing = true;
    m_model->list()->setSelectedRow(current.row() + 1);
    m_syncing = false;
}

void LinkListGrid::watchListRunning() {
    const bool running = listRunning();
    if (running == m_drawnRunning)
        return;
    m_drawnRunning = running;
    if (m_model->rowCount() > 0)
        update(m_model->index(0, 0));
}

} // namespace vantaro
