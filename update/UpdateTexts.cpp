// SPDX-License-Identifier: GPL-3.0-or-later
// What an engine update tells the user when it fails, in both languages.
#include "update/EngineUpdater.h"

namespace vantaro {
namespace {

struct FailureText {
    UpdateFailure failure;
    const char* french;
    const char* english;
};

// "%1" is the engine's name, "%2" the file, address or folder concerned.
constexpr FailureText FailureTexts[] = {
    {UpdateFailure::NoAsset, "Aucune version de %1 n'est publiée pour cette machine (%2).",
     "No %1 release is published for this machine (%2)."},
    {UpdateFailure::BadLocation,
     "Adresse refusée pour télécharger %1 (seul https:// est accepté) : %2",
     "Address refused for downloading %1 (only https:// is accepted): %2"},
    {UpdateFailure::FolderNotWritable, "Le dossier des moteurs ne peut pas être écrit : %2",
     "The engines folder cannot be written: %2"},
    {UpdateFailure::Network, "Le serveur des versions de %1 ne répond pas (%2).",
     "%1's release server does not answer (%2)."},
    {UpdateFailure::HttpError, "Le serveur des versions de %1 a refusé le fichier : %2",
     "%1's release server refused the file: %2"},
    {UpdateFailure::BadRelease, "La page des versions de %1 ne donne pas de version valable : %2",
     "%1's release page gives no valid version: %2"},
    {UpdateFailure::BadSignature,
     "La signature de %2 n'est pas celle de l'éditeur de %1 : rien n'a été remplacé.",
     "The signature of %2 is not that of %1's publisher: nothing was replaced."},
    {UpdateFailure::NotListed, "%2 ne figure pas dans la liste des sommes de contrôle de %1.",
     "%2 is not in %1's checksum list."},
    {UpdateFailure::WrongHash,
     "La somme de contrôle de %2 ne correspond pas : le fichier téléchargé est écarté.",
     "The checksum of %2 does not match: the downloaded file was discarded."},
    {UpdateFailure::Truncated, "Le téléchargement de %2 s'est interrompu avant la fin.",
     "The download of %2 was cut off before its end."},
    {UpdateFailure::TooLarge, "%2 dépasse la taille admise pour %1.",
     "%2 exceeds the size allowed for %1."},
    {UpdateFailure::BadArchive, "L'archive %2 est illisible.", "The archive %2 cannot be read."},
    {UpdateFailure::DoesNotStart, "La nouvelle copie de %1 ne démarre pas : l'ancienne est gardée.",
     "The new copy of %1 does not start: the old one is kept."},
    {UpdateFailure::WrongVersion,
     "La nouvelle copie de %1 n'annonce pas la version %2 : l'ancienne est gardée.",
     "The new copy of %1 does not report version %2: the old one is kept."},
    {UpdateFailure::Stopped, "Mise à jour de %1 arrêtée.", "Update of %1 stopped."},
};

std::string replaced(std::string text, const std::string& marker, const std::string& value) {
    const auto at = text.find(marker);
    if (at != std::string::npos)
        text.replace(at, marker.size(), value);
    return text;
}

} // namespace

std::string updateFailureText(UpdateFailure failure, Language language, const std::string& engine,
                              const std::string& detail) {
    for (const auto& entry : FailureTexts) {
        if (entry.failure == failure)
            return replaced(replaced(pickText(language, entry.french, entry.english), "%1", engine),
                            "%2", detail);
    }
    return {};
}

} // namespace vantaro
