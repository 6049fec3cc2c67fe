// SPDX-License-Identifier: GPL-3.0-or-later
// Where the settings file and the default download folder are, beside the program or per user,
// and the message of a current folder that cannot be written in.
#include "core/Constants.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"

#include "support/MountedFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <pwd.h>
#include <unistd.h>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using testing::MountedFolder;
using testing::TempFolder;

TEST(DataFolders, AWritableProgramFolderKeepsEverythingBesideTheProgram) {
    TempFolder program("program");
    const DataFolders folders = dataFoldersFor(program.path(), "/home/ann", "/home/ann/.cfg");
    EXPECT_FALSE(folders.perUser);
    EXPECT_EQ(folders.settingsFolder, program.path() + "/");
    EXPECT_EQ(folders.downloadsFolder, program.path() + "/" + DownloadsFolderName);
}

// An installed copy keeps nothing in its folder, even for an account that may write there (root):
// a folder under /usr or /opt, by its path or through a link. Only root can show the difference.
TEST(DataFolders, AnInstalledCopyUsesThePerUserFoldersEvenForRoot) {
    TempFolder scratch("installed");
    fs::create_directory_symlink("/usr/lib", scratch.file("lib"));
    const struct {
        std::string programFolder;
        bool perUser;
    } cases[] = {
        {"/usr/lib/", true},    {"/usr/local/lib", true},    {"/opt", true},
        {"/usr/../opt/", true}, {scratch.file("lib"), true}, {scratch.path(), false},
    };
    for (const auto& c : cases) {
        const DataFolders folders = dataFoldersFor(c.programFolder, "/home/ann", "");
        EXPECT_EQ(folders.perUser, c.perUser) << c.programFolder;
        if (c.perUser) {
            EXPECT_EQ(folders.downloadsFolder, "/home/ann/Vantaro") << c.programFolder;
        }
    }
    if (::getuid() != 0)
        GTEST_SKIP() << "not root: /usr and /opt are not writable here, so every row is per user "
                        "for that reason too";
}

// The folder of the single-instance socket: the runtime folder, or one of the user's own in the
// temporary folder. One that another account owns or may enter, or a link, gives none.
TEST(PrivateRuntimeFolder, OnlyAFolderOfTheUsersOwnServes) {
    TempFolder scratch("runtime");
    const std::string mine = "vantaro-" + std::to_string(::getuid());
    const bool root = ::getuid() == 0;
    const passwd* nobody = ::getpwnam("nobody");
    const auto folder = [&](const std::string& name, fs::perms perms, bool others = false) {
        const std::string path = scratch.file(name);
        fs::create_directories(path);
        fs::permissions(path, perms);
        if (others && root && nobody != nullptr) {
            EXPECT_EQ(::chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0) << path;
        }
        return path;
    };
    const auto own = fs::perms::owner_all;
    const std::string runtime = folder("runtime", own);
    const std::string open = folder("open", own | fs::perms::group_read | fs::perms::group_exec);
    const std::string others = folder("others", own, true);
    const std::string made = folder("tmp-new", fs::perms::all);
    folder("tmp-wide/" + mine, own | fs::perms::others_exec);
    folder("tmp-link", own);
    fs::create_directory_symlink(runtime, scratch.file("tmp-link/" + mine));
    folder("tmp-others/" + mine, own, true);

    const struct {
        std::string runtime, temporary, expected;
        bool needsRoot = false;
    } cases[] = {
        {runtime, "/unused", runtime + "/"},
        {open, "/unused", ""},
        {others, "/unused", "", true},
        {"", made, made + "/" + mine + "/"},
        {scratch.file("missing"), made, made + "/" + mine + "/"},
        {"", scratch.file("tmp-wide"), ""},
        {"", scratch.file("tmp-link"), ""},
        {"", scratch.file("tmp-others"), "", true},
    };
    bool skipped = false;
    for (const auto& c : cases) {
        if (c.needsRoot && (!root || nobody == nullptr)) {
            skipped = true;
            continue;
        }
        EXPECT_EQ(privateRuntimeFolder(c.runtime, c.temporary), c.expected)
            << c.runtime << " " << c.temporary;
    }
    EXPECT_EQ(fs::status(made + "/" + mine).permissions(), own);
    EXPECT_EQ(fs::status(scratch.file("tmp-wide/" + mine)).permissions(),
              own | fs::perms::others_exec)
        << "a folder found is checked, never changed";
    if (skipped)
        GTEST_SKIP() << "not root: the rows of folders owned by another account were not run";
}

