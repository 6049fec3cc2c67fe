// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/LinkDialogs.h"

#include "core/Constants.h"
#include "core/RunContext.h"
#include "jobs/RandomNames.h"
#include "support/LinkDialogFakes.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vantaro {
namespace {

using testing::FakeCommandHost;
using testing::FakeDialogHost;
using testing::FakeFolderPicker;
using testing::TempFolder;

bool isSixDigits(const std::string& text) {
    return text.size() == 6 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

const char* const YouTube = "http://www.youtube.com/watch?v=abc";

class LinkDialogsTest : public ::testing::Test {
protected:
    RunContext m_context;
    TempFolder m_folder{"vantaro-dialogs"};
    FakeDialogHost m_host;
    LinkList m_list;
};

TEST_F(LinkDialogsTest, AddDialogOpeningAppliesDefaultsOnlyWithAPreferencesFile) {
    // Without the file: every field keeps the previous opening's value, the first time empty.
    LinkDialogFields fields{YouTube, "/typed/folder", "myname", "my title", "AVI"};
    const LinkDialogFields before = fields;
    addDialogActivate(fields, m_host);
    EXPECT_EQ(fields.link, before.link);
    EXPECT_EQ(fields.folder, before.folder);
    EXPECT_EQ(fields.fileName, before.fileName);
    EXPECT_EQ(fields.mp3Title, before.mp3Title);
    EXPECT_EQ(fields.format, before.format);

    // With the file: a fresh name, the list folder and the default title; link and format stay.
    m_host.preferencesFile = true;
    m_host.listFolder = "/list/folder";
    addDialogActivate(fields, m_host);
    EXPECT_TRUE(isSixDigits(fields.fileName)) << fields.fileName;
    EXPECT_EQ(fields.folder, "/list/folder");
    EXPECT_EQ(fields.mp3Title, DefaultMp3Title);
    EXPECT_EQ(fields.link, YouTube);
    EXPECT_EQ(fields.format, "AVI");

    // An empty list folder gives the program's own download folder.
    m_host.listFolder.clear();
    addDialogActivate(fields, m_host);
    EXPECT_EQ(fields.folder, std::string("/opt/vantaro/") + DownloadsFolderName);
}

TEST_F(LinkDialogsTest, AddChecksFolderThenLinkAndKeepsTheTypedValuesWhenRefused) {
    // D1: the folder must exist; it is tested before the link.
    LinkDialogFields fields{"", m_folder.file("missing"), "name", "title", "MP3"};
    EXPECT_FALSE(addDialogConfirm(m_context, fields, m_list, m_host));
    ASSERT_EQ(m_host.messages.size(), 1u);
    EXPECT_EQ(m_host.messages[0], messages::DialogFolderMissingFr);
    EXPECT_EQ(m_host.kinds[0], MessageKind::Information);
    EXPECT_EQ(fields.folder, m_folder.file("missing"));
    EXPECT_EQ(fields.fileName, "name");

    // D2: an empty link, then a link of no known site.
    fields.folder = m_folder.path();
    EXPECT_FALSE(addDialogConfirm(m_context, fields, m_list, m_host));
    fields.link = "http://example.com/video";
    EXPECT_FALSE(addDialogConfirm(m_context, fields, m_list, m_host));
    ASSERT_EQ(m_host.messages.size(), 3u);
    EXPECT_EQ(m_host.messages[1], messages::DialogAddRefusedFr);
    EXPECT_EQ(m_host.messages[2], messages::DialogAddRefusedFr);
    EXPECT_EQ(fields.link, "http://example.com/video");
    EXPECT_EQ(m_list.entryCount(), 0);

    // The English texts with the code "EN".
    m_context.setLanguage(Language::English);
    EXPECT_FALSE(addDialogConfirm(m_context, fields, m_list, m_host));
    EXPECT_EQ(m_host.messages.back(), messages::DialogAddRefusedEn);
}

TEST_F(LinkDialogsTest, AddFillsAnEmptyNameAndWritesADashTitleForOtherFormats) {
    LinkDialogFields fields{YouTube, m_folder.path(), "", "", "MP3"};
    ASSERT_TRUE(addDialogConfirm(m_context, fields, m_list, m_host));
    EXPECT_TRUE(isSixDigits(fields.fileName));
    ASSERT_EQ(m_list.entryCount(), 1);
    EXPECT_EQ(m_list.cell(1, 1), "MP3");
    EXPECT_EQ(m_list.cell(1, 3), fields.fileName);
    EXPECT_EQ(m_list.cell(1, 4), ""); // an empty title stays empty for MP3
    EXPECT_EQ(m_list.cell(1, 5), YouTube);

    fields.format = "iPod";
    fields.mp3Title = "ignored";
    ASSERT_TRUE(addDialogConfirm(m_context, fields, m_list, m_host));
    EXPECT_EQ(m_list.cell(2, 1), "iPod");
    EXPECT_EQ(m_list.cell(2, 4), "-");
    EXPECT_EQ(m_list.cell(2, 2), m_folder.path());
    EXPECT_TRUE(m_host.messages.empty());
}

TEST_F(LinkDialogsTest, ModifyFillsFromItsEntryAndWritesBack) {
    m_list.appendListEntry("AVI", m_folder.path(), "first", "-", YouTube);
    m_list.appendListEntry("MP3", m_folder.path(), "second", "-", "http://www.dailymotion.com/x");
    FakeCommandHost commandHost;
    LinkListCommands commands(m_list, commandHost, m_context);
    const std::uint64_t second = m_list.entryId(2);

    LinkDialogFields fields{"kept", "kept", "kept", "kept", "kept"};
    ASSERT_TRUE(modifyDialogActivate(fields, m_list, second));
    EXPECT_EQ(fields.format, "MP3");
    EXPECT_EQ(fields.mp3Title, "-"); // a "-" title shows as it is
    EXPECT_EQ(fields.fileName, "second");

    // Saved with "MP3", the "-" goes back as the title; the entry keeps its place even when the
    // rows moved since the dialog opened.
    m_list.deleteFirstEntry();
    fields.fileName.clear();
    EXPECT_EQ(modifyDialogConfirm(m_context, fields, second, commands, m_list, m_host),
              ModifyResult::Modified);
    ASSERT_EQ(m_list.entryCount(), 1);
    EXPECT_EQ(m_list.cell(1, 4), "-");
    EXPECT_TRUE(isSixDigits(m_list.cell(1, 3)));

    // A non-MP3 format writes "-" whatever the title field holds.
    fields.format = "WAVE";
    fields.mp3Title = "a title";
    EXPECT_EQ(modifyDialogConfirm(m_context, fields, second, commands, m_list, m_host),
              ModifyResult::Modified);
    EXPECT_EQ(m_list.cell(1, 1), "WAVE");
    EXPECT_EQ(m_list.cell(1, 4), "-");
}

TEST_F(LinkDialogsTest, ModifyRefusalsKeepTheFieldsAndTheEntry) {
    m_list.appendListEntry("MP3", m_folder.path(), "name", "title", YouTube);
    FakeCommandHost commandHost;
    LinkListCommands commands(m_list, commandHost, m_context);
    const std::uint64_t id = m_list.entryId(1);

    LinkDialogFields fields{YouTube, m_folder.file("missing"), "new", "t", "MP3"};
    EXPECT_EQ(modifyDialogConfirm(m_context, fields, id, commands, m_list, m_host),
              ModifyResult::Refused);
    fields.folder = m_folder.path();
    fields.link = "ftp://nowhere";
    EXPECT_EQ(modifyDialogConfirm(m_context, fields, id, commands, m_list, m_host),
              ModifyResult::Refused);
    ASSERT_EQ(m_host.messages.size(), 2u);
    EXPECT_EQ(m_host.messages[0], messages::DialogFolderMissingFr); // D3
    EXPECT_EQ(m_host.messages[1], messages::DialogModifyRefusedFr); // D4
    EXPECT_EQ(fields.link, "ftp://nowhere");
    EXPECT_EQ(m_list.cell(1, 3), "name");

    // Row 1 while the list runs belongs to the worker.
    fields.link = YouTube;
    commandHost.running = true;
    m_context.setListRunning(true);
    EXPECT_EQ(modifyDialogConfirm(m_context, fields, id, commands, m_list, m_host),
              ModifyResult::InProgress);
    EXPECT_EQ(m_list.cell(1, 3), "name");

    // Once the worker has taken the entry away, the dialog says so and closes.
    m_list.deleteFirstEntry();
    EXPECT_EQ(modifyDialogConfirm(m_context, fields, id, commands, m_list, m_host),
              ModifyResult::Gone);
    EXPECT_EQ(m_host.messages.back(), messages::EntryGoneFr);
    LinkDialogFields untouched{"a", "b", "c", "d", "e"};
    EXPECT_FALSE(modifyDialogActivate(untouched, m_list, id));
    EXPECT_EQ(untouched.link, "a");
}

TEST_F(LinkDialogsTest, PickerStartsEmptyLeavesLastPickedFolderAndKeepsTheFieldOnCancel) {
    m_context.setLastPickedFolder(m_folder.path());
    FakeFolderPicker picker;
    LinkDialogFields fields{YouTube, "/before", "n", "t", "MP3"};

    dialogPickFolder(m_context, fields, picker); // cancelled
    EXPECT_EQ(fields.folder, "/before");
    picker.answers.push_back(std::string("/chosen"));
    dialogPickFolder(m_context, fields, picker);
    EXPECT_EQ(fields.folder, "/chosen");

    m_context.setLanguage(Language::English);
    dialogPickFolder(m_context, fields, picker);
    ASSERT_EQ(picker.captions.size(), 3u);
    EXPECT_EQ(picker.captions[0], messages::DialogPickerCaptionFr);
    EXPECT_EQ(picker.captions[2], messages::DialogPickerCaptionEn);
    for (const std::string& start : picker.startFolders)
        EXPECT_EQ(start, "");
    EXPECT_EQ(m_context.lastPickedFolder(), m_folder.path());
    EXPECT_EQ(fields.folder, "/chosen");
}

} // namespace
} // namespace vantaro
