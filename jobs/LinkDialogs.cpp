// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/LinkDialogs.h"

#include "core/Constants.h"
#include "core/Language.h"
#include "jobs/RandomNames.h"
#include "jobs/SiteKind.h"

namespace vantaro {

namespace messages {
const char* const DialogFolderMissingFr =
    "Le dossier destinataire n'existe pas, créez ce dossier ou choisissez un nouveau";
const char* const DialogFolderMissingEn =
    "The destination folder dosn't exist, create this folder or choose another one";
const char* const DialogAddRefusedFr =
    "Le lien ne peut être ajouté à la liste.\r\n\r\nIl faut saisir les deux champs suivants : "
    "\r\n1) Le lien internet de la vidéo (Champs \"Source vidéo\"), \r\n2) L'emplacement où le "
    "fichier sera sauvegardé (Champs \"Sauvegarder dans\")";
const char* const DialogAddRefusedEn = "Can't add the link to the list.\r\n\r\nPlease select : "
                                       "\r\n1) The Internet video link, \r\n2) the destination "
                                       "folder";
const char* const DialogModifyRefusedFr =
    "Les modifications ne peuvent pas être prises en compte.\r\n\r\nIl faut saisir les deux "
    "champs suivants : \r\n1) Un lien internet (supporté) de la vidéo (Champs \"Source "
    "vidéo\"), \r\n2) L'emplacement où le fichier sera sauvegardé (Champs \"Sauvegarder dans\")";
const char* const DialogModifyRefusedEn = "The modifications could not be applied.\r\n\r\nPlease "
                                          "enter : \r\n1) A supported video link, \r\n2) the "
                                          "destination folder";
const char* const DialogPickerCaptionFr =
    "Choisissez le dossier où le fichier téléchargé sera crée";
const char* const DialogPickerCaptionEn =
    "Select the desination directory where the file will be created";
} // namespace messages

namespace {

// The checks common to both dialogs: the folder exists, then the link and folder are given and
// the link is of a known site. False after the message of the failed check.
bool checkFields(const LinkDialogFields& fields, LinkDialogHost& host, Language language,
                 const char* folderFr, const char* folderEn, const char* refusedFr,
                 const char* refusedEn) {
    if (!host.directoryExists(fields.folder)) {
        inform(host, language, folderFr, folderEn);
        return false;
    }
    if (fields.link.empty() || fields.folder.empty() || !isSupportedLink(fields.link)) {
        inform(host, language, refusedFr, refusedEn);
        return false;
    }
    return true;
}

} // namespace

std::string addDialogDefaultFolder(LinkDialogHost& host) {
    std::string folder = host.listFolderField();
    return folder.empty() ? host.defaultDownloadsFolder() : folder;
}

void addDialogActivate(LinkDialogFields& fields, LinkDialogHost& host) {
    if (!host.preferencesFileExists())
        return;
    fields.fileName = randomFileName();
    fields.folder = addDialogDefaultFolder(host);
    fields.mp3Title = DefaultMp3Title;
}

DownloadJob dialogJob(const LinkDialogFields& fields) {
    return {fields.link, fields.folder, fields.fileName, fields.format,
            fields.format == "MP3" ? fields.mp3Title : "-"};
}

bool addDialogConfirm(const RunContext& context, LinkDialogFields& fields, ListAppender& list,
                      LinkDialogHost& host) {
    if (!checkFields(fields, host, context.language(), messages::DialogFolderMissingFr,
                     messages::DialogFolderMissingEn, messages::DialogAddRefusedFr,
                     messages::DialogAddRefusedEn))
        return false;
    if (fields.fileName.empty())
        fields.fileName = randomFileName();
    const DownloadJob job = dialogJob(fields);
    list.appendListEntry(job.formatName, job.destinationPathName, job.destinationFileName,
                         job.mp3Title, job.videoUrl);
    return true;
}

bool modifyDialogActivate(LinkDialogFields& fields, const LinkList& list, std::uint64_t entryId) {
    const int row = list.rowOfEntry(entryId);
    if (row == 0)
        return false;
    const DownloadJob job = list.entry(row);
    fields.format = job.formatName;
    fields.folder = job.destinationPathName;
    fields.fileName = job.destinationFileName;
    fields.mp3Title = job.mp3Title;
    fields.link = job.videoUrl;
    return true;
}

ModifyResult modifyDialogConfirm(const RunContext& context, LinkDialogFields& fields,
                                 std::uint64_t entryId, LinkListCommands& commands,
                                 const LinkList& list, LinkDialogHost& host) {
    if (list.rowOfEntry(entryId) == 0) {
        inform(host, context.language(), messages::EntryGoneFr, messages::EntryGoneEn);
        return ModifyResult::Gone;
    }
    if (!checkFields(fields, host, context.language(), messages::DialogFolderMissingFr,
                     messages::DialogFolderMissingEn, messages::DialogModifyRefusedFr,
                     messages::DialogModifyRefusedEn))
        return ModifyResult::Refused;
    if (fields.fileName.empty())
        fields.fileName = randomFileName();
    switch (commands.modifyEntry(entryId, dialogJob(fields))) {
    case LinkListCommands::ModifyOutcome::Modified:
        return ModifyResult::Modified;
    case LinkListCommands::ModifyOutcome::InProgress:
        return ModifyResult::InProgress;
    case LinkListCommands::ModifyOutcome::Gone:
        return ModifyResult::Gone;
    }
    return ModifyResult::Refused;
}

void dialogPickFolder(const RunContext& context, LinkDialogFields& fields, FolderPicker& picker) {
    const std::string caption =
        context.pickText(messages::DialogPickerCaptionFr, messages::DialogPickerCaptionEn);
    if (std::optional<std::string> chosen = picker.pickFolder(caption, {}))
        fields.folder = std::move(*chosen);
}

} // namespace vantaro
