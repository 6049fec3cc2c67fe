// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/LinkDialogWindow.h"
#include "jobs/ListCommands.h"

#include <cstdint>
#include <memory>

namespace Ui {
class EditLinkDialog;
}

namespace vantaro {

// The modify-entry dialog: rewrites the list entry it was opened for, wherever that entry
// stands when the user confirms. Created once and reused.
class EditLinkDialog : public LinkDialogWindow {
    Q_OBJECT
public:
    EditLinkDialog(RunContext& context, LinkList& list, ListCommandHost& commandHost,
                   LinkDialogHost& host, FolderPicker& picker, QWidget* parent = nullptr);
    ~EditLinkDialog() override;

    // The entry the next opening works on.
    void setEntryId(std::uint64_t entryId) { m_entryId = entryId; }
    std::uint64_t entryId() const { return m_entryId; }

    // Fills the fields from the entry, then shows the dialog modally.
    int exec() override;

    void fillFromEntry();
    void confirm() override;

private:
    std::unique_ptr<Ui::EditLinkDialog> m_ui;
    LinkList& m_list;
    LinkListCommands m_commands;
    std::uint64_t m_entryId = 0;
};

} // namespace vantaro
