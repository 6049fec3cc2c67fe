// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EditLinkDialog.h"

#include "ui_EditLinkDialog.h"

namespace vantaro {

EditLinkDialog::EditLinkDialog(RunContext& context, LinkList& list, ListCommandHost& commandHost,
                               LinkDialogHost& host, FolderPicker& picker, QWidget* parent)
    : LinkDialogWindow(context, host, picker, parent), m_ui(std::make_unique<Ui::EditLinkDialog>()),
      m_list(list), m_commands(list, commandHost, context) {
    m_ui->setupUi(this);
    setUpControls({m_ui->GroupBox1, m_ui->Edit1, m_ui->Edit6, m_ui->Edit3, m_ui->Edit7,
                   m_ui->ComboBox1, m_ui->Label2, m_ui->Label8, m_ui->Button2, m_ui->Button4,
                   m_ui->Button8},
                  modifyDialogTexts());
    m_ui->ComboBox1->setCurrentIndex(-1); // no format until an entry fills the dialog
}

EditLinkDialog::~EditLinkDialog() = default;

int EditLinkDialog::exec() {
    fillFromEntry();
    centreOnDesktop();
    m_ui->Edit1->setFocus();
    return LinkDialogWindow::exec();
}

void EditLinkDialog::fillFromEntry() {
    LinkDialogFields current = fields();
    if (modifyDialogActivate(current, m_list, m_entryId))
        setFields(current);
}

void EditLinkDialog::confirm() {
    LinkDialogFields current = fields();
    const ModifyResult result =
        modifyDialogConfirm(context(), current, m_entryId, m_commands, m_list, host());
    setFields(current);
    if (result == ModifyResult::Modified || result == ModifyResult::Gone)
        accept();
}

} // namespace vantaro
