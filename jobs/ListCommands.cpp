// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/ListCommands.h"

#include "core/Language.h"
#include "jobs/ListFile.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>
#include <unordered_set>

namespace vantaro {

namespace messages {
const char* const EntryInProgressFr =
    "Ce lien est en cours de téléchargement. Arrêtez la liste pour le modifier ou le supprimer.";
const char* const EntryInProgressEn =
    "This link is being downloaded. Stop the list to change or remove it.";
const char* const ListInProgressFr =
    "La liste est en cours de téléchargement. Arrêtez-la avant d'en charger une autre.";
const char* const ListInProgressEn =
    "The list is being downloaded. Stop it before loading another one.";
const char* const EntryGoneFr =
    "Ce lien n'est plus dans la liste : il a été téléchargé ou supprimé entre-temps.";
const char* const EntryGoneEn =
    "This link is no longer in the list: it was downloaded or removed in the meantime.";
} // namespace messages

namespace {

const char* const L1Fr = "La liste des liens ne peut pas être chargée.\r\n\r\nIl faut choisir : "
                         "\r\n- Le dossier où les fichiers téléchargés seront crées.";
const char* const L1En = "Can't load the list of video links.\r\n\r\nYou must enter : \r\n- The "
                         "folder where the donwloaded files will be saved.";
const char* const L2Fr = "La liste des liens à télécharger est vide, ajoutez des liens avant de "
                         "lancer le téléchargement";
const char* const L2En = "The list of video links is empty, add video links before downloading";
const char* const L3Fr = "Le champ \"Dossier destinataire\" n'existe pas, créez ce dossier ou "
                         "choisissez un nouveau";
const char* const L3En =
    "The destination folder dosn't exist, create this folder or choose another one";

std::string l4Text(Language language, int number) {
    const std::string n = std::to_string(number);
    return pickText(language,
                    "Le dossier destinataire du lien numéro " + n +
                        " de liste n'existe pas, modifiez cette entrée de la liste",
                    "The destination folder of the link number " + n +
                        " of the list, doesn't exist, please change the folder of the link");
}

std::string unreadableText(Language language, const std::string& path, int errorNumber) {
    const std::string description = std::generic_category().message(errorNumber);
    return pickText(language, "Impossible de lire le fichier " + path + " : " + description,
                    "Cannot read the file " + path + ": " + description);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Clears a flag when the scope ends, however it ends.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
};

} // namespace

LinkListCommands::LinkListCommands(LinkList& list, ListCommandHost& host, RunContext& context)
    : m_list(list), m_host(host), m_context(context) {}

bool LinkListCommands::listDownloadInProgress() const {
    // The work mode covers the moment between the start and the worker marking the list running;
    // the running worker excludes a flag left set by a worker that ended on an error.
    return m_host.workerRunning() &&
           (m_context.listRunning() || m_context.workMode() == WorkMode::List);
}

bool LinkListCommands::refuseFirstEntryInProgress(int row) {
    if (row != 1 || !listDownloadInProgress())
        return false;
    inform(m_host, m_context.language(), messages::EntryInProgressFr, messages::EntryInProgressEn);
    return true;
}

void LinkListCommands::removeSelectedEntry() {
    const int row = m_list.selectedRow();
    if (!m_list.isEntryRow(row) || refuseFirstEntryInProgress(row))
        return;
    m_list.deleteRow(row);
    m_list.setSelectedRow(row);
}

void LinkListCommands::clearList() {
    m_list.deleteEntriesFrom(listDownloadInProgress() ? 2 : 1);
}

std::uint64_t LinkListCommands::selectEntryToModify() {
    const int row = m_list.selectedRow();
    if (!m_list.isEntryRow(row) || refuseFirstEntryInProgress(row))
        return 0;
    return m_list.entryId(row);
}

LinkListCommands::ModifyOutcome LinkListCommands::modifyEntry(std::uint64_t entryId,
                                                              const DownloadJob& job) {
    const int row = m_list.rowOfEntry(entryId);
    if (row == 0) {
        inform(m_host, m_context.language(), messages::EntryGoneFr, messages::EntryGoneEn);
        return ModifyOutcome::Gone;
    }
    if (refuseFirstEntryInProgress(row))
        return ModifyOutcome::InProgress;
    m_list.replaceEntry(row, job);
    return ModifyOutcome::Modified;
}

void LinkListCommands::loadListFile(const std::string& listFolder) {
    // The window handles its events during a load; a second load started from there would
    // interleave two files, so it is ignored.
    if (m_loading)
        return;
    if (listDownloadInProgress()) {
        inform(m_host, m_context.language(), messages::ListInProgressFr,
               messages::ListInProgressEn);
        return;
    }
    if (std::string chosen = m_host.chooseListFile(); !chosen.empty())
        m_listFileName = std::move(chosen);
    if (m_listFileName.empty())
        return;
    // The folder as it is now: the window may change its field while the load runs.
    const std::string folder = listFolder;
    m_context.setLastPickedFolder(folder);
    if (folder.empty()) {
        inform(m_host, m_context.language(), L1Fr, L1En);
        return;
    }
    const FlagScope loading(m_loading);
    loadFile(folder);
}

void LinkListCommands::loadFile(const std::string& folder) {
    const std::string path = m_listFileName;
    m_list.reset();
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        m_host.showMessage(MessageKind::Error,
                           unreadableText(m_context.language(), path, errno != 0 ? errno : EIO));
        return;
    }
    m_host.processPendingEvents();
    ListFileReader reader(file.get());
    ListFileEntry entry;
    for (;;) {
        m_host.processPendingEvents();
        const auto result = reader.readEntry(entry);
        if (result == ListFileReader::Result::End)
            break;
        if (result == ListFileReader::Result::Error) {
            // The entries read so far stay in the list.
            m_host.showMessage(MessageKind::Error,
                               unreadableText(m_context.language(), path, reader.errorNumber()));
            return;
        }
        const std::string name = titleToFileName(entry.title);
        m_list.appendListEntry("MP3", folder, name, name, entry.link);
    }
    m_host.listReady();
}

void LinkListCommands::startListDownload(const std::string& folder) {
    const Language language = m_context.language();
    if (refuseWhileWorkerRunning(m_host, m_host, language))
        return;
    m_context.clearStop();
    m_host.storeList(folder);
    if (m_list.entryCount() == 0) {
        inform(m_host, language, L2Fr, L2En);
        return;
    }
    if (!m_host.directoryExists(folder)) {
        inform(m_host, language, L3Fr, L3En);
        return;
    }
    // Loaded lists name one folder many times: each folder is asked about once.
    std::unordered_set<std::string> existing;
    for (int row = 1; row <= m_list.entryCount(); ++row) {
        const std::string& rowFolder = m_list.cell(row, 2);
        if (existing.contains(rowFolder))
            continue;
        if (!m_host.directoryExists(rowFolder)) {
            m_host.showMessage(MessageKind::Information, l4Text(language, row));
            return;
        }
        existing.insert(rowFolder);
    }
    m_context.setWorkMode(WorkMode::List);
    // In list mode the worker takes its jobs from the list's rows.
    m_host.startWorker(DownloadJob{});
}

} // namespace vantaro
