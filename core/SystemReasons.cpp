// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SystemReasons.h"

#include "core/Language.h"

#include <cerrno>
#include <cstring>

namespace vantaro {
namespace {

struct Reason {
    int errorNumber;
    const char* french;
    const char* english;
};

// The errors a download meets when it creates, writes or reads its files.
constexpr Reason Reasons[] = {
    {ENOSPC, "il n'y a plus de place sur le disque", "there is no space left on the disk"},
    {EROFS, "le disque est en lecture seule", "the disk is read-only"},
    {ENAMETOOLONG, "le nom est trop long", "the name is too long"},
    {EACCES, "permission refusée", "permission denied"},
    {EPERM, "permission refusée", "permission denied"},
    {ENOENT, "le fichier ou le dossier n'existe pas", "no such file or folder"},
    {EISDIR, "c'est un dossier", "it is a folder"},
    {EDQUOT, "votre quota d'espace disque est atteint", "your disk quota is used up"},
    {EMFILE, "trop de fichiers sont ouverts", "too many files are open"},
    {ENFILE, "trop de fichiers sont ouverts", "too many files are open"},
};

} // namespace

std::string systemReason(int errorNumber, Language language) {
    for (const Reason& reason : Reasons)
        if (reason.errorNumber == errorNumber)
            return pickText(language, reason.french, reason.english);
    return std::strerror(errorNumber);
}

std::string converterStartReason(int errorNumber, Language language) {
    if (errorNumber == ENOENT)
        return pickText(language, "le convertisseur est introuvable",
                        "the converter cannot be found");
    return systemReason(errorNumber, language);
}

SystemFailure::SystemFailure(const std::string& triedFrench, const std::string& triedEnglish,
                             int errorNumber)
    : std::runtime_error(errorNumber == 0 ? triedEnglish
                                          : triedEnglish + ": " + std::strerror(errorNumber)),
      m_triedFrench(triedFrench), m_triedEnglish(triedEnglish), m_errorNumber(errorNumber) {}

std::string SystemFailure::tried(Language language) const {
    return pickText(language, m_triedFrench, m_triedEnglish);
}

std::string SystemFailure::userText(Language language) const {
    if (m_errorNumber == 0)
        return tried(language);
    return tried(language) + pickText(language, " : ", ": ") +
           systemReason(m_errorNumber, language);
}

std::string failureText(const std::exception* error, Language language) {
    if (const auto* failure = dynamic_cast<const SystemFailure*>(error))
        return failure->userText(language);
    if (error != nullptr)
        return error->what();
    return pickText(language, "erreur inconnue", "unknown error");
}

} // namespace vantaro
