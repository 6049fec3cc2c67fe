// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Preferences.h"
#include "settings/ProfileFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

using namespace vantaro;
namespace fs = std::filesystem;

namespace {

class PreferencesFile : public ::testing::Test {
protected:
    void SetUp() override { fs::permissions(m_folder, fs::perms::all); }

    std::string iniPath() const { return m_folder + "/applicationUserPreferences.ini"; }
    void writeIni(const std::string& content) const {
        std::ofstream(iniPath(), std::ios::binary) << content;
    }
    std::string readIni() const {
        std::ifstream in(iniPath(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    vantaro::testing::TempFolder m_temp{"vantaro-prefs"};
    std::string m_folder = m_temp.path();
};

} // namespace

TEST_F(PreferencesFile, NoFileReadsNothingWritesNothingCreatesNothing) {
    Preferences preferences(m_folder);
    PreferenceFields fields;
    preferences.load(fields);
    EXPECT_EQ(fields.fileName, "");
    EXPECT_EQ(fields.folder, "");
    EXPECT_EQ(fields.listFolder, "");
    EXPECT_EQ(fields.mp3Title, "");
    preferences.storeSingleDownload("name", "/x");
    preferences.storeList("/y");
    EXPECT_FALSE(fs::exists(iniPath()));
}

TEST_F(PreferencesFile, EmptyFileGivesTheDefaultsAndStaysEmpty) {
    writeIni("");
    PreferenceFields fields;
    Preferences(m_folder).load(fields);
    EXPECT_TRUE(std::regex_match(fields.fileName, std::regex("[0-9]{6}")));
    EXPECT_EQ(fields.folder, m_folder + "/QrlMyDownloads");
    EXPECT_EQ(fields.listFolder, m_folder + "/QrlMyDownloads");
    EXPECT_EQ(fields.mp3Title, "Quorlin");
    EXPECT_EQ(readIni(), "");

    // Away from the program folder (a system-wide install), the default folder is the one given.
    PreferenceFields perUser;
    Preferences(m_folder, "/home/ann/Vantaro").load(perUser);
    EXPECT_EQ(perUser.folder, "/home/ann/Vantaro");
    EXPECT_EQ(perUser.listFolder, "/home/ann/Vantaro");
}

TEST_F(PreferencesFile, BothKeysFillNameAndBothFolders) {
    writeIni("[Visual]\ndestinationFileName=holiday\ndestinationPathName=/home/me/videos\n");
    PreferenceFields fields;
    Preferences(m_folder).load(fields);
    EXPECT_EQ(fields.fileName, "holiday");
    EXPECT_EQ(fields.folder, "/home/me/videos");
    EXPECT_EQ(fields.listFolder, "/home/me/videos");
}

TEST_F(PreferencesFile, StoringKeepsEveryOtherLineByteForByte) {
    const std::string before = "; my notes\r\n[Other]\r\ndestinationPathName=keep me\r\n"
                               "\r\n[visual]\r\n  DestinationPathName = /old  \r\nodd line\r\n"
                               "[Tail]\r\nx=1";
    writeIni(before);
    Preferences preferences(m_folder);
    preferences.storeSingleDownload("", "/new folder");
    EXPECT_EQ(readIni(), "; my notes\r\n[Other]\r\ndestinationPathName=keep me\r\n"
                         "\r\n[visual]\r\ndestinationPathName=/new folder\r\nodd line\r\n"
                         "destinationFileName=\r\n[Tail]\r\nx=1");
    preferences.storeList("/list");
    EXPECT_EQ(readProfileString(iniPath(), "Visual", "destinationPathName"), "/list");
    EXPECT_EQ(readProfileString(iniPath(), "Other", "destinationPathName"), "keep me");
    EXPECT_EQ(readProfileString(iniPath(), "Visual", "destinationFileName"), "");
}

TEST_F(PreferencesFile, MissingSectionIsAddedAtTheEnd) {
    writeIni("[Other]\nkey=v");
    Preferences(m_folder).storeList("/videos");
    EXPECT_EQ(readIni(), "[Other]\nkey=v\n[Visual]\ndestinationPathName=/videos\n");
}

TEST(ProfileText, ValuesAreTrimmedUnquotedAndLimited) {
    const std::string longValue(5000, 'a');
    const std::string ini = "[S]\nquoted = \"a b\" \nlong=" + longValue + "\nempty=\n";
    EXPECT_EQ(profileValue(ini, "s", "QUOTED"), "a b");
    EXPECT_EQ(profileValue(ini, "S", "long").size(), 2047u);
    EXPECT_EQ(profileValue(ini, "S", "empty"), "");
    EXPECT_EQ(profileValue(ini, "S", "missing"), "");
    EXPECT_EQ(profileValue(ini, "T", "quoted"), "");
}

TEST_F(PreferencesFile, UnwritableFileRaisesTheErrorWithItsFullPath) {
    writeIni("[Visual]\ndestinationPathName=/old\n");
    fs::permissions(iniPath(),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // Root writes anything: check as an unprivileged user in a child process.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        try {
            Preferences(m_folder).storeSingleDownload("n", "/p");
        } catch (const ProfileWriteError& error) {
            const std::string expected = "Impossible d'écrire dans " + iniPath();
            ::_exit(error.what() == expected ? 0 : 2);
        }
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no error raised, 2: wrong text, 3: setuid failed";
    EXPECT_EQ(readIni(), "[Visual]\ndestinationPathName=/old\n") << "the file is unchanged";
}

// The yt-dlp program is read from its own section, which storing never touches.
TEST_F(PreferencesFile, ResolverProgramIsReadAndItsSectionNeverWritten) {
    Preferences preferences(m_folder);
    EXPECT_EQ(preferences.ytDlpProgram(), "") << "no file";
    const std::string content = "[Visual]\ndestinationPathName=/v\n[resolver]\nPROGRAM = "
                                "\"/opt/yt dlp/yt-dlp\"\n";
    writeIni(content);
    EXPECT_EQ(preferences.ytDlpProgram(), "/opt/yt dlp/yt-dlp");
    preferences.storeList("/v");
    EXPECT_EQ(readIni(), content);
    writeIni("[Visual]\n");
    EXPECT_EQ(preferences.ytDlpProgram(), "") << "no section";
    // A name is looked up on PATH; a relative path, found from the current folder, and control
    // characters are not taken.
    const std::pair<std::string, std::string> values[] = {
        {"yt-dlp-nightly", "yt-dlp-nightly"},
        {"/usr/local/bin/yt-dlp", "/usr/local/bin/yt-dlp"},
        {"bin/yt-dlp", ""},
        {"./yt-dlp", ""},
        {"../../tmp/x", ""},
        {"/usr/bin/yt-dlp\x01", ""},
    };
    for (const auto& [value, taken] : values) {
        writeIni("[Resolver]\nprogram=" + value + "\n");
        EXPECT_EQ(preferences.ytDlpProgram(), taken) << value;
    }
    // The engines' keys: only "0" turns the checks off.
    EXPECT_TRUE(preferences.engineChecksAllowed());
    writeIni("[Resolver]\nreleases=http://127.0.0.1:8080/r\nupdate=0\n");
    EXPECT_EQ(preferences.releasesLocation(), "http://127.0.0.1:8080/r");
    EXPECT_FALSE(preferences.engineChecksAllowed());
    writeIni("[Resolver]\nupdate=no\n");
    EXPECT_TRUE(preferences.engineChecksAllowed());
    EXPECT_EQ(preferences.releasesLocation(), "");
}
