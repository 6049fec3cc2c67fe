// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Unit3.h"

#include "ui_Unit3.h"

namespace vantaro {

TForm3::TForm3(ListAppender& list, LinkDialogHost& host, FolderPicker& picker, QWidget* parent)
    : LinkDialogWindow(host, picker, parent), m_ui(std::make_unique<Ui::TForm3>()), m_list(list) {
    m_ui->setupUi(this);
    setUpControls({m_ui->GroupBox1, m_ui->Edit1, m_ui->Edit6, m_ui->Edit3, m_ui->Edit7,
                   m_ui->ComboBox1, m_ui->Label2, m_ui->Label8, m_ui->Button2, m_ui->Button4,
                   m_ui->Button8},
                  addDialogTexts());
    m_ui->ComboBox1->setCurrentIndex(0); // "MP3"
    FormActivate();
}

TForm3::~TForm3() = default;

int TForm3::exec() {
    FormActivate();
    centreOnDesktop();
    m_ui->Edit1->setFocus();
    return LinkDialogWindow::exec();
}

void TForm3::FormActivate() {
    LinkDialogFields current = fields();
    addDialogActivate(current, host());
    setFields(current);
}

void TForm3::setAddEnabled(bool enabled) {
    m_ui->Button4->setEnabled(enabled);
}

void TForm3::Button4Click() {
    LinkDialogFields current = fields();
    const bool added = addDialogConfirm(current, m_list, host());
    setFields(current);
    if (added)
        accept();
}

} // namespace vantaro
