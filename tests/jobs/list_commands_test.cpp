// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/ListCommands.h"

#include "core/ProgramFolder.h"
#include "core/RunContext.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantaro {
namespace {

namespace fs = std::filesystem;

// A list page host over the real file system that records what the commands ask of it.
class FakeListHost : public ListCommandHost {
public:
    struct Message {
        MessageKind kind;
        std::string text;
    };

    FakeListHost(const LinkList& list, const RunContext& context)
        : m_list(list), m_context(context) {}

    bool showMessage(MessageKind kind, const std::string& text, const std::string&) override {
        messages.push_back({kind, text});
        calls.push_back("message");
        return true;
    }
    bool workerRunning() const override { return running; }
    void startWorker(const DownloadJob&) override {
        calls.push_back("start " + std::to_string(static_cast<int>(m_context.workMode())));
        ++started;
    }
    void storeSingleDownload(const std::string&, const std::string&) override {
        calls.push_back("store single");
    }
    void storeList(const std::string& pathName) override {
        calls.push_back("store " + pathName);
        if (storeFails)
            throw std::runtime_error("Impossible d'écrire dans /x/applicationUserPreferences.ini");
    }
    bool directoryExists(const std::string& path) override { return isExistingDirectory(path); }
    std::string chooseListFile() override {
        calls.push_back("dialog");
        if (dialogAnswers.empty())
            return {};
        std::string answer = dialogAnswers.front();
        dialogAnswers.pop_front();
        return answer;
    }
    void processPendingEvents() override {
        entriesAtEvents.push_back(m_list.entryCount());
        if (onEvents)
            onEvents();
    }
    void listReady() override { calls.push_back("button7"); }

    std::vector<Message> messages;
    std::vector<std::string> calls;
    std::deque<std::string> dialogAnswers; // empty: the user cancels
    std::vector<int> entriesAtEvents;
    std::function<void()> onEvents;
    bool running = false;
    bool storeFails = false;
    int started = 0;

private:
    const LinkList& m_list;
    const RunContext& m_context;
};

class ListCommandsTest : public ::testing::Test {
protected:
    std::string folder() const { return m_folder.string(); }
    std::string writeFile(const std::string& name, const std::string& bytes) const {
        const fs::path path = m_folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    void addEntries(std::initializer_list<const char*> names, const std::string& where = {}) {
        for (const char* name : names)
            list.appendListEntry("AVI", where.empty() ? folder() : where, name, "-",
                                 std::string("http://www.youtube.com/watch?v=") + name);
    }
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (int row = 1; row <= list.entryCount(); ++row)
            found.push_back(list.cell(row, 3));
        return found;
    }
    // A list download in progress: a worker runs in list mode with the list marked running.
    void listDownloadRuns() {
        host.running = true;
        context.setWorkMode(WorkMode::List);
        context.setListRunning(true);
    }

    testing::TempFolder m_temp{"vantaro-list"};
    fs::path m_folder{m_temp.path()};
    RunContext context;
    LinkList list;
    FakeListHost host{list, context};
    LinkListCommands commands{list, host, context};
};

using Names = std::vector<std::string>;

const char* const L1Fr = "La liste des liens ne peut pas être chargée.\r\n\r\nIl faut choisir : "
                         "\r\n- Le dossier où les fichiers téléchargés seront crées.";

// --- Load --------------------------------------------------------------------------------

TEST_F(ListCommandsTest, LoadReplacesTheListWithMp3EntriesOfTheFile) {
    addEntries({"old1", "old2"});
    const std::string file =
        writeFile("list.txt", "http://www.youtube.com/watch?v=1\r\nMy  song\r\n"
                              "http://www.dailymotion.com/video/x\n../../etc/x y\n");
    host.dialogAnswers = {file};
    commands.loadListFile(folder());

    ASSERT_EQ(list.entryCount(), 2);
    EXPECT_EQ(list.cells(1), (ListRow{"", "MP3", folder(), "My--song", "My--song",
                                      "http://www.youtube.com/watch?v=1"}));
    // A slash of a title cannot lead the file out of its folder.
    EXPECT_EQ(list.cells(2), (ListRow{"", "MP3", folder(), "..-..-etc-x-y", "..-..-etc-x-y",
                                      "http://www.dailymotion.com/video/x"}));
    EXPECT_EQ(list.cells(3), ListRow{});
    EXPECT_EQ(context.lastPickedFolder(), folder());
    EXPECT_EQ(commands.listFileName(), file);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"dialog", "button7"}));
    // Events are handled once after opening, then before each entry is read.
    ASSERT_GE(host.entriesAtEvents.size(), 3u);
    EXPECT_EQ(std::vector<int>(host.entriesAtEvents.begin(), host.entriesAtEvents.begin() + 3),
              (std::vector<int>{0, 0, 1}));
}

