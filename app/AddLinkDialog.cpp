// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AddLinkDialog.h"

#include "ui_AddLinkDialog.h"

namespace vantaro {

AddLinkDialog::AddLinkDialog(RunContext& context, ListAppender& list, LinkDialogHost& host,
                             FolderPicker& picker, QWidget* parent)
    : LinkDialogWindow(context, host, picker, parent), m_ui(std::make_unique<Ui::AddLinkDialog>()),
      m_list(list) {
    m_ui->setupUi(this);
    setUpControls({m_ui->GroupBox1, m_ui->Edit1, m_ui->Edit6, m_ui->Edit3, m_ui->Edit7,
                   m_ui->ComboBox1, m_ui->Label2, m_ui->Label8, m_ui->Button2, m_ui->Button4,
                   m_ui->Button8},
                  addDialogTexts());
    m_ui->ComboBox1->setCurrentIndex(0); // "MP3"
    applyOpeningDefaults();
}

AddLinkDialog::~AddLinkDialog() = default;

int AddLinkDialog::exec() {
    applyOpeningDefaults();
    centreOnDesktop();
    m_ui->Edit1->setFocus();
    return LinkDialogWindow::exec();
}

void AddLinkDialog::applyOpeningDefaults() {
    LinkDialogFields current = fields();
    addDialogActivate(current, host());
    setFields(current);
}

void AddLinkDialog::setAddEnabled(bool enabled) {
    m_ui->Button4->setEnabled(enabled);
}

void AddLinkDialog::confirm() {
    LinkDialogFields current = fields();
    const bool added = addDialogConfirm(context(), current, m_list, host());
    setFields(current);
    if (added)
        accept();
}

} // namespace vantaro
