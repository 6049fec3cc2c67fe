// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AddLinkDialog.h"
#include "app/EditLinkDialog.h"
#include "core/Constants.h"
#include "core/Language.h"
#include "support/LinkDialogFakes.h"
#include "support/QtTestRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace vantaro {
namespace {

class LinkDialogWindowsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::makeApplication("link_dialog_windows_test"); }

    template <typename T> static T* child(QWidget& dialog, const char* name) {
        T* found = dialog.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // The user picks a format with the arrow keys of the closed list.
    static void pickFormat(QWidget& dialog, const char* name) {
        auto* combo = child<QComboBox>(dialog, "ComboBox1");
        const int target = combo->findText(QString::fromUtf8(name));
        ASSERT_GE(target, 0) << name;
        for (int step = 0; step < 32 && combo->currentIndex() != target; ++step)
            QTest::keyClick(combo, combo->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
        ASSERT_EQ(combo->currentIndex(), target) << name;
    }
    static QString text(QWidget& dialog, const char* name) {
        if (auto* edit = dialog.findChild<QLineEdit*>(name))
            return edit->text();
        return child<QLabel>(dialog, name)->text();
    }
    static void type(QWidget& dialog, const char* name, const QString& value) {
        child<QLineEdit>(dialog, name)->setText(value);
    }

    RunContext m_context;
    testing::TempFolder m_folder{"vantaro-dialog-windows"};
    testing::FakeDialogHost m_host;
    testing::FakeFolderPicker m_picker;
    testing::FakeCommandHost m_commandHost;
    LinkList m_list;
};

TEST_F(LinkDialogWindowsTest, AddDialogStartsOnMp3AndFollowsOnlyTheUsersFormatPicks) {
    AddLinkDialog add(m_context, m_list, m_host, m_picker);
    add.show();
    EXPECT_EQ(child<QComboBox>(add, "ComboBox1")->currentText(), "MP3");
    EXPECT_EQ(text(add, "Label2"), ".MP3");
    EXPECT_EQ(add.palette().color(QPalette::Window), QColor(0xF0, 0xF0, 0xF0));
    EXPECT_EQ(child<QGroupBox>(add, "GroupBox1")->palette().color(QPalette::Window),
              QColor(0xF0, 0xF0, 0xF0));
    // Without a preferences file the first opening is empty.
    EXPECT_EQ(text(add, "Edit1"), "");
    EXPECT_EQ(text(add, "Edit3"), "");

    pickFormat(add, "WAVE");
    EXPECT_EQ(text(add, "Label2"), ".WAV");
    EXPECT_FALSE(child<QLineEdit>(add, "Edit7")->isEnabled());
    pickFormat(add, "PSP");
    EXPECT_TRUE(text(add, "Edit3").startsWith("M4V"));
    EXPECT_FALSE(child<QLineEdit>(add, "Edit3")->isEnabled());
    pickFormat(add, "iPod"); // the dialogs leave the label as it was
    EXPECT_EQ(text(add, "Label2"), ".MP4");
    EXPECT_TRUE(child<QLineEdit>(add, "Edit3")->isEnabled());
}

TEST_F(LinkDialogWindowsTest, AddDialogKeepsItsFieldsBetweenOpeningsAndAddsOnConfirm) {
    m_host.preferencesFile = true;
    m_host.listFolder = m_folder.path();
    AddLinkDialog add(m_context, m_list, m_host, m_picker);
    add.show();
    const QString createdName = text(add, "Edit3");
    EXPECT_EQ(createdName.size(), 6);
    EXPECT_EQ(text(add, "Edit6").toStdString(), m_folder.path());
    EXPECT_EQ(text(add, "Edit7"), DefaultMp3Title);

    // A refused add keeps what was typed, and the dialog open.
    type(add, "Edit1", "http://example.org/v");
    QTest::mouseClick(child<QPushButton>(add, "Button4"), Qt::LeftButton);
    EXPECT_TRUE(add.isVisible());
    EXPECT_EQ(text(add, "Edit1"), "http://example.org/v");
    ASSERT_EQ(m_host.messages.size(), 1u);

    // The cancelled picker leaves the folder; the chosen one replaces it.
    QTest::mouseClick(child<QPushButton>(add, "Button2"), Qt::LeftButton);
    EXPECT_EQ(text(add, "Edit6").toStdString(), m_folder.path());

    type(add, "Edit1", "http://www.dailymotion.com/video/x1");
    pickFormat(add, "AVI");
    QTest::mouseClick(child<QPushButton>(add, "Button4"), Qt::LeftButton);
    EXPECT_FALSE(add.isVisible());
    ASSERT_EQ(m_list.entryCount(), 1);
    EXPECT_EQ(m_list.cell(1, 1), "AVI");
    EXPECT_EQ(m_list.cell(1, 4), "-");

    // The next opening: a new name and the defaults, the link and the format of the last use.
    add.applyOpeningDefaults();
    EXPECT_EQ(text(add, "Edit1"), "http://www.dailymotion.com/video/x1");
    EXPECT_EQ(child<QComboBox>(add, "ComboBox1")->currentText(), "AVI");
    EXPECT_EQ(text(add, "Edit7"), DefaultMp3Title);

    // Cancel changes nothing.
    add.show();
    QTest::mouseClick(child<QPushButton>(add, "Button8"), Qt::LeftButton);
    EXPECT_FALSE(add.isVisible());
    EXPECT_EQ(m_list.entryCount(), 1);
}

TEST_F(LinkDialogWindowsTest, ModifyDialogFillsFromItsEntryWithoutAFormatPick) {
    m_list.appendListEntry("AVI", m_folder.path(), "film", "-", "http://www.youtube.com/v");
    EditLinkDialog modify(m_context, m_list, m_commandHost, m_host, m_picker);
    EXPECT_EQ(child<QComboBox>(modify, "ComboBox1")->currentIndex(), -1);
    EXPECT_EQ(text(modify, "Label2"), ".MP3");

    modify.setEntryId(m_list.entryId(1));
    modify.fillFromEntry();
    modify.show();
    EXPECT_EQ(child<QComboBox>(modify, "ComboBox1")->currentText(), "AVI");
    EXPECT_EQ(text(modify, "Label2"), ".MP3"); // no pick by the user, no change of label
    EXPECT_EQ(text(modify, "Edit7"), "-");
    EXPECT_EQ(text(modify, "Edit3"), "film");

    // Refused: the typed values stay and the dialog too.
    type(modify, "Edit6", QString::fromStdString(m_folder.file("missing")));
    QTest::mouseClick(child<QPushButton>(modify, "Button4"), Qt::LeftButton);
    EXPECT_TRUE(modify.isVisible());
    EXPECT_EQ(text(modify, "Edit6").toStdString(), m_folder.file("missing"));
    EXPECT_EQ(m_host.messages.back(), messages::DialogFolderMissingFr);

    type(modify, "Edit6", QString::fromStdString(m_folder.path()));
    pickFormat(modify, "MP3");
    QTest::mouseClick(child<QPushButton>(modify, "Button4"), Qt::LeftButton);
    EXPECT_FALSE(modify.isVisible());
    EXPECT_EQ(m_list.cell(1, 1), "MP3");
    EXPECT_EQ(m_list.cell(1, 4), "-"); // "-" written back as the title
}

} // namespace
} // namespace vantaro
