// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/RunContext.h"

#include <string>

class QUrl;
class QWidget;

namespace vantaro {

// The desktop's dialogs and its default programs, as the main window uses them. Tests answer
// them without opening anything.
class DesktopShell {
public:
    virtual ~DesktopShell() = default;
    // The folder-selection dialog, modal over its owner, starting at `selected` when it is not
    // empty. Returns the chosen folder's full path, or "" when cancelled.
    virtual std::string chooseFolder(QWidget* owner, const std::string& caption,
                                     const std::string& selected) = 0;
    // The file-open dialog with one filter, written "description (patterns)"; a filter without
    // patterns lists every file. Returns the chosen path, or "" when cancelled.
    virtual std::string chooseFile(QWidget* owner, const std::string& filter) = 0;
    // Opens a web page or a folder with the desktop's default program; a failure is silent.
    virtual void openUrl(const QUrl& url) = 0;
};

// The shell of the running desktop: the program's folder picker, Qt's file-open dialog and
// QDesktopServices.
class QtDesktopShell : public DesktopShell {
public:
    // The folder picker speaks the run's language.
    explicit QtDesktopShell(const RunContext& context) : m_context(context) {}

    std::string chooseFolder(QWidget* owner, const std::string& caption,
                             const std::string& selected) override;
    std::string chooseFile(QWidget* owner, const std::string& filter) override;
    void openUrl(const QUrl& url) override;

private:
    const RunContext& m_context;
};

} // namespace vantaro
