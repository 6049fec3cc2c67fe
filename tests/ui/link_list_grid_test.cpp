// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LinkListModel.h"

#include "core/RunContext.h"
#include "support/QtTestRun.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QImage>

#include <string>
#include <vector>

namespace vantaro {
namespace {

using testing::waitFor;

// Collects the complaints of Qt's model tester, which reports through qWarning.
std::vector<std::string> modelComplaints;
void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        modelComplaints.push_back(message.toStdString());
}

class LinkListGridTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::makeApplication("link_list_grid_test"); }
    void SetUp() override {
        modelComplaints.clear();
        m_previousHandler = qInstallMessageHandler(collectWarnings);
        grid = std::make_unique<LinkListGrid>(list);
        grid->setRunContext(context);
        tester = std::make_unique<QAbstractItemModelTester>(
            grid->listModel(), QAbstractItemModelTester::FailureReportingMode::Warning);
        grid->resize(760, 300);
        grid->show();
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        tester.reset();
        grid.reset();
        qInstallMessageHandler(m_previousHandler);
        EXPECT_TRUE(modelComplaints.empty())
            << "Qt reported: " << (modelComplaints.empty() ? "" : modelComplaints.front());
    }

    void append(const std::string& name) {
        list.appendListEntry("MP3", "/tmp", name, "T " + name, "http://www.youtube.com/" + name);
    }
    QString shown(int modelRow, int column) const {
        const auto* model = grid->listModel();
        return model->data(model->index(modelRow, column)).toString();
    }

    RunContext context;
    LinkList list;
    std::unique_ptr<LinkListGrid> grid;
    std::unique_ptr<QAbstractItemModelTester> tester;

private:
    QtMessageHandler m_previousHandler = nullptr;
};

TEST_F(LinkListGridTest, PresentsTheListAsTheGridDoes) {
    const auto* model = grid->listModel();
    EXPECT_EQ(model->rowCount(), 1) << "the empty last row";
    EXPECT_EQ(model->columnCount(), 6);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(),
              QString::fromUtf8(" Format souhaité"));
    EXPECT_EQ(model->headerData(5, Qt::Horizontal).toString(), " Source Internet");
    const int widths[] = {31, 137, 178, 161, 147, 524};
    for (int column = 0; column < 6; ++column)
        EXPECT_EQ(grid->columnWidth(column), widths[column]) << column;
    EXPECT_EQ(grid->rowHeight(0), 21);
    EXPECT_EQ(grid->horizontalHeader()->height(), 21);
    EXPECT_FALSE(grid->verticalHeader()->isVisible());
    EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(2), QHeaderView::Interactive);
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    append("a");
    grid->listModel()->publishAppendedRows();
    EXPECT_FALSE(model->flags(model->index(0, 3)) & Qt::ItemIsEditable);

    list.applyLanguage(Language::English);
    EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString(), " File Name");
}

TEST_F(LinkListGridTest, AppendedRowsAreShownInBatches) {
    const auto* model = grid->listModel();
    for (int i = 0; i < 500; ++i)
        append("n" + std::to_string(i));
    // The texts of the first entry went into the row the view knew as the empty one.
    EXPECT_EQ(shown(0, 3), "n0");
    ASSERT_TRUE(waitFor([&] { return model->rowCount() == 501; }));
    EXPECT_EQ(shown(499, 5), "http://www.youtube.com/n499");
    EXPECT_EQ(shown(500, 3), "");
    EXPECT_EQ(shown(500, 1), "") << "the empty last row";
}

TEST_F(LinkListGridTest, ChangesWhileRowsWaitKeepTheModelConsistent) {
    const auto* model = grid->listModel();
    for (const char* name : {"a", "b", "c", "d"})
        append(name);
    list.deleteRow(2); // rows wait to be shown: they are shown first
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(shown(1, 3), "c");
    append("e");
    list.deleteFirstEntry();
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(shown(0, 3), "c");
    EXPECT_EQ(shown(2, 3), "e");
    append("f");
    list.replaceEntry(1, DownloadJob{"http://x", "/f", "renamed", "AVI", "-"});
    EXPECT_EQ(shown(0, 3), "renamed");
    list.reset();
    EXPECT_EQ(model->rowCount(), 1);
    EXPECT_EQ(shown(0, 3), "");
    append("g");
    ASSERT_TRUE(waitFor([&] { return model->rowCount() == 2; }));
    EXPECT_EQ(shown(0, 3), "g");
}

