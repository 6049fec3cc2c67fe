// SPDX-License-Identifier: GPL-3.0-or-later
// The folder picker driven with the mouse: folders only, no new-folder button, no path box,
// centred on the screen, opening on the folder it is given.
#include "app/FolderTreeDialog.h"
#include "core/Language.h"
#include "support/QtTestRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <filesystem>

namespace vantaro {
namespace {

namespace fs = std::filesystem;

using testing::waitFor;

class FolderTreeDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::makeApplication("folder_tree_dialog_test"); }
    void SetUp() override {
        for (const char* folder : {"Films", "Musique", "Musique/Live"})
            fs::create_directories(m_root.file(folder));
        testing::writeWholeFile(m_root.file("notes.txt"), "not a folder");
    }

    testing::TempFolder m_root{"vantaro-folder-tree"};
};

TEST_F(FolderTreeDialogTest, OpensOnTheGivenFolderCentredWithFoldersOnlyAndTwoButtons) {
    FolderTreeDialog picker(nullptr, "Choisissez le dossier", m_root.file("Musique/Live"),
                            Language::French);
    ASSERT_TRUE(testing::showExposed(picker));

    EXPECT_EQ(picker.selectedFolder(), m_root.file("Musique/Live"));
    EXPECT_TRUE(picker.okButton()->isEnabled());
    EXPECT_TRUE(picker.tree()->isExpanded(picker.tree()->currentIndex().parent()));
    // In sight once the folders on the way are read.
    EXPECT_TRUE(waitFor([&picker] {
        return picker.tree()->viewport()->rect().contains(
            picker.tree()->visualRect(picker.tree()->currentIndex()));
    }));
    EXPECT_EQ(picker.windowTitle(), "Rechercher un dossier");
    EXPECT_EQ(picker.findChild<QLabel*>("Caption")->text(), "Choisissez le dossier");
    EXPECT_EQ(picker.cancelButton()->text(), "Annuler");
    EXPECT_TRUE(picker.findChildren<QLineEdit*>().isEmpty()) << "no box to type a path in";
    EXPECT_EQ(picker.findChildren<QPushButton*>().size(), 2) << "OK and Cancel only";
    const QPoint centre = picker.screen()->availableGeometry().center();
    EXPECT_LE((picker.frameGeometry().center() - centre).manhattanLength(), 2);

    // The folder's rows, once read, are its two sub-folders: the file is not offered.
    auto* model = static_cast<QFileSystemModel*>(picker.tree()->model());
    const QModelIndex root = model->index(QString::fromStdString(m_root.path()));
    EXPECT_TRUE(waitFor([&] { return model->rowCount(root) == 2; })) << model->rowCount(root);
}

TEST_F(FolderTreeDialogTest, AClickedFolderIsChosenWithOkAndNothingWithCancel) {
    FolderTreeDialog picker(nullptr, "Select", {}, Language::English);
    ASSERT_TRUE(testing::showExposed(picker));
    EXPECT_EQ(picker.selectedFolder(), "");
    EXPECT_FALSE(picker.okButton()->isEnabled()) << "nothing chosen yet";
    EXPECT_EQ(picker.cancelButton()->text(), "Cancel");

    auto* model = static_cast<QFileSystemModel*>(picker.tree()->model());
    const QModelIndex films = model->index(QString::fromStdString(m_root.file("Films")));
    picker.tree()->scrollTo(films);
    ASSERT_TRUE(waitFor([&] { return picker.tree()->visualRect(films).isValid(); }));
    QTest::mouseClick(picker.tree()->viewport(), Qt::LeftButton, {},
                      picker.tree()->visualRect(films).center());
    EXPECT_EQ(picker.selectedFolder(), m_root.file("Films"));
    QTest::mouseClick(picker.okButton(), Qt::LeftButton);
    EXPECT_EQ(picker.result(), QDialog::Accepted);

    // Through the modal call the shell makes: Cancel gives no folder, even with one selected.
    QTimer::singleShot(0, [] {
        auto* modal = qobject_cast<FolderTreeDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(modal, nullptr);
        QTest::mouseClick(modal->cancelButton(), Qt::LeftButton);
    });
    EXPECT_EQ(FolderTreeDialog::choose(nullptr, "Select", m_root.file("Films"), Language::French),
              "");
}

} // namespace
} // namespace vantaro
