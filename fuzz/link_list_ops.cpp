// SPDX-License-Identifier: GPL-3.0-or-later
// Runs arbitrary sequences of list operations and commands, and checks after each one that the
// list keeps its header and empty last row, that entry numbers find their rows, and that a view
// following the change notifications alone has the list's row count.
#include "core/RunContext.h"
#include "jobs/LinkList.h"
#include "jobs/ListCommands.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace vantaro;

// A view's idea of the list, kept from the notifications only.
class Follower : public LinkListObserver {
public:
    explicit Follower(const LinkList& list) : m_list(list), rows(list.rowCount()) {}
    int rows;
    int selected = 1;
    int pendingRemoval = 0;

    void rowAppended(int row) override {
        if (row != rows - 1)
            std::abort(); // the texts go into the former empty last row
        ++rows;
    }
    void rowsAboutToBeRemoved(int first, int last) override {
        if (first < 1 || last < first || last > rows - 2 || m_list.rowCount() != rows)
            std::abort(); // only entries go, and they are announced before they go
        pendingRemoval = last - first + 1;
    }
    void rowsRemoved() override {
        rows -= pendingRemoval;
        pendingRemoval = 0;
    }
    void rowChanged(int row) override {
        if (row < 1 || row > rows - 2)
            std::abort();
    }
    void headerChanged() override {}
    void selectedRowChanged(int row) override { selected = row; }

private:
    const LinkList& m_list;
};

class QuietHost : public ListCommandHost {
public:
    bool running = false;
    bool showMessage(MessageKind, const std::string&, const std::string&) override { return true; }
    bool workerRunning() const override { return running; }
    void startWorker(const DownloadJob&) override {}
    void storeSingleDownload(const std::string&, const std::string&) override {}
    void storeList(const std::string&) override {}
    bool directoryExists(const std::string&) override { return true; }
    std::string chooseListFile() override { return {}; }
    void processPendingEvents() override {}
    void listReady() override {}
};

void check(const LinkList& list, const Follower& view) {
    const int n = list.entryCount();
    if (list.rowCount() != n + 2 || view.rows != list.rowCount() ||
        !(list.cells(n + 1) == ListRow{}))
        std::abort();
    if (list.selectedRow() < 0 || list.selectedRow() > n + 1 || view.selected != list.selectedRow())
        std::abort();
    for (int row = 1; row <= n; ++row) {
        if (list.rowOfEntry(list.entryId(row)) != row || !list.cell(row, 0).empty())
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LinkList list;
    Follower view(list);
    list.setObserver(&view);
    QuietHost host;
    RunContext context;
    LinkListCommands commands(list, host, context);
    context.setWorkMode(WorkMode::List);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const int operation = data[i] % 11;
        const int row = data[i + 1] % 12 - 1;
        // While a list download runs, no command may take row 1 from the worker.
        const bool commandOnRunningList =
            host.running && list.entryCount() > 0 && operation >= 7 && operation <= 9;
        const std::uint64_t firstId = list.entryId(1);
        const ListRow firstCells = list.entryCount() > 0 ? list.cells(1) : ListRow{};
        std::uint64_t modifying = 0;
        switch (operation) {
        case 0:
        case 1:
            list.appendListEntry("MP3", "/f", std::to_string(i), "t",
                                 "http://youtube/" + std::to_string(i));
            break;
        case 2:
            list.deleteRow(row);
            break;
        case 3:
            list.deleteFirstEntry();
            break;
        case 4:
            list.deleteEntriesFrom(row);
            break;
        case 5:
            list.setSelectedRow(row);
            break;
        case 6:
            list.replaceEntry(row, DownloadJob{"u", "/g", "n", "AVI", "-"});
            break;
        case 7:
            commands.removeSelectedEntry();
            break;
        case 8:
            commands.clearList();
            break;
        case 9:
            modifying = commands.selectEntryToModify();
            if (modifying != 0 && list.rowOfEntry(modifying) != list.selectedRow())
                std::abort();
            commands.modifyEntry(modifying, DownloadJob{"v", "/h", "m", "MP3", "x"});
            break;
        default:
            host.running = !host.running;
            context.setListRunning(host.running);
            break;
        }
        check(list, view);
        if (commandOnRunningList && (list.entryId(1) != firstId || !(list.cells(1) == firstCells)))
            std::abort();
    }
    return 0;
}
