// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/LinkDialogWindow.h"

#include <memory>

namespace Ui {
class AddLinkDialog;
}

namespace vantaro {

// The add-link dialog: appends one entry to the link list. Created once and reused, so a field
// that an opening does not fill keeps what it held.
class AddLinkDialog : public LinkDialogWindow {
    Q_OBJECT
public:
    AddLinkDialog(RunContext& context, ListAppender& list, LinkDialogHost& host,
                  FolderPicker& picker, QWidget* parent = nullptr);
    ~AddLinkDialog() override;

    // Applies the defaults of an opening, then shows the dialog modally.
    int exec() override;

    void applyOpeningDefaults();
    void confirm() override;
    // The add button is disabled while a playlist is being read.
    void setAddEnabled(bool enabled);

private:
    std::unique_ptr<Ui::AddLinkDialog> m_ui;
    ListAppender& m_list;
};

} // namespace vantaro