TEST_F(ListCommandsTest, LoadShapes) {
    addEntries({"old"});
    host.dialogAnswers = {writeFile("empty.txt", "")};
    commands.loadListFile(folder());
    EXPECT_EQ(list.rowCount(), 2) << "an empty file empties the list";
    EXPECT_EQ(host.calls.back(), "button7");

    host.dialogAnswers = {writeFile("three.txt", "http://a\nFirst title\nhttp://b\n")};
    commands.loadListFile(folder());
    ASSERT_EQ(list.entryCount(), 2);
    EXPECT_EQ(list.cells(2), (ListRow{"", "MP3", folder(), "", "", "http://b"}));

    host.dialogAnswers = {writeFile("blanks.txt", "http://a\nx  y\n")};
    commands.loadListFile(folder());
    ASSERT_EQ(list.entryCount(), 1);
    EXPECT_EQ(list.cell(1, 3), "x--y");
    EXPECT_EQ(list.cell(1, 4), "x--y");
}

TEST_F(ListCommandsTest, EmptyFolderGivesL1AfterTheFileWasChosen) {
    addEntries({"keep1", "keep2"});
    context.setLastPickedFolder("/earlier");
    host.dialogAnswers = {writeFile("list.txt", "http://a\nA\n")};
    commands.loadListFile("");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"dialog", "message"}));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].kind, MessageKind::Information);
    EXPECT_EQ(host.messages[0].text, L1Fr);
    EXPECT_EQ(names(), (Names{"keep1", "keep2"}));
    EXPECT_EQ(context.lastPickedFolder(), "") << "the folder text is kept before it is checked";

    context.setLanguage(Language::English);
    commands.loadListFile(""); // cancelled: the file chosen before is used again
    EXPECT_EQ(host.messages.back().text,
              "Can't load the list of video links.\r\n\r\nYou must enter : \r\n- The folder "
              "where the donwloaded files will be saved.");
}

TEST_F(ListCommandsTest, CancelBeforeAnyChoiceDoesNothing) {
    addEntries({"keep"});
    context.setLastPickedFolder("/earlier");
    commands.loadListFile(folder());
    EXPECT_EQ(host.calls, std::vector<std::string>{"dialog"});
    EXPECT_EQ(names(), Names{"keep"});
    EXPECT_EQ(context.lastPickedFolder(), "/earlier");
}

TEST_F(ListCommandsTest, CancelAfterALoadReloadsTheSameFile) {
    const std::string file = writeFile("list.txt", "http://a\nFirst\n");
    host.dialogAnswers = {file};
    commands.loadListFile(folder());
    addEntries({"added"});
    writeFile("list.txt", "http://b\nSecond\nhttp://c\nThird\n");
    commands.loadListFile(folder()); // dialog cancelled
    EXPECT_EQ(names(), (Names{"Second", "Third"}));
    EXPECT_EQ(commands.listFileName(), file);
}

TEST_F(ListCommandsTest, UnreadableFileIsReportedAndEmptiesTheList) {
    addEntries({"old"});
    const std::string missing = (m_folder / "missing.txt").string();
    host.dialogAnswers = {missing};
    commands.loadListFile(folder());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(host.messages[0].text,
              "Impossible de lire le fichier " + missing + " : No such file or directory");
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"dialog", "message"})) << "no Button7";

    context.setLanguage(Language::English);
    host.dialogAnswers = {folder()}; // a folder opens but cannot be read
    commands.loadListFile(folder());
    EXPECT_EQ(host.messages.back().text, "Cannot read the file " + folder() + ": Is a directory");
}

TEST_F(ListCommandsTest, FolderIsTakenWhenTheLoadBegins) {
    std::string listFolder = folder();
    host.dialogAnswers = {writeFile("list.txt", "l1\nt1\nl2\nt2\nl3\nt3\n")};
    host.onEvents = [&] { listFolder = "/elsewhere"; };
    commands.loadListFile(listFolder);
    ASSERT_EQ(list.entryCount(), 3);
    for (int row = 1; row <= 3; ++row)
        EXPECT_EQ(list.cell(row, 2), folder());
}

TEST_F(ListCommandsTest, ALoadStartedDuringALoadIsIgnored) {
    host.dialogAnswers = {writeFile("a.txt", "a1\nA1\na2\nA2\n"), writeFile("b.txt", "b\nB\n")};
    bool nested = false;
    host.onEvents = [&] {
        if (!nested) {
            nested = true;
            EXPECT_TRUE(commands.loading());
            commands.loadListFile(folder());
        }
    };
    commands.loadListFile(folder());
    EXPECT_EQ(names(), (Names{"A1", "A2"}));
    EXPECT_EQ(host.dialogAnswers.size(), 1u) << "the second dialog never opened";
    EXPECT_FALSE(commands.loading());
}

