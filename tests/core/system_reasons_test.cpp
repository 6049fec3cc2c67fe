// SPDX-License-Identifier: GPL-3.0-or-later
// The failure box's reason: in the user's language for the errors a download meets, the
// system's own text for any other.

#include "core/Language.h"
#include "core/SystemReasons.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

using vantaro::failureText;
using vantaro::Language;

TEST(SystemReasonsTest, FailureTextSpeaksTheUsersLanguageWhereItCan) {
    const vantaro::SystemFailure readOnly("Impossible de créer le fichier /x",
                                          "Cannot create the file /x", EROFS);
    const vantaro::SystemFailure other("Impossible de lire /y", "Cannot read /y", EIO);
    const std::runtime_error library("library text");
    EXPECT_EQ(failureText(&readOnly, Language::French),
              "Impossible de créer le fichier /x : le disque est en lecture seule");
    EXPECT_EQ(failureText(&other, Language::French),
              std::string("Impossible de lire /y : ") + std::strerror(EIO));
    EXPECT_EQ(failureText(&library, Language::French), "library text");
    EXPECT_EQ(failureText(nullptr, Language::French), "erreur inconnue");
    EXPECT_EQ(vantaro::converterStartReason(ENOENT, Language::French),
              "le convertisseur est introuvable");
    EXPECT_EQ(failureText(&readOnly, Language::English),
              "Cannot create the file /x: the disk is read-only");
    EXPECT_EQ(vantaro::converterStartReason(EACCES, Language::English), "permission denied");
    // The log text keeps the system's own words.
    EXPECT_EQ(std::string(readOnly.what()),
              std::string("Cannot create the file /x: ") + std::strerror(EROFS));
}

} // namespace
