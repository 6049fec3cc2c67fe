// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/LinkList.h"

#include "core/Language.h"

#include <gtest/gtest.h>

#include <memory>

#include <stdexcept>
#include <string>
#include <vector>

namespace vantaro {
namespace {

// Records the observer calls as text, and checks that every "about to" call is seen while the
// list still has its old rows.
class RecordingObserver : public LinkListObserver {
public:
    explicit RecordingObserver(const LinkList& list) : m_list(list) {}
    std::vector<std::string> calls;
    int rowCountBeforeRemoval = -1;

    void rowAppended(int row) override { calls.push_back("append " + std::to_string(row)); }
    void rowsAboutToBeRemoved(int first, int last) override {
        rowCountBeforeRemoval = m_list.rowCount();
        calls.push_back("removing " + std::to_string(first) + "-" + std::to_string(last));
    }
    void rowsRemoved() override { calls.push_back("removed"); }
    void rowChanged(int row) override { calls.push_back("changed " + std::to_string(row)); }
    void headerChanged() override { calls.push_back("header"); }
    void selectedRowChanged(int row) override { calls.push_back("select " + std::to_string(row)); }
    void listDestroyed() override { calls.push_back("list destroyed"); }

private:
    const LinkList& m_list;
};

void append(LinkList& list, const std::string& name, const std::string& folder = "/tmp") {
    list.appendListEntry("MP3", folder, name, "title " + name, "http://youtube/" + name);
}

std::vector<std::string> namesOf(const LinkList& list) {
    std::vector<std::string> names;
    for (int row = 1; row <= list.entryCount(); ++row)
        names.push_back(list.cell(row, 3));
    return names;
}

class LinkListTest : public ::testing::Test {};

TEST_F(LinkListTest, NewListHasHeaderAndEmptyRow) {
    LinkList list;
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.entryCount(), 0);
    EXPECT_EQ(list.cells(0), (ListRow{"", " Format souhaité", " Destination", " Nom de fichier",
                                      " Titre MP3", " Source Internet"}));
    EXPECT_EQ(list.cells(1), ListRow{});
    EXPECT_EQ(list.selectedRow(), 1);
    EXPECT_FALSE(list.isEntryRow(0));
    EXPECT_FALSE(list.isEntryRow(1));
    EXPECT_THROW(list.cells(2), std::out_of_range);
    EXPECT_THROW(list.cells(-1), std::out_of_range);
    EXPECT_THROW(list.entry(1), std::out_of_range);
}

TEST_F(LinkListTest, HeaderFollowsTheLanguage) {
    LinkList list(Language::English);
    EXPECT_EQ(list.cells(0), (ListRow{"", " Format", " Destination", " File Name", " MP3 Title",
                                      " Internet URL"}));
    RecordingObserver observer(list);
    list.setObserver(&observer);
    list.applyLanguage(Language::French);
    EXPECT_EQ(list.cell(0, 1), " Format souhaité");
    EXPECT_EQ(observer.calls, std::vector<std::string>{"header"});
}

TEST_F(LinkListTest, AppendFillsTheEmptyRowAndAddsANewOne) {
    LinkList list;
    RecordingObserver observer(list);
    list.setObserver(&observer);
    list.appendListEntry("AVI", "/videos", "clip", "-", "http://www.dailymotion.com/video/x");
    list.appendListEntry("MP3", "/music", "song", "Title", "http://www.youtube.com/watch?v=1");
    EXPECT_EQ(list.rowCount(), 4);
    EXPECT_EQ(list.cells(1),
              (ListRow{"", "AVI", "/videos", "clip", "-", "http://www.dailymotion.com/video/x"}));
    EXPECT_EQ(list.cells(3), ListRow{});
    const DownloadJob job = list.entry(2);
    EXPECT_EQ(job.formatName, "MP3");
    EXPECT_EQ(job.destinationPathName, "/music");
    EXPECT_EQ(job.destinationFileName, "song");
    EXPECT_EQ(job.mp3Title, "Title");
    EXPECT_EQ(job.videoUrl, "http://www.youtube.com/watch?v=1");
    EXPECT_EQ(observer.calls, (std::vector<std::string>{"append 1", "append 2"}));
    // The selection keeps its row number: row 1 now holds the first entry.
    EXPECT_EQ(list.selectedRow(), 1);
}

TEST_F(LinkListTest, DeleteRowMovesTheRowsBelowUp) {
    LinkList list;
    for (const char* name : {"a", "b", "c"})
        append(list, name);
    list.setSelectedRow(4); // the empty last row
    RecordingObserver observer(list);
    list.setObserver(&observer);
    EXPECT_TRUE(list.deleteRow(2));
    EXPECT_EQ(namesOf(list), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(observer.rowCountBeforeRemoval, 5);
    // The selection was past the end and is held on the new empty last row.
    EXPECT_EQ(list.selectedRow(), 3);
    EXPECT_EQ(observer.calls, (std::vector<std::string>{"removing 2-2", "removed", "select 3"}));
    EXPECT_FALSE(list.deleteRow(0));
    EXPECT_FALSE(list.deleteRow(3));
    EXPECT_EQ(list.entryCount(), 2);
}

TEST_F(LinkListTest, WorkerDeletionAndResetKeepHeaderAndEmptyRow) {
    LinkList list;
    for (const char* name : {"a", "b", "c"})
        append(list, name);
    list.setSelectedRow(3);
    list.deleteFirstEntry();
    EXPECT_EQ(namesOf(list), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(list.selectedRow(), 1) << "the worker selects row 1";
    list.setSelectedRow(3);
    list.reset();
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.selectedRow(), 1);
    list.deleteFirstEntry(); // nothing left to delete
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.cells(1), ListRow{});
}

TEST_F(LinkListTest, ReplaceEntryRewritesColumnsOneToFive) {
    LinkList list;
    append(list, "a");
    append(list, "b");
    RecordingObserver observer(list);
    list.setObserver(&observer);
    const DownloadJob job{"http://www.youtube.com/watch?v=2", "/new", "renamed", "AVI", "-"};
    EXPECT_TRUE(list.replaceEntry(2, job));
    EXPECT_EQ(list.cells(2),
              (ListRow{"", "AVI", "/new", "renamed", "-", "http://www.youtube.com/watch?v=2"}));
    EXPECT_EQ(list.cell(1, 3), "a");
    EXPECT_FALSE(list.replaceEntry(3, job)); // the empty last row stays empty
    EXPECT_FALSE(list.replaceEntry(0, job));
    EXPECT_EQ(list.cells(3), ListRow{});
    EXPECT_EQ(observer.calls, std::vector<std::string>{"changed 2"});
}

TEST_F(LinkListTest, EntriesKeepTheirNumbersWhileRowsMove) {
    LinkList list;
    for (const char* name : {"a", "b", "c"})
        append(list, name);
    const auto idB = list.entryId(2);
    const auto idC = list.entryId(3);
    EXPECT_NE(idB, 0u);
    EXPECT_NE(idB, idC);
    EXPECT_EQ(list.entryId(0), 0u);
    EXPECT_EQ(list.entryId(4), 0u);
    list.deleteFirstEntry();
    EXPECT_EQ(list.rowOfEntry(idB), 1);
    EXPECT_EQ(list.rowOfEntry(idC), 2);
    list.deleteRow(1);
    EXPECT_EQ(list.rowOfEntry(idB), 0);
    EXPECT_EQ(list.rowOfEntry(0), 0);
    // A new entry never takes the number of a deleted one.
    append(list, "d");
    EXPECT_NE(list.entryId(2), idB);
    EXPECT_EQ(list.rowOfEntry(idC), 1);
}

TEST_F(LinkListTest, ObserverAndListMayGoInEitherOrder) {
    auto list = std::make_unique<LinkList>();
    {
        RecordingObserver gone(*list);
        list->setObserver(&gone);
    }
    append(*list, "a"); // the observer detached itself when it went

    RecordingObserver first(*list);
    RecordingObserver second(*list);
    list->setObserver(&first);
    list->setObserver(&second); // replaces the first
    append(*list, "b");
    EXPECT_TRUE(first.calls.empty());
    EXPECT_EQ(second.calls, std::vector<std::string>{"append 2"});
    list.reset();
    EXPECT_EQ(second.calls.back(), "list destroyed");
    EXPECT_TRUE(first.calls.empty());
}

TEST_F(LinkListTest, IconRule) {
    LinkList list;
    EXPECT_EQ(entryIcon(list, 1, true), EntryIcon::None); // empty list: row 1 is the empty row
    for (const char* name : {"a", "b"})
        append(list, name);
    EXPECT_EQ(entryIcon(list, 0, true), EntryIcon::None);
    EXPECT_EQ(entryIcon(list, 1, true), EntryIcon::InProgress);
    EXPECT_EQ(entryIcon(list, 2, true), EntryIcon::Waiting);
    EXPECT_EQ(entryIcon(list, 3, true), EntryIcon::None);
    EXPECT_EQ(entryIcon(list, 1, false), EntryIcon::Waiting);
    EXPECT_EQ(entryIcon(list, 2, false), EntryIcon::Waiting);
    EXPECT_EQ(entryIcon(list, 3, false), EntryIcon::None);
}

TEST_F(LinkListTest, IconRectangle) {
    // Column 0 of 31 pixels, rows of 21: the icon starts 7 pixels in and 2 below the cell's top
    // and reaches the cell's right and bottom edges.
    EXPECT_EQ(entryIconRect(31, 21, CellRect{0, 42, 31, 63}), (CellRect{7, 44, 31, 63}));
    // A widened column moves the left edge; odd sizes halve by integer division.
    EXPECT_EQ(entryIconRect(61, 21, CellRect{0, 0, 61, 21}), (CellRect{22, 2, 61, 21}));
    EXPECT_EQ(entryIconRect(10, 21, CellRect{0, 21, 10, 42}), (CellRect{-3, 23, 10, 42}));
    // A cell scrolled out to the left of the icon's left edge leaves nothing to draw.
    EXPECT_TRUE(entryIconRect(31, 21, CellRect{-30, 0, 1, 21}).isEmpty());
    EXPECT_FALSE(entryIconRect(31, 21, CellRect{0, 0, 31, 21}).isEmpty());
}

} // namespace
} // namespace vantaro
