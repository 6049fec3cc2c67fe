// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopShell.h"

#include "app/FolderTreeDialog.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

namespace vantaro {

std::string QtDesktopShell::chooseFolder(QWidget* owner, const std::string& caption,
                                         const std::string& selected) {
    return FolderTreeDialog::choose(owner, caption, selected, m_context.language());
}

std::string QtDesktopShell::chooseFile(QWidget* owner, const std::string& filter) {
    QString text = QString::fromStdString(filter);
    if (!text.contains(QLatin1Char('(')))
        text += QStringLiteral(" (*)");
    return QFileDialog::getOpenFileName(owner, {}, {}, text).toStdString();
}

void QtDesktopShell::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

} // namespace vantaro