TEST_F(ListCommandsTest, EntriesAddedOrTakenDuringALoadStayConsistent) {
    // The window stays usable during a load: an add joins the list and the load goes on after
    // it; the worker may delete row 1 meanwhile.
    host.dialogAnswers = {writeFile("a.txt", "a1\nA1\na2\nA2\na3\nA3\n")};
    int round = 0;
    host.onEvents = [&] {
        ++round;
        if (round == 3)
            addEntries({"typed"});
        if (round == 4)
            list.deleteFirstEntry();
    };
    commands.loadListFile(folder());
    EXPECT_EQ(names(), (Names{"typed", "A2", "A3"}));
}

// --- List download -----------------------------------------------------------------------

TEST_F(ListCommandsTest, NewListGivesL2AfterStoringTheFolder) {
    context.requestStop();
    commands.startListDownload("/some/folder");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"store /some/folder", "message"}));
    EXPECT_EQ(host.messages[0].text, "La liste des liens à télécharger est vide, ajoutez des "
                                     "liens avant de lancer le téléchargement");
    EXPECT_FALSE(context.stopRequested());
    EXPECT_EQ(host.started, 0);

    context.setLanguage(Language::English);
    commands.startListDownload(folder());
    EXPECT_EQ(host.messages.back().text,
              "The list of video links is empty, add video links before downloading");
}

TEST_F(ListCommandsTest, StoreFailureEndsTheCommand) {
    addEntries({"a"});
    host.storeFails = true;
    EXPECT_THROW(commands.startListDownload(folder()), std::runtime_error);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.started, 0);
    EXPECT_EQ(context.workMode(), WorkMode::None);
}

TEST_F(ListCommandsTest, MissingListFolderGivesL3) {
    addEntries({"a"});
    commands.startListDownload((m_folder / "gone").string());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Le champ \"Dossier destinataire\" n'existe pas, créez ce "
                                     "dossier ou choisissez un nouveau");
    commands.startListDownload("");
    EXPECT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.started, 0);
}

TEST_F(ListCommandsTest, FirstEntryWithMissingFolderGivesL4) {
    const std::string gone = (m_folder / "gone").string();
    addEntries({"a", "b"});
    addEntries({"c", "d"}, gone);
    commands.startListDownload(folder());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].kind, MessageKind::Information);
    EXPECT_EQ(host.messages[0].text, "Le dossier destinataire du lien numéro 3 de liste n'existe "
                                     "pas, modifiez cette entrée de la liste");
    EXPECT_EQ(host.started, 0);

    context.setLanguage(Language::English);
    list.deleteRow(3);
    commands.startListDownload(folder());
    EXPECT_EQ(host.messages.back().text, "The destination folder of the link number 3 of the "
                                         "list, doesn't exist, please change the folder of the "
                                         "link");
}

TEST_F(ListCommandsTest, ValidListStartsTheWorkerInListMode) {
    fs::create_directory(m_folder / "other");
    addEntries({"a"});
    addEntries({"b"}, (m_folder / "other").string());
    addEntries({"c"});
    context.requestStop();
    commands.startListDownload(folder());
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"store " + folder(), "start 200"}));
    EXPECT_FALSE(context.stopRequested());
    EXPECT_EQ(list.entryCount(), 3) << "the worker takes the entries, not the command";
}

TEST_F(ListCommandsTest, RunningWorkerRefusesTheListDownloadFirst) {
    addEntries({"a"});
    host.running = true;
    context.requestStop();
    context.setWorkMode(WorkMode::Single);
    commands.startListDownload(folder());
    EXPECT_EQ(host.calls, std::vector<std::string>{"message"}) << "not even the preferences";
    EXPECT_EQ(host.messages[0].text, messages::WorkerAlreadyRunningFr);
    EXPECT_TRUE(context.stopRequested());
    EXPECT_EQ(context.workMode(), WorkMode::Single);
}

// --- Remove, clear, modify ---------------------------------------------------------------

TEST_F(ListCommandsTest, RemoveFollowsTheSelection) {
    commands.removeSelectedEntry(); // empty list, empty row selected
    EXPECT_EQ(list.rowCount(), 2);
    addEntries({"a", "b", "c"});
    list.setSelectedRow(0);
    commands.removeSelectedEntry();
    list.setSelectedRow(4);
    commands.removeSelectedEntry();
    EXPECT_EQ(names(), (Names{"a", "b", "c"})) << "header and empty row are never removed";

    list.setSelectedRow(2);
    commands.removeSelectedEntry();
    EXPECT_EQ(names(), (Names{"a", "c"}));
    EXPECT_EQ(list.selectedRow(), 2) << "the following entry is selected";
    commands.removeSelectedEntry();
    EXPECT_EQ(names(), Names{"a"});
    EXPECT_EQ(list.selectedRow(), 2) << "the empty last row is selected";
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ListCommandsTest, ClearRemovesEveryEntry) {
    commands.clearList();
    EXPECT_EQ(list.rowCount(), 2);
    addEntries({"a", "b", "c"});
    list.setSelectedRow(3);
    commands.clearList();
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.selectedRow(), 1);
}

