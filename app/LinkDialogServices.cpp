// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LinkDialogServices.h"

#include "app/DesktopShell.h"
#include "core/ProgramFolder.h"
#include "settings/Preferences.h"

#include <QApplication>

namespace vantaro {

LinkDialogServices::LinkDialogServices(MessagePresenter& presenter, DesktopShell& shell,
                                       std::function<std::string()> listFolderField)
    : m_presenter(presenter), m_shell(shell), m_listFolderField(std::move(listFolderField)) {}

bool LinkDialogServices::showMessage(MessageKind kind, const std::string& text,
                                     const std::string& caption) {
    return m_presenter.showMessage(kind, text, caption);
}

bool LinkDialogServices::directoryExists(const std::string& path) {
    return isExistingDirectory(path);
}

bool LinkDialogServices::preferencesFileExists() {
    const DataFolders folders = dataFoldersOfThisRun();
    return Preferences(folders.settingsFolder, folders.downloadsFolder).exists();
}

std::string LinkDialogServices::listFolderField() {
    return m_listFolderField ? m_listFolderField() : std::string();
}

std::string LinkDialogServices::defaultDownloadsFolder() {
    return dataFoldersOfThisRun().downloadsFolder;
}

std::optional<std::string> LinkDialogServices::pickFolder(const std::string& caption,
                                                          const std::string& startFolder) {
    std::string chosen =
        m_shell.chooseFolder(QApplication::activeModalWidget(), caption, startFolder);
    if (chosen.empty())
        return std::nullopt;
    return chosen;
}

} // namespace vantaro