// A base-directory variable counts when absolute (and present, where it must be).
TEST(DataFolders, ABaseDirectoryVariableElseItsFallback) {
    TempFolder present("base");
    const struct {
        std::string value;
        bool mustExist;
        std::string expected;
    } cases[] = {
        {present.path(), true, present.path() + "/"},
        {"/no/such/folder/", false, "/no/such/folder/"},
        {"/no/such/folder", true, "/fallback/"},
        {"relative", false, "/fallback/"},
        {"", false, "/fallback/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(baseDirectoryOr(c.value, "/fallback", c.mustExist), c.expected) << c.value;
}

TEST(DataFolders, AReadOnlyProgramFolderSendsThemToPerUserFolders) {
    TempFolder scratch("system-wide");
    MountedFolder program(scratch.file("lib-vantaro"), MountedFolder::Kind::Small);
    if (!program.mounted())
        GTEST_SKIP() << program.whyUnavailable();
    testing::writeWholeFile(program.path() + "/" + PreferencesFileName, "");
    ASSERT_TRUE(program.makeReadOnly());
    const std::string home = scratch.file("home");
    fs::create_directory(home);

    // The configuration folder of the environment when it is absolute, ~/.config otherwise.
    DataFolders folders = dataFoldersFor(program.path(), home, scratch.file("cfg"));
    EXPECT_TRUE(folders.perUser);
    EXPECT_EQ(folders.settingsFolder, scratch.file("cfg") + "/vantaro/");
    EXPECT_EQ(folders.downloadsFolder, home + "/Vantaro");
    for (const std::string unusable : {"", "relative/cfg"}) {
        folders = dataFoldersFor(program.path(), home, unusable);
        EXPECT_EQ(folders.settingsFolder, home + "/.config/vantaro/") << unusable;
    }
    EXPECT_FALSE(fs::exists(home + "/.config")) << "working the folders out creates nothing";

    // Preparing creates both, with an empty settings file since the install carries one, and
    // leaves a settings file already there as it is.
    folders = prepareDataFolders(program.path(), home, "");
    EXPECT_TRUE(fs::is_directory(folders.downloadsFolder));
    const std::string settings = folders.settingsFolder + PreferencesFileName;
    ASSERT_TRUE(fs::is_regular_file(settings));
    EXPECT_EQ(fs::file_size(settings), 0u);
    testing::writeWholeFile(settings, "[Visual]\r\ndestinationFileName=kept\r\n");
    prepareDataFolders(program.path(), home, "");
    EXPECT_EQ(testing::readWholeFile(settings), "[Visual]\r\ndestinationFileName=kept\r\n");

    // Without HOME there is nowhere else to go: the program folder stays.
    EXPECT_FALSE(dataFoldersFor(program.path(), "", "").perUser);
}

TEST(DataFolders, AnInstallWithoutSettingsFileRemembersNothingPerUserEither) {
    TempFolder scratch("system-wide");
    MountedFolder program(scratch.file("lib-vantaro"), MountedFolder::Kind::ReadOnly);
    if (!program.mounted())
        GTEST_SKIP() << program.whyUnavailable();
    const DataFolders folders = prepareDataFolders(program.path(), scratch.file("home"), "");
    EXPECT_TRUE(fs::is_directory(folders.downloadsFolder));
    EXPECT_FALSE(fs::exists(folders.settingsFolder + PreferencesFileName));
}

// The current folder is this process's own; each case puts it back.
class CurrentFolder : public ::testing::Test {
protected:
    void SetUp() override { m_previous = fs::current_path(); }
    void TearDown() override { fs::current_path(m_previous); }
    fs::path m_previous;
};

TEST_F(CurrentFolder, AnUnwritableOneIsExplainedInTheUsersLanguage) {
    TempFolder scratch("current");
    fs::current_path(scratch.path());
    EXPECT_EQ(currentFolderProblem(Language::French), "");

    MountedFolder readOnly(scratch.file("ro"), MountedFolder::Kind::ReadOnly);
    if (!readOnly.mounted())
        GTEST_SKIP() << readOnly.whyUnavailable();
    fs::current_path(readOnly.path());
    for (const auto& [language, start] :
         {std::pair{Language::French, "Vantaro ne peut pas \u00e9crire dans le dossier courant ("},
          {Language::English, "cannot write in the current folder ("}}) {
        const std::string text = currentFolderProblem(language);
        EXPECT_NE(text.find(start + readOnly.path() + ")"), std::string::npos) << text;
    }
    fs::current_path(m_previous); // the mount goes before the folder that holds it
}

} // namespace
} // namespace vantaro
