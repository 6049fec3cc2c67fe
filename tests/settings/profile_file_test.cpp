// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file on awkward files kept under tests/data/ini: every line ending (CRLF, LF, a
// lone CR), malformed headers, repeated sections, long values, DOS end-of-file marks, the
// byte-order mark of Windows editors. Each file is read, written through the preferences and
// compared with the file it must become (<name>.stored.ini).

#include "settings/Preferences.h"
#include "settings/ProfileFile.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using vantaro::Preferences;
using vantaro::readProfileString;
using vantaro::writeProfileString;
using vantaro::testing::readWholeFile;
using vantaro::testing::TempFolder;

const std::string DataFolder = VANTARO_TEST_DATA_DIR "/ini/";

class ProfileFileTest : public ::testing::Test {
protected:
    // Lays down the fixture as the program's settings file.
    void useFile(const std::string& fixture) {
        m_fixture = fixture;
        std::filesystem::copy_file(DataFolder + fixture + ".ini", iniPath(),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    std::string iniPath() const { return folder.file("applicationUserPreferences.ini"); }
    std::string read(const std::string& section, const std::string& key) const {
        return readProfileString(iniPath(), section, key);
    }
    std::string visual(const std::string& key) const { return read("Visual", key); }
    // The settings file now holds exactly the fixture's stored form.
    void expectStoredForm() const {
        EXPECT_EQ(readWholeFile(iniPath()), readWholeFile(DataFolder + m_fixture + ".stored.ini"))
            << m_fixture;
    }

    TempFolder folder{"profile-file-test"};
    Preferences preferences{folder.path()};
    std::string m_fixture;
};

TEST_F(ProfileFileTest, LineEndsAtCrLfLfOrLoneCrAndAWriteChangesOnlyTheKeysLine) {
    useFile("cr-only");
    EXPECT_EQ(visual("destinationFileName"), "holiday");
    EXPECT_EQ(visual("destinationPathName"), "/home/me/Videos");
    EXPECT_EQ(read("Other", "key"), "kept");
    preferences.storeSingleDownload("holiday", "/home/me/Films");
    expectStoredForm();

    useFile("mixed-endings");
    EXPECT_EQ(visual("destinationFileName"), "holiday");
    EXPECT_EQ(visual("destinationPathName"), "/home/me/Videos");
    EXPECT_EQ(read("Tools", "colour"), "blue");
    EXPECT_EQ(read("Tools", "last"), "1");
    preferences.storeSingleDownload("party", "/home/me/Films");
    expectStoredForm();
    EXPECT_EQ(read("Tools", "colour"), "blue");
    EXPECT_EQ(visual("destinationFileName"), "party");
}

TEST_F(ProfileFileTest, CrCrLfLeavesNoCarriageReturnInTheValue) {
    useFile("cr-cr-lf");
    EXPECT_EQ(visual("destinationPathName"), "/home/me/Videos");
    EXPECT_EQ(visual("destinationFileName"), "holiday");
    preferences.storeList("/home/me/Films");
    expectStoredForm();
    EXPECT_EQ(visual("destinationPathName"), "/home/me/Films");
}

TEST_F(ProfileFileTest, HeaderWithoutClosingBracketIsIgnored) {
    useFile("unclosed-header");
    // The key under "[Tools" still belongs to [Visual].
    EXPECT_EQ(visual("destinationPathName"), "/home/me/Videos");
    EXPECT_EQ(read("Tools", "destinationPathName"), "");
    writeProfileString(iniPath(), "Tools", "destinationPathName", "/tools");
    expectStoredForm();
    EXPECT_EQ(visual("destinationPathName"), "/home/me/Videos");
    EXPECT_EQ(read("Tools", "destinationPathName"), "/tools");
}

TEST_F(ProfileFileTest, OnlyTheFirstOfTwoSectionsOfOneNameIsReadAndWritten) {
    useFile("duplicate-sections");
    EXPECT_EQ(visual("destinationFileName"), "first");
    EXPECT_EQ(visual("destinationPathName"), "");
    vantaro::PreferenceFields fields;
    preferences.load(fields);
    EXPECT_EQ(fields.folder, folder.path() + "/QrlMyDownloads");
    preferences.storeSingleDownload("party", "/home/me/Films");
    expectStoredForm();
    EXPECT_EQ(visual("destinationPathName"), "/home/me/Films");
}

TEST_F(ProfileFileTest, LongValueIsCutAtTheLastWholeUtf8Character) {
    useFile("long-utf8-values");
    const auto as = [](std::size_t count) { return std::string(count, 'a'); };
    EXPECT_EQ(read("Long", "acute"), as(2046));
    EXPECT_EQ(read("Long", "euro"), as(2045));
    EXPECT_EQ(read("Long", "euroEarly"), as(2046));
    EXPECT_EQ(read("Long", "face"), as(2044));
    EXPECT_EQ(read("Long", "whole"), as(2045) + "é");
    // 8-bit text that is not UTF-8 keeps all 2047 bytes.
    EXPECT_EQ(read("Long", "latin1"), as(2046) + "\xe9");
}

// A DOS end-of-file mark after a value is not part of it; a Windows editor's byte-order mark is
// read through and kept first. The stored values replace the old ones in the one [Visual] section.
TEST_F(ProfileFileTest, EndOfFileAndByteOrderMarksAreReadThroughAndKept) {
    for (const char* fixture : {"ctrl-z-end", "byte-order-mark"}) {
        SCOPED_TRACE(fixture);
        useFile(fixture);
        EXPECT_EQ(visual("destinationFileName"), "holiday");
        EXPECT_EQ(visual("destinationPathName"), "/home/me/Videos");
        preferences.storeSingleDownload("party", "/home/me/Films");
        expectStoredForm();
        EXPECT_EQ(visual("destinationFileName"), "party");
        EXPECT_EQ(visual("destinationPathName"), "/home/me/Films");
    }
}

TEST_F(ProfileFileTest, NewLinesTakeCrLfWhenTheFileUsesItAndLfOtherwise) {
    for (const char* fixture : {"crlf-unended", "cr-only-no-folder", "cr-only-no-section"}) {
        useFile(fixture);
        preferences.storeList("/home/me/Films");
        expectStoredForm();
        EXPECT_EQ(visual("destinationPathName"), "/home/me/Films") << fixture;
    }
}

} // namespace
