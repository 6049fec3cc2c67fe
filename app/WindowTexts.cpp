// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowTexts.h"

#include "core/Constants.h"

#include <stdexcept>

namespace vantaro {

namespace {

using K = TextKind;
// The maker's web address, shown by the about dialog and the splash.
constexpr const char* MakerWebAddress = "http://www.quorlin.com";
constexpr std::nullopt_t Same = std::nullopt;

std::string exampleLinks(const char* opening, const char* youTubeLink) {
    return std::string(opening) + youTubeLink + " ou " + ExampleDailymotionLink + ")";
}

std::string makerSignature() {
    return std::string(MakerDomain) + " ©";
}

std::string& creationLanguageCode() {
    static std::string code = "FR";
    return code;
}

} // namespace

const std::string& mainWindowLanguageCode() {
    return creationLanguageCode();
}

void setMainWindowLanguageCode(std::string code) {
    creationLanguageCode() = std::move(code);
}

const std::string& WindowText::text(Language language) const {
    return language == Language::English && english ? *english : french;
}

const WindowTextTable& mainWindowTexts() {
    static const WindowTextTable table = {
        {"Label13", K::Caption, "Télécharger un lien", "Download a link"},
        {"Label14", K::Caption, "Télécharger une liste de liens", "Download a list of links"},
        {"TabSheet1", K::TabCaption, "Une vidéo à télécharger", Same},
        {"TabSheet2", K::TabCaption, "Liste des vidéos à télécharger", Same},
        {"GroupBox1", K::Caption, " Une vidéo à télécharger", "Download a video"},
        {"Label9", K::Caption, "Source vidéo", "Video URL"},
        {"Label1", K::Caption, exampleLinks("(exemple : ", ExampleYouTubeLink),
         exampleLinks("(example : ", ExampleYouTubeLinkEn)},
        {"Edit1", K::InitialText, ExampleYouTubeLink, Same},
        {"Label7", K::Caption, "Sauvegarder dans", "Save To"},
        {"Label10", K::Caption, "(exemple : C:\\mondossier)", "(example : C:\\myfolder)"},
        {"Button2", K::Caption, "Explorer", "Explore"},
        {"Button16", K::Caption, "Ouvrir le dossier", "Open Directory"},
        {"Label5", K::Caption, "Nom du fichier cible sans extension",
         "File Name without extension"},
        {"Label11", K::Caption, "(exemple : monfichier)", "(example : myfilename)"},
        {"Label3", K::Caption, "Format de téléchargement", "Download to format:"},
        {"Label8", K::Caption, "Titre MP3 ", "MP3 Title"},
        {"Label12", K::Caption,
         "(seulement si le format cible est MP3, exemple de titre : montitre)",
         "(only for MP3 files, example: mytitle)"},
        {"Image20", K::Hint, "Télécharger le lien", "Download the link"},
        {"Image23", K::Hint, "Ajouter le lien saisi à la liste (menu \"liste de liens\")",
         "Add the current link to the list (menu \"list of links\")"},
        {"GroupBox2", K::Caption, " Liste des vidéos à télécharger ",
         "Video list to be downloaded"},
        {"Label4", K::Caption, "Dossier destinataire", "Destination folder"},
        {"Label6", K::Caption, "(exemple : C:\\mondossier\\)", "(example : C:\\myfolder)"},
        {"Button11", K::Caption, "Explorer", "Explore"},
        {"Image8", K::Hint, "Télécharger la liste des liens", "Download the video list"},
        {"Image14", K::Hint, "Ajouter un lien", "Add a link"},
        {"Image18", K::Hint, "Supprimer un lien", "Remove the selected link"},
        {"Image16", K::Hint, "Vider la liste", "Clear the list"},
        {"Image25", K::Hint, "Modifier un lien", Same},
        {"Image26", K::Hint, "Modifier une entrée de la liste", "Edit the selected link"},
        {"Image29", K::Hint, "Charger une liste MP3", Same},
        {"Button5", K::Caption, "Stop", Same},
        {"StatusBar1", K::StatusText, "Prêt", "Ready"},
        {"OuvrirPellorin1", K::Caption, "Ouvrir Vantaro", "Open Vantaro"},
        {"Quiter1", K::Caption, "Quitter Vantaro", "Close Vantaro"},
        {"MenuItem2", K::Caption, "Co&mment utiliser Vantaro", "&How to use Vantaro"},
        {"MenuItem1", K::Caption, "Vantaro sur le &Web", "Vantaro on the &Web"},
        {"AproposdeVantaro1", K::Caption, "&A propos de Vantaro", "&About Vantaro"},
        {"MettreajourytDlp1", K::Caption, "Mettre à jour yt-dlp", "Update yt-dlp"},
        {"Button4", K::Caption, "Télécharger la vidéo", Same},
        {"Button8", K::Caption, "Ajouter le lien à la liste", Same},
        {"Button7", K::Caption, "Télécharger la liste des vidéo sous format MP3", Same},
        {"Button6", K::Caption, "Charger une liste de liens MP3 vidéo", Same},
        {"Button1", K::Caption, "Transformer ma vidéo pour PSP", Same},
        {"Button3", K::Caption, "Choisir la vidéo à transformer pour PSP", Same},
        {"Button9", K::Caption, "Edit stringGrid", Same},
        {"Button10", K::Caption, "stop", Same},
        {"Button15", K::Caption, "Start Capture", Same},
        {"Button14", K::Caption, "Fermer Webbrowser", Same},
        {"Button13", K::Caption, "Activer le son", Same},
        {"Button12", K::Caption, std::string("Browse ") + WatWebHost, Same},
    };
    return table;
}

namespace {

// The fields shared by the two list dialogs.
WindowTextTable linkDialogTexts(WindowText title, WindowText confirm) {
    return {
        std::move(title),
        {"Label1", K::Caption, "Source vidéo :", "Video URL"},
        {"Label7", K::Caption, "Sauvegarder dans : ", "Save to: "},
        {"Button2", K::Caption, "Explorer", "Explore"},
        {"Label5", K::Caption,
         "Nom du fichier cible sans extension :", "File name, without extension :"},
        {"Label3", K::Caption, "Format de téléchargement :", "Format"},
        {"Label8", K::Caption,
         "Titre MP3 (seulement si le format cible est MP3) :", "MP3 Title (only for MP3 files)"},
        std::move(confirm),
        {"Button8", K::Caption, "Annuler", "Cancel"},
    };
}

} // namespace

const WindowTextTable& addDialogTexts() {
    static const WindowTextTable table = linkDialogTexts(
        {"AddLinkDialog", K::Title, "Ajouter un nouveau lien", "Add a link to the list"},
        {"Button4", K::Caption, "Ajouter", "Add"});
    return table;
}

const WindowTextTable& modifyDialogTexts() {
    static const WindowTextTable table =
        linkDialogTexts({"EditLinkDialog", K::Title, "Modifier une entrée de la liste",
                         "Modify a link of the list"},
                        {"Button4", K::Caption, "Modifier", "Modify"});
    return table;
}

const WindowTextTable& aboutDialogTexts() {
    static const WindowTextTable table = {
        {"AboutDialog", K::Title, "A porpos de Vantaro", Same},
        {"Label3", K::Caption, MakerWebAddress, Same},
        {"Label2", K::Caption, "Vantaro, version 2.0", Same},
        {"Label4", K::Caption, makerSignature(), Same},
        {"Button1", K::Caption, "OK", Same},
    };
    return table;
}

const WindowTextTable& splashTexts() {
    static const WindowTextTable table = {
        {"Label1", K::Caption, "Vantaro, version 2.0", Same},
        {"Label2", K::Caption, makerSignature(), Same},
        {"Label3", K::Caption, MakerWebAddress, Same},
    };
    return table;
}

const WindowText& findText(const WindowTextTable& table, const std::string& control,
                           TextKind kind) {
    for (const WindowText& entry : table)
        if (entry.control == control && entry.kind == kind)
            return entry;
    throw std::out_of_range("no text for " + control);
}

} // namespace vantaro
