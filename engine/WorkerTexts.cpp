// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/WorkerTexts.h"

#include "core/Constants.h"
#include "core/Language.h"

#include <array>
#include <string_view>

namespace vantaro {
namespace {

struct TextRow {
    WorkerText id;
    const char* french;
    const char* english;
};

// Every text of the worker, as the user sees it. "\r\n" breaks a box's line.
constexpr std::array<TextRow, 15> Texts{{
    {WorkerText::PageFetching, "Téléchargement de la page source du Site..",
     "Downloading the internet page source.."},
    {WorkerText::PageFetched, "Fin de téléchargement de la page source",
     "End of downloading the internet page source"},
    {WorkerText::LinkExtracting, "Extraction du lien de la vidéo..", "Extraction of the video.."},
    {WorkerText::VideoFetching, "Téléchargement de la vidéo d'origine..",
     "Downloading the original video.."},
    {WorkerText::ConvertingWait,
     "Traitement de la video vers le format {fmt}, merci de patienter..",
     "Processing the video to the format : {fmt}, please wait.."},
    {WorkerText::Converting, "Traitement de la video vers le format {fmt}",
     "Processing the video to the format : {fmt}"},
    // The capture page's connection-speed option is named here; this text was never translated.
    {WorkerText::WatTf1Source,
     "Source du site '{wat}/{tf1}' (tentative 1/7..), si les tentatives échouent, choisir "
     "l'option Connexion moyenne ou lente",
     "Source du site '{wat}/{tf1}' (tentative 1/7..), si les tentatives échouent, choisir "
     "l'option Connexion moyenne ou lente"},
    {WorkerText::Ready, "Prêt", "Ready"},
    {WorkerText::ListPageFetched,
     "(Lien {n}/{total}) Fin de téléchargement de la page HTML Daily/YouTube",
     "(Link {n}/{total}) End of downloading the internet page source"},
    {WorkerText::ListExtracting, "(Lien {n}/{total}) Extraction de la vidéo originale..",
     "(Link {n}/{total}) Extraction of the original video.."},
    {WorkerText::ListVideoFetching, "(Lien {n}/{total}) Téléchargement de la vidéo d'origine..",
     "(Link {n}/{total}) Downloading the original video.."},
    {WorkerText::ListConverting, "(Lien {n}/{total}) Traitement de la video vers le format {fmt}..",
     "(Link {n}/{total}) Processing the video to the format : {fmt}.."},
    // The French box numbers its lines 1, 3, 2, 4 and says "or": users know it so.
    {WorkerText::UnsupportedLink,
     "Le Champ source, du lien internet, doit contenir \r\n1-'dailymotion', ou \r\n3-'youtube' ou "
     "\r\n2-'{wat}' or \r\n4-'{tf1}'",
     "The Internet link must contain \r\n1-'dailymotion', or \r\n2-'youtube' or \r\n3-'{wat}' or "
     "\r\n4-'{tf1}'"},
    {WorkerText::UnsupportedListLink,
     "Le Champ source, du lien internet, doit contenir \r\n1-'dailymotion', ou \r\n2-'youtube' ou "
     "\r\n3-'{wat}/{tf1}'",
     "The Internet link must contain \r\n1-'dailymotion', or \r\n2-'youtube' or "
     "\r\n3-'{wat}/{tf1}'"},
    {WorkerText::DownloadFailed, "Le téléchargement a échoué : ", "The download failed: "},
}};

// The value of one placeholder name; false when the name is not one.
bool placeholderValue(std::string_view name, const WorkerTextValues& values, std::string& out) {
    if (name == "fmt")
        out = values.formatName;
    else if (name == "n")
        out = std::to_string(values.row);
    else if (name == "total")
        out = std::to_string(values.total);
    else if (name == "wat")
        out = WatKeyword;
    else if (name == "tf1")
        out = Tf1Keyword;
    else
        return false;
    return true;
}

// One pass over the template, so that a filled-in value is never read as a placeholder.
std::string fill(std::string_view pattern, const WorkerTextValues& values) {
    std::string text;
    std::size_t at = 0;
    while (at < pattern.size()) {
        const std::size_t open = pattern.find('{', at);
        const std::size_t close =
            open == std::string_view::npos ? open : pattern.find('}', open + 1);
        std::string value;
        if (close == std::string_view::npos ||
            !placeholderValue(pattern.substr(open + 1, close - open - 1), values, value)) {
            text.append(pattern.substr(at, open == std::string_view::npos ? open : open + 1 - at));
            at = open == std::string_view::npos ? pattern.size() : open + 1;
            continue;
        }
        text.append(pattern.substr(at, open - at));
        text += value;
        at = close + 1;
    }
    return text;
}

} // namespace

std::string workerText(WorkerText id, Language language, const WorkerTextValues& values) {
    for (const TextRow& row : Texts) {
        if (row.id == id)
            return fill(pickText(language, row.french, row.english), values);
    }
    return {};
}

} // namespace vantaro