TEST_F(LinkListGridTest, SelectionFollowsTheListBothWays) {
    for (const char* name : {"a", "b", "c"})
        append(name);
    list.setSelectedRow(3);
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(2, {}));
    // The user clicks a row of the view.
    grid->setCurrentIndex(grid->listModel()->index(1, 4));
    EXPECT_EQ(list.selectedRow(), 2);
    // The worker's deletion selects row 1.
    list.deleteFirstEntry();
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(list.selectedRow(), 1);
    // A removal keeps the row number selected, even where the view would move the selection.
    list.setSelectedRow(2);
    list.deleteRow(2);
    EXPECT_EQ(list.selectedRow(), 2);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(grid->selectionModel()->selectedRows().size(), 1);
}

TEST_F(LinkListGridTest, WorkerRequests) {
    for (const char* name : {"a", "b"})
        append(name);
    EXPECT_EQ(grid->listRowCount(), 4);
    const ListRowTexts row = grid->readListRow(1);
    EXPECT_EQ(row.formatName, "MP3");
    EXPECT_EQ(row.destinationPathName, "/tmp");
    EXPECT_EQ(row.destinationFileName, "a");
    EXPECT_EQ(row.mp3Title, "T a");
    EXPECT_EQ(row.videoUrl, "http://www.youtube.com/a");
    EXPECT_EQ(grid->readListRow(3).videoUrl, "") << "the empty row reads as empty texts";
    EXPECT_EQ(grid->readListRow(9).formatName, "");
    grid->deleteFirstListRow();
    EXPECT_EQ(grid->listRowCount(), 3);
    EXPECT_EQ(grid->readListRow(1).destinationFileName, "b");
}

// The colour in the middle of the icon place of a model row, as the grid shows it.
QColor iconColour(LinkListGrid& grid, int modelRow) {
    const QImage picture = grid.viewport()->grab().toImage();
    const int top = grid.rowViewportPosition(modelRow);
    return picture.pixelColor(18, top + 11);
}
QColor backgroundColour(LinkListGrid& grid, int modelRow) {
    const QImage picture = grid.viewport()->grab().toImage();
    return picture.pixelColor(60, grid.rowViewportPosition(modelRow) + 11);
}
bool isYellow(const QColor& c) {
    return c.red() > 200 && c.green() > 160 && c.blue() < 90;
}
bool isPale(const QColor& c) {
    return c.red() > 220 && c.green() > 210 && c.blue() > 170 && c.blue() < 235;
}

TEST_F(LinkListGridTest, IconsShowWhichEntryIsInProgress) {
    for (const char* name : {"a", "b"})
        append(name);
    grid->listModel()->publishAppendedRows();
    list.setSelectedRow(0); // no highlighted row
    context.setListRunning(true);
    grid->viewport()->update();
    QCoreApplication::processEvents();
    EXPECT_TRUE(isYellow(iconColour(*grid, 0))) << iconColour(*grid, 0).name().toStdString();
    EXPECT_TRUE(isPale(iconColour(*grid, 1))) << iconColour(*grid, 1).name().toStdString();
    EXPECT_EQ(iconColour(*grid, 2), backgroundColour(*grid, 2)) << "no icon on the empty row";

    context.setListRunning(false);
    EXPECT_TRUE(isPale(iconColour(*grid, 0))) << iconColour(*grid, 0).name().toStdString();
    EXPECT_TRUE(isPale(iconColour(*grid, 1)));
}

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

TEST_F(LinkListGridTest, RedrawsByItselfWhenTheListStopsOrStarts) {
    append("a");
    grid->listModel()->publishAppendedRows();
    PaintCounter counter;
    grid->viewport()->installEventFilter(&counter);
    QCoreApplication::processEvents();
    for (const bool running : {true, false}) {
        // Let every pending paint and a full round of the grid's watch go by first.
        waitFor([] { return false; }, 400);
        counter.paints = 0;
        context.setListRunning(running); // the worker sets and clears it without telling the grid
        EXPECT_TRUE(waitFor([&] { return counter.paints > 0; })) << running;
    }
    grid->viewport()->removeEventFilter(&counter);
}

} // namespace
} // namespace vantaro

namespace vantaro {
namespace {

TEST_F(LinkListGridTest, ListDestroyedBeforeTheGrid) {
    // A window's members go before its child widgets.
    auto own = std::make_unique<LinkList>();
    own->appendListEntry("MP3", "/tmp", "a", "A", "http://www.youtube.com/a");
    LinkListGrid other(*own);
    QAbstractItemModelTester check(other.listModel(),
                                   QAbstractItemModelTester::FailureReportingMode::Warning);
    other.show();
    QCoreApplication::processEvents();
    own.reset();
    EXPECT_EQ(other.listModel()->rowCount(), 0);
    EXPECT_EQ(other.listModel()->list(), nullptr);
    EXPECT_EQ(other.listRowCount(), 2);
    EXPECT_EQ(other.readListRow(1).videoUrl, "");
    other.deleteFirstListRow();
    EXPECT_FALSE(other.viewport()->grab().isNull());
}

} // namespace
} // namespace vantaro
