// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"

#include <QDialog>

#include <string>

class QFileSystemModel;
class QPushButton;
class QTreeView;

namespace vantaro {

// The folder-selection dialog: a tree of the file system's folders under the caller's caption,
// with OK and Cancel only (no new-folder button, no box to type a path in). It is centred on
// the screen and opens with a given folder selected and shown, or with nothing selected.
class FolderTreeDialog : public QDialog {
    Q_OBJECT

public:
    FolderTreeDialog(QWidget* owner, const std::string& caption, const std::string& selected,
                     Language language);

    // The selected folder's full path (no trailing separator but for the root), or "".
    std::string selectedFolder() const;
    QTreeView* tree() const { return m_tree; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    // Shows the dialog modally; the chosen folder, or "" when cancelled.
    static std::string choose(QWidget* owner, const std::string& caption,
                              const std::string& selected, Language language);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setUpTree();
    void select(const QString& folder);
    void showSelection();
    void centreOnScreen();

    QFileSystemModel* m_model;
    QTreeView* m_tree;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QString m_shownFolder; // the folder selected at the start, kept in sight while folders load
};

} // namespace vantaro
