// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobs/DownloadCommands.h"

#include <string>

namespace vantaro {

// The fields that the preferences fill at start-up.
struct PreferenceFields {
    std::string fileName;
    std::string folder; // single-download folder
    std::string listFolder;
    std::string mp3Title;
};

// The optional settings file beside the executable. Every operation opens the file afresh and
// does nothing when the file is absent; the program never creates it.
class Preferences : public PreferencesStore {
public:
    // The file "applicationUserPreferences.ini" in the given folder (the program folder), with
    // that folder's "QrlMyDownloads" as the default download folder.
    explicit Preferences(std::string programFolder);
    // The file in the settings folder, with the given default download folder: the folders of
    // dataFoldersOfThisRun(), which leave the program folder when the user cannot write there.
    Preferences(std::string settingsFolder, std::string defaultDownloadsFolder);

    std::string path() const;
    bool exists() const;

    // Fills the fields from the file, with the defaults for empty values; leaves them as they
    // are when the file is absent.
    void load(PreferenceFields& fields) const;
    // The yt-dlp program named by the key "program" of the section "Resolver": an absolute path,
    // or a name found on PATH. Empty when the file, the section or the key is missing, or the
    // value is a relative path or holds a control character (yt-dlp on PATH then serves).
    std::string ytDlpProgram() const;
    // The key "releases" of the section "Resolver": where the program's own engines are fetched
    // from instead of their release pages. Read, never written; empty when missing. The updater
    // checks the address before it is used.
    std::string releasesLocation() const;
    // False when the key "update" of the section "Resolver" is "0": no check for newer engines at
    // start-up. A missing file or key allows them.
    bool engineChecksAllowed() const;

    void storeSingleDownload(const std::string& fileName, const std::string& pathName) override;
    void storeList(const std::string& pathName) override;

private:
    std::string m_programFolder;
    std::string m_defaultDownloadsFolder;
};

} // namespace vantaro
