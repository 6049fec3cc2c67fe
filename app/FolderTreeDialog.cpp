// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FolderTreeDialog.h"

#include "app/QtText.h"
#include "core/Language.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>
#include <QVBoxLayout>

namespace vantaro {

namespace {

constexpr QSize PickerSize{340, 420};

} // namespace

FolderTreeDialog::FolderTreeDialog(QWidget* owner, const std::string& caption,
                                   const std::string& selected)
    : QDialog(owner), m_model(new QFileSystemModel(this)), m_tree(new QTreeView(this)) {
    setObjectName(QStringLiteral("FolderTreeDialog"));
    setWindowTitle(text(pickText("Rechercher un dossier", "Browse for folder")));
    resize(PickerSize);

    auto* label = new QLabel(text(caption), this);
    label->setObjectName(QStringLiteral("Caption"));
    label->setWordWrap(true);

    // Folders only, hidden ones left out as a file manager does by default.
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setReadOnly(true);
    m_model->setRootPath(QDir::rootPath());
    m_tree->setObjectName(QStringLiteral("FolderTree"));
    m_tree->setModel(m_model);
    m_tree->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_cancel =
        buttons->addButton(text(pickText("Annuler", "Cancel")), QDialogButtonBox::RejectRole);
    m_ok->setObjectName(QStringLiteral("OkButton"));
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    m_ok->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { m_ok->setEnabled(current.isValid()); });
    connect(m_tree, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        m_tree->setExpanded(index, !m_tree->isExpanded(index));
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_tree, 1);
    layout->addWidget(buttons);

    if (!selected.empty())
        select(text(selected));
}

void FolderTreeDialog::select(const QString& folder) {
    const QModelIndex index = m_model->index(QDir::cleanPath(folder));
    if (!index.isValid())
        return;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        m_tree->expand(parent);
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

std::string FolderTreeDialog::selectedFolder() const {
    const QModelIndex current = m_tree->currentIndex();
    return current.isValid() ? bytes(QDir::cleanPath(m_model->filePath(current))) : std::string();
}

void FolderTreeDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen();
    if (m_tree->currentIndex().isValid())
        m_tree->scrollTo(m_tree->currentIndex(), QAbstractItemView::PositionAtCenter);
    m_tree->setFocus();
}

void FolderTreeDialog::centreOnScreen() {
    const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : this->screen();
    if (screen == nullptr)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

std::string FolderTreeDialog::choose(QWidget* owner, const std::string& caption,
                                     const std::string& selected) {
    FolderTreeDialog picker(owner, caption, selected);
    return picker.exec() == QDialog::Accepted ? picker.selectedFolder() : std::string();
}

} // namespace vantaro