TEST_F(ListCommandsTest, EntryInProgressBelongsToTheWorker) {
    addEntries({"taken", "b", "c"});
    listDownloadRuns();
    list.setSelectedRow(1);
    commands.removeSelectedEntry();
    EXPECT_EQ(commands.selectEntryToModify(), 0u);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text, "Ce lien est en cours de téléchargement. Arrêtez la liste "
                                     "pour le modifier ou le supprimer.");
    EXPECT_EQ(names(), (Names{"taken", "b", "c"}));

    list.setSelectedRow(3);
    EXPECT_EQ(commands.selectEntryToModify(), list.entryId(3));
    commands.removeSelectedEntry();
    EXPECT_EQ(names(), (Names{"taken", "b"}));

    addEntries({"added"});
    commands.clearList();
    EXPECT_EQ(names(), Names{"taken"});

    host.dialogAnswers = {writeFile("x.txt", "l\nt\n")};
    commands.loadListFile(folder());
    EXPECT_EQ(host.messages.back().text,
              "La liste est en cours de téléchargement. Arrêtez-la avant d'en charger une autre.");
    EXPECT_EQ(host.dialogAnswers.size(), 1u) << "no dialog was shown";
    EXPECT_EQ(names(), Names{"taken"});

    context.setLanguage(Language::English);
    list.setSelectedRow(1);
    commands.removeSelectedEntry();
    EXPECT_EQ(host.messages.back().text,
              "This link is being downloaded. Stop the list to change or remove it.");
    commands.loadListFile(folder());
    EXPECT_EQ(host.messages.back().text,
              "The list is being downloaded. Stop it before loading another one.");
}

TEST_F(ListCommandsTest, WhenTheListDownloadIsInProgress) {
    addEntries({"a", "b"});
    list.setSelectedRow(1);
    // Started, before the worker marks the list running.
    host.running = true;
    context.setWorkMode(WorkMode::List);
    EXPECT_TRUE(commands.listDownloadInProgress());
    // A single download runs: the list is free.
    context.setWorkMode(WorkMode::Single);
    EXPECT_FALSE(commands.listDownloadInProgress());
    // A worker ended on an error and left the flag set: nothing belongs to it any more.
    host.running = false;
    context.setListRunning(true);
    context.setWorkMode(WorkMode::List);
    EXPECT_FALSE(commands.listDownloadInProgress());
    commands.removeSelectedEntry();
    EXPECT_EQ(names(), Names{"b"});
    commands.clearList();
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ListCommandsTest, ModifyRewritesTheEntryTheDialogWasOpenedFor) {
    addEntries({"a", "b", "c"});
    list.setSelectedRow(0);
    EXPECT_EQ(commands.selectEntryToModify(), 0u);
    list.setSelectedRow(4);
    EXPECT_EQ(commands.selectEntryToModify(), 0u);
    list.setSelectedRow(3);
    const auto entry = commands.selectEntryToModify();
    ASSERT_NE(entry, 0u);

    // While the dialog is open the worker finishes row 1 and selects row 1.
    listDownloadRuns();
    list.deleteFirstEntry();
    const DownloadJob job{"http://www.youtube.com/watch?v=new", folder(), "c2", "MP3", "T"};
    EXPECT_EQ(commands.modifyEntry(entry, job), LinkListCommands::ModifyOutcome::Modified);
    EXPECT_EQ(list.cells(2),
              (ListRow{"", "MP3", folder(), "c2", "T", "http://www.youtube.com/watch?v=new"}));
    EXPECT_EQ(list.cell(1, 3), "b");

    // The entry then reaches row 1 and the worker takes it.
    list.deleteFirstEntry();
    EXPECT_EQ(commands.modifyEntry(entry, job), LinkListCommands::ModifyOutcome::InProgress);
    EXPECT_EQ(host.messages.back().text, messages::EntryInProgressFr);

    // And once it is done, it is gone.
    list.deleteFirstEntry();
    EXPECT_EQ(commands.modifyEntry(entry, job), LinkListCommands::ModifyOutcome::Gone);
    EXPECT_EQ(host.messages.back().text,
              "Ce lien n'est plus dans la liste : il a été téléchargé ou supprimé entre-temps.");
    EXPECT_EQ(list.rowCount(), 2);
}

} // namespace
} // namespace vantaro
