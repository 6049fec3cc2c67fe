// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WindowTexts.h"
#include "jobs/LinkDialogs.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vantaro {

// The controls that the add and modify dialogs share, as their forms name them.
struct LinkDialogControls {
    QGroupBox* groupBox1;
    QLineEdit* edit1;
    QLineEdit* edit6;
    QLineEdit* edit3;
    QLineEdit* edit7;
    QComboBox* comboBox1;
    QLabel* label2;
    QLabel* label8;
    QPushButton* button2;
    QPushButton* button4;
    QPushButton* button8;
};

// What the add and modify dialogs have in common: the fields, the format list and its change
// handler, the folder picker, the cancel button, the colours and the texts.
class LinkDialogWindow : public QDialog {
    Q_OBJECT
public:
    // The fields as the dialog shows them.
    LinkDialogFields fields() const;
    // Shows the fields; the format is selected without running the format-change handler.
    void setFields(const LinkDialogFields& fields);

    // The dialog's handlers: the format list, "Explorer", "Annuler" and the confirm button.
    void formatChanged();
    void pickFolder();
    void cancel();
    virtual void confirm() = 0;

protected:
    LinkDialogWindow(RunContext& context, LinkDialogHost& host, FolderPicker& picker,
                     QWidget* parent);

    // Fills the format list, connects the handlers, sets the dialog's colours and, in English,
    // the English texts of the table.
    void setUpControls(const LinkDialogControls& controls, const WindowTextTable& texts);
    // Centres the dialog on the desktop before it opens.
    void centreOnDesktop();

    LinkDialogHost& host() { return m_host; }
    RunContext& context() { return m_context; }

private:
    RunContext& m_context;
    LinkDialogHost& m_host;
    FolderPicker& m_picker;
    LinkDialogControls m_controls{};
};

} // namespace vantaro
