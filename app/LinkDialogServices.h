// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobs/LinkDialogs.h"

#include <functional>
#include <string>

namespace vantaro {

class DesktopShell;

// What the add and modify dialogs use of the running program: its message boxes, the desktop's
// folder dialog, the preferences file beside the program and the main window's list folder.
class LinkDialogServices : public LinkDialogHost, public FolderPicker {
public:
    LinkDialogServices(MessagePresenter& presenter, DesktopShell& shell,
                       std::function<std::string()> listFolderField);

    bool showMessage(MessageKind kind, const std::string& text,
                     const std::string& caption = {}) override;
    bool directoryExists(const std::string& path) override;
    bool preferencesFileExists() override;
    std::string listFolderField() override;
    std::string defaultDownloadsFolder() override;
    // Modal over the dialog that asks.
    std::optional<std::string> pickFolder(const std::string& caption,
                                          const std::string& startFolder) override;

private:
    MessagePresenter& m_presenter;
    DesktopShell& m_shell;
    std::function<std::string()> m_listFolderField;
};

} // namespace vantaro
