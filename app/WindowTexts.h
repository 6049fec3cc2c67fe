// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"

#include <optional>
#include <string>
#include <vector>

namespace vantaro {

// The language code the main window sets when it is created: "FR" in the program; a test may
// ask for another one before it creates the window.
const std::string& mainWindowLanguageCode();
void setMainWindowLanguageCode(std::string code);

// What a text of a window is, so that the window knows where to put it.
enum class TextKind {
    Title,       // the window's title
    Caption,     // a label's or button's text, a group box's title, a menu item's caption
    TabCaption,  // the caption of a page of a page control (the control is the page)
    Hint,        // the tool tip of a picture
    InitialText, // the text an edit field holds when the window is created
    StatusText,  // the status bar's simple text
};

// One text of a window in both languages. No English text means that the English text is the
// French one.
struct WindowText {
    std::string control;
    TextKind kind;
    std::string french;
    std::optional<std::string> english;

    // The text in the given language.
    const std::string& text(Language language) const;
};

using WindowTextTable = std::vector<WindowText>;

// The texts of the main window, of the add-link dialog and of the modify dialog. The main
// window's title, the extension labels and the format lists follow rules of their own, and the
// link grid's headers belong to the list; none of them is listed.
const WindowTextTable& mainWindowTexts();
const WindowTextTable& addDialogTexts();
const WindowTextTable& modifyDialogTexts();
// The about dialog and the splash window are in French in both languages.
const WindowTextTable& aboutDialogTexts();
const WindowTextTable& splashTexts();

// The entry of a table for a control and kind; throws std::out_of_range when there is none.
const WindowText& findText(const WindowTextTable& table, const std::string& control, TextKind kind);

} // namespace vantaro
