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
#include <QScrollBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace vantaro {

namespace {

constexpr QSize PickerSize{340, 420};

} // namespace

FolderTreeDialog::FolderTreeDialog(QWidget* owner, const std::string& caption,
                                   const std::string& selected, Language language)
    : QDialog(owner), m_model(new QFileSystemModel(this)), m_tree(new QTreeView(this)) {
    setObjectName(QStringLiteral("FolderTreeDialog"));
    setWindowTitle(text(pickText(language, "Rechercher un dossier", "Browse for folder")));
    resize(PickerSize);

    auto* label = new QLabel(text(caption), this);
    label->setObjectName(QStringLiteral("Caption"));
    label->setWordWrap(true);
    setUpTree();
    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_cancel = buttons->addButton(text(pickText(language, "Annuler", "Cancel")),
                                  QDialogButtonBox::RejectRole);
    m_ok->setObjectName(QStringLiteral("OkButton"));
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    m_ok->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_tree, 1);
    layout->addWidget(buttons);

    m_tree->expand(m_model->index(QDir::rootPath()));
    if (!selected.empty())
        select(text(selected));
}

void FolderTreeDialog::setUpTree() {
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
    // The keyboard cursor starts on the first row without choosing it: only a selected folder
    // is a choice. Choosing another folder ends the care for the first one.
    connect(m_tree->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        m_ok->setEnabled(m_tree->selectionModel()->hasSelection());
        if (selectedFolder() != bytes(m_shownFolder))
            m_shownFolder.clear();
    });
    connect(m_tree, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        m_tree->setExpanded(index, !m_tree->isExpanded(index));
    });
    // Folders are read and sorted in the background, which moves the rows: the folder selected
    // at the start is kept in sight until the user scrolls or chooses another.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, &FolderTreeDialog::showSelection);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &FolderTreeDialog::showSelection);
    connect(m_tree->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this] { m_shownFolder.clear(); });
}

void FolderTreeDialog::showSelection() {
    const QModelIndex current = m_tree->currentIndex();
    if (!m_shownFolder.isEmpty() && current.isValid())
        m_tree->scrollTo(current, QAbstractItemView::PositionAtCenter);
}

void FolderTreeDialog::select(const QString& folder) {
    const QModelIndex index = m_model->index(QDir::cleanPath(folder));
    if (!index.isValid())
        return;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        m_tree->expand(parent);
    m_shownFolder = QDir::cleanPath(m_model->filePath(index));
    m_tree->setCurrentIndex(index);
    showSelection();
}

std::string FolderTreeDialog::selectedFolder() const {
    const QModelIndexList chosen = m_tree->selectionModel()->selectedRows();
    return chosen.isEmpty() ? std::string()
                            : bytes(QDir::cleanPath(m_model->filePath(chosen.front())));
}

void FolderTreeDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen();
    showSelection();
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
                                     const std::string& selected, Language language) {
    FolderTreeDialog picker(owner, caption, selected, language);
    return picker.exec() == QDialog::Accepted ? picker.selectedFolder() : std::string();
}

} // namespace vantaro
