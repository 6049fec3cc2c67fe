// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/DownloadCommands.h"

#include "core/Language.h"
#include "jobs/FormatCatalogue.h"
#include "jobs/RandomNames.h"
#include "jobs/SiteKind.h"

namespace vantaro {

namespace messages {
const char* const WorkerAlreadyRunningFr =
    "Un téléchargement est déjà en cours. Attendez qu'il se termine ou arrêtez-le avant d'en "
    "lancer un autre.";
const char* const WorkerAlreadyRunningEn =
    "A download is already running. Wait for it to end or stop it before starting another one.";
} // namespace messages

namespace {

const char* const M1Fr =
    "Le dossier destinataire n'existe pas, créez ce dossier ou choisissez un nouveau";
const char* const M1En =
    "The destination folder doesn't exist, please create the folder or choose another one";
const char* const M2Fr =
    "Le téléchargement ne peut pas être effectué.\r\n\r\nIl faut saisir les deux champs suivants "
    ": \r\n1) Un lien internet (supporté) de la vidéo (Champ \"Source vidéo\") \r\n2) "
    "L'emplacement où le fichier sera sauvegardé (Champ \"Sauvegarder dans\")";
const char* const M2En = "Can't download the file.\r\n\r\nYou must enter : \r\n1) An internet "
                         "video link (Field \"Video URL\") \r\n2) \"Save to\" field";
const char* const M3Fr = "Le fichier cible existe déjà, êtes vous sure de vouloir l\u2019écraser?";
const char* const M3En = "The destination file already exists, overwrite?";
const char* const M4Fr =
    "Le dossier destinataire n'existe pas, créez ce dossier ou choisissez un nouveau";
const char* const M4En =
    "The destination folder dosn't exist, create this folder or choose another one";
const char* const M5Fr =
    "Le lien ne peut être ajouté à la liste.\r\n\r\nIl faut saisir les deux champs suivants : "
    "\r\n1) Le lien internet de la vidéo (Champs \"Source vidéo\"), \r\n2) L'emplacement où le "
    "fichier sera sauvegardé (Champs \"Sauvegarder dans\")";
const char* const M5En = "Can't add the link to the list.\r\n\r\nPlease select : \r\n1) The "
                         "Internet video link, \r\n2) the destination folder";

// The checks shared by both commands, in their order. Returns false after showing a message.
bool checkFields(const SingleLinkFields& fields, DownloadCommandHost& host, Language language,
                 const char* folderFr, const char* folderEn, const char* fieldsFr,
                 const char* fieldsEn) {
    if (!host.directoryExists(fields.folder)) {
        inform(host, language, folderFr, folderEn);
        return false;
    }
    if (fields.link.empty() || fields.folder.empty() || !isSupportedLink(fields.link)) {
        inform(host, language, fieldsFr, fieldsEn);
        return false;
    }
    return true;
}

} // namespace

bool refuseWhileWorkerRunning(const WorkerLauncher& launcher, MessagePresenter& presenter,
                              Language language) {
    if (!launcher.workerRunning())
        return false;
    inform(presenter, language, messages::WorkerAlreadyRunningFr, messages::WorkerAlreadyRunningEn);
    return true;
}

void startDownload(RunContext& context, const SingleLinkFields& fields, DownloadCommandHost& host) {
    const Language language = context.language();
    if (refuseWhileWorkerRunning(host, host, language))
        return;
    context.clearStop();
    context.currentJob().setFormatName(fields.format);
    if (!checkFields(fields, host, language, M1Fr, M1En, M2Fr, M2En))
        return;
    host.storeSingleDownload(fields.fileName, fields.folder);

    // Ask about the file the conversion will really write.
    const std::string base = jobBase(fields.folder, fields.fileName);
    if (const auto target = outputFile(fields.format, base); target && host.fileExists(*target)) {
        if (!host.showMessage(MessageKind::Confirmation, pickText(language, M3Fr, M3En)))
            return;
        host.deleteFile(*target);
    }

    context.setWorkMode(WorkMode::Single);
    std::string fileName = fields.fileName;
    if (fileName.empty()) {
        fileName = randomFileName();
        host.setFileNameField(fileName);
    }
    context.currentJob().setMp3Title(fields.mp3Title);
    host.startWorker(
        DownloadJob{fields.link, fields.folder, fileName, fields.format, fields.mp3Title});
}

void addToList(const RunContext& context, const SingleLinkFields& fields,
               DownloadCommandHost& host) {
    addToList(context, fields, host, host);
}

void addToList(const RunContext& context, const SingleLinkFields& fields, DownloadCommandHost& host,
               ListAppender& list) {
    if (!checkFields(fields, host, context.language(), M4Fr, M4En, M5Fr, M5En))
        return;
    std::string fileName = fields.fileName;
    if (fileName.empty()) {
        fileName = randomFileName();
        host.setFileNameField(fileName);
    }
    const std::string title = fields.format == "MP3" ? fields.mp3Title : "-";
    list.appendListEntry(fields.format, fields.folder, fileName, title, fields.link);
}

} // namespace vantaro
