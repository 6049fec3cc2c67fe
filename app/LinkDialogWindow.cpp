// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LinkDialogWindow.h"

#include "app/QtText.h"
#include "app/TextApplier.h"
#include "jobs/FormatCatalogue.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace vantaro {

namespace {

// The dialogs' face colour, F0F0F0.
const QColor DialogColour(0xF0, 0xF0, 0xF0);

void paintBackground(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, DialogColour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

LinkDialogWindow::LinkDialogWindow(RunContext& context, LinkDialogHost& host, FolderPicker& picker,
                                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_context(context), m_host(host), m_picker(picker) {}

void LinkDialogWindow::setUpControls(const LinkDialogControls& controls,
                                     const WindowTextTable& texts) {
    m_controls = controls;
    for (const FormatEntry& format : formatCatalogue())
        m_controls.comboBox1->addItem(QString::fromUtf8(format.name));
    // Only a pick by the user runs the format change, never a selection made by the program.
    connect(m_controls.comboBox1, &QComboBox::activated, this, &LinkDialogWindow::formatChanged);
    connect(m_controls.button2, &QPushButton::clicked, this, &LinkDialogWindow::pickFolder);
    connect(m_controls.button4, &QPushButton::clicked, this, &LinkDialogWindow::confirm);
    connect(m_controls.button8, &QPushButton::clicked, this, &LinkDialogWindow::cancel);
    m_controls.button4->setDefault(true);

    paintBackground(this);
    paintBackground(m_controls.groupBox1);
    if (m_context.english())
        applyWindowTexts(*this, texts, m_context.language());
    setMinimumWidth(470);
    setFixedSize(sizeHint().expandedTo(QSize(470, 0)));
    m_controls.edit1->setFocus();
}

LinkDialogFields LinkDialogWindow::fields() const {
    return {bytes(m_controls.edit1->text()), bytes(m_controls.edit6->text()),
            bytes(m_controls.edit3->text()), bytes(m_controls.edit7->text()),
            m_controls.comboBox1->currentIndex() < 0 ? std::string()
                                                     : bytes(m_controls.comboBox1->currentText())};
}

void LinkDialogWindow::setFields(const LinkDialogFields& fields) {
    m_controls.edit1->setText(text(fields.link));
    m_controls.edit6->setText(text(fields.folder));
    m_controls.edit3->setText(text(fields.fileName));
    m_controls.edit7->setText(text(fields.mp3Title));
    // setCurrentIndex runs no "activated": the extension label and the title field stay.
    m_controls.comboBox1->setCurrentIndex(m_controls.comboBox1->findText(text(fields.format)));
}

void LinkDialogWindow::formatChanged() {
    const DialogFormatState state = dialogFormatChange(bytes(m_controls.comboBox1->currentText()));
    m_controls.edit3->setEnabled(state.fileNameEnabled);
    if (state.extensionLabel)
        m_controls.label2->setText(text(*state.extensionLabel));
    if (state.mp3TitleEnabled) {
        m_controls.edit7->setEnabled(*state.mp3TitleEnabled);
        m_controls.label8->setEnabled(*state.mp3TitleEnabled);
    }
    if (state.generatedFileName)
        m_controls.edit3->setText(text(*state.generatedFileName));
}

void LinkDialogWindow::pickFolder() {
    LinkDialogFields current = fields();
    dialogPickFolder(m_context, current, m_picker);
    m_controls.edit6->setText(text(current.folder));
}

void LinkDialogWindow::cancel() {
    reject();
}

void LinkDialogWindow::centreOnDesktop() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace vantaro
