// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobs/DownloadCommands.h"
#include "jobs/LinkList.h"

#include <cstdint>
#include <string>

namespace vantaro {

// What the list commands need of the window besides the list itself.
class ListCommandHost : public MessagePresenter, public WorkerLauncher, public PreferencesStore {
public:
    virtual bool directoryExists(const std::string& path) = 0;
    // Shows the list file dialog (filter "*.txt") and returns the chosen path, or
    // the empty text when the user cancels.
    virtual std::string chooseListFile() = 0;
    // Lets the window handle its pending events (the window passes QCoreApplication's
    // processEvents), so that it stays responsive and repaints during a long load.
    virtual void processPendingEvents() = 0;
    // A list file was loaded to its end: the list can be downloaded now.
    virtual void listReady() = 0;
};

// The commands of the list page, as logic over the list and the host. While a list download is
// in progress the entry at row 1 belongs to the worker: it cannot be removed or modified, clear
// keeps it, and no other list can be loaded; adding stays allowed. The run context gives the
// language, the work mode and the list flag; the loader remembers the list folder there.
class LinkListCommands {
public:
    enum class ModifyOutcome { Modified, InProgress, Gone };

    LinkListCommands(LinkList& list, ListCommandHost& host, RunContext& context);

    // True while a list download runs: a worker is running in list mode.
    bool listDownloadInProgress() const;

    // Remove: deletes the selected entry and selects the same row number again.
    void removeSelectedEntry();
    // Clear: deletes every entry, but for the one being downloaded.
    void clearList();
    // Modify: the number of the selected entry for the modify dialog to keep,
    // or 0 when the dialog must not open.
    std::uint64_t selectEntryToModify();
    // The modify dialog's confirmation: rewrites the entry it was opened for, wherever it now
    // stands, unless the worker has taken it or it has left the list (each with a message).
    ModifyOutcome modifyEntry(std::uint64_t entryId, const DownloadJob& job);

    // Load: replaces the list by the entries of a list file, each one "MP3" into the list
    // folder as it is when the load begins.
    void loadListFile(const std::string& folder);
    // Download the list: stores the list folder, checks the list and starts
    // the worker in list mode. Lets the store's std::runtime_error through, before anything starts.
    void startListDownload(const std::string& folder);

    // The list file chosen last.
    const std::string& listFileName() const { return m_listFileName; }
    bool loading() const { return m_loading; }

private:
    bool refuseFirstEntryInProgress(int row);
    void loadFile(const std::string& folder);

    LinkList& m_list;
    ListCommandHost& m_host;
    RunContext& m_context;
    std::string m_listFileName;
    bool m_loading = false;
};

namespace messages {
extern const char* const EntryInProgressFr;
extern const char* const EntryInProgressEn;
extern const char* const ListInProgressFr;
extern const char* const ListInProgressEn;
extern const char* const EntryGoneFr;
extern const char* const EntryGoneEn;
} // namespace messages

} // namespace vantaro
