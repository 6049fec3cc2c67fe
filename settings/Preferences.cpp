// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Preferences.h"

#include "core/Constants.h"
#include "jobs/RandomNames.h"
#include "settings/ProfileFile.h"

#include <algorithm>
#include <filesystem>

namespace vantaro {
namespace {
const char* const Section = "Visual";
const char* const FileNameKey = "destinationFileName";
const char* const PathNameKey = "destinationPathName";
// Read only: the program never writes this section.
const char* const ResolverSection = "Resolver";
const char* const ProgramKey = "program";
const char* const ReleasesKey = "releases";
const char* const UpdateKey = "update";
} // namespace

Preferences::Preferences(std::string programFolder) : m_programFolder(std::move(programFolder)) {
    if (!m_programFolder.empty() && m_programFolder.back() != '/')
        m_programFolder += '/';
    m_defaultDownloadsFolder = m_programFolder + DownloadsFolderName;
}

Preferences::Preferences(std::string settingsFolder, std::string defaultDownloadsFolder)
    : Preferences(std::move(settingsFolder)) {
    m_defaultDownloadsFolder = std::move(defaultDownloadsFolder);
}

std::string Preferences::path() const {
    return m_programFolder + PreferencesFileName;
}

bool Preferences::exists() const {
    std::error_code ec;
    return std::filesystem::is_regular_file(path(), ec);
}

void Preferences::load(PreferenceFields& fields) const {
    if (!exists())
        return;
    const std::string fileName = readProfileString(path(), Section, FileNameKey);
    const std::string pathName = readProfileString(path(), Section, PathNameKey);
    const std::string& defaultFolder = m_defaultDownloadsFolder;
    fields.fileName = fileName.empty() ? randomFileName() : fileName;
    fields.listFolder = pathName.empty() ? defaultFolder : pathName;
    fields.folder = pathName.empty() ? defaultFolder : pathName;
    fields.mp3Title = DefaultMp3Title;
}

std::string Preferences::ytDlpProgram() const {
    if (!exists())
        return {};
    std::string program = readProfileString(path(), ResolverSection, ProgramKey);
    // A path that is not absolute would be found from whatever folder the program was started
    // in, and a control character is no part of a program's name: both are not taken.
    const bool bareName = program.find('/') == std::string::npos;
    const bool control = std::any_of(program.begin(), program.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (control || !(program.starts_with('/') || bareName))
        return {};
    return program;
}

std::string Preferences::releasesLocation() const {
    if (!exists())
        return {};
    return readProfileString(path(), ResolverSection, ReleasesKey);
}

bool Preferences::engineChecksAllowed() const {
    return !exists() || readProfileString(path(), ResolverSection, UpdateKey) != "0";
}

void Preferences::storeSingleDownload(const std::string& fileName, const std::string& pathName) {
    if (!exists())
        return;
    writeProfileString(path(), Section, FileNameKey, fileName);
    writeProfileString(path(), Section, PathNameKey, pathName);
}

void Preferences::storeList(const std::string& pathName) {
    if (!exists())
        return;
    writeProfileString(path(), Section, PathNameKey, pathName);
}

} // namespace vantaro
