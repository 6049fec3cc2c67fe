// SPDX-License-Identifier: GPL-3.0-or-later
// The reasons of the failure box: in the user's language for the errors a download meets, the
// system's own text for any other.

#include "core/Language.h"
#include "core/SystemReasons.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

using vantaro::LanguageCode;

TEST(SystemReasonsTest, DownloadErrorsAreTranslatedOthersKeepTheSystemsText) {
    const struct {
        int errorNumber;
        const char* french;
        const char* english;
    } cases[] = {
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
        {EIO, std::strerror(EIO), std::strerror(EIO)},
    };
    for (const auto& c : cases) {
        LanguageCode = "FR";
        EXPECT_EQ(vantaro::systemReason(c.errorNumber), c.french) << c.errorNumber;
        LanguageCode = "EN";
        EXPECT_EQ(vantaro::systemReason(c.errorNumber), c.english) << c.errorNumber;
    }
    EXPECT_EQ(vantaro::converterStartReason(ENOENT), "the converter cannot be found");
    EXPECT_EQ(vantaro::converterStartReason(EACCES), "permission denied");
    LanguageCode = "FR";
    EXPECT_EQ(vantaro::converterStartReason(ENOENT), "le convertisseur est introuvable");
}

TEST(SystemReasonsTest, FailureTextSpeaksTheUsersLanguageWhereItCan) {
    const vantaro::SystemFailure full("Impossible de créer le fichier /x",
                                      "Cannot create the file /x", EROFS);
    const vantaro::SystemFailure bare("Impossible de lire /y", "Cannot read /y", 0);
    const std::runtime_error other("library text");
    LanguageCode = "FR";
    EXPECT_EQ(vantaro::failureText(&full),
              "Impossible de créer le fichier /x : le disque est en lecture seule");
    EXPECT_EQ(vantaro::failureText(&bare), "Impossible de lire /y");
    EXPECT_EQ(vantaro::failureText(&other), "library text");
    EXPECT_EQ(vantaro::failureText(nullptr), "erreur inconnue");
    LanguageCode = "EN";
    EXPECT_EQ(vantaro::failureText(&full), "Cannot create the file /x: the disk is read-only");
    // The log text keeps the system's own words.
    EXPECT_EQ(std::string(full.what()),
              std::string("Cannot create the file /x: ") + std::strerror(EROFS));
}

} // namespace
