// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"

#include <string>

namespace vantaro {

// The kinds of message box the program shows.
enum class MessageKind {
    Information,  // information icon, OK
    Confirmation, // question icon, Yes and No
    Plain,        // no icon, application title as caption, OK
    Error,        // the application's error box for an error a command did not catch
};

// Every message box goes through one presenter, so that tests answer boxes without a modal loop.
// Texts keep their "\r\n" and lone "\r"; the presenter turns them into line breaks for display.
class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    // Shows a box and waits until the user closes it. Returns true for Yes (Confirmation) and
    // true for every other kind once dismissed.
    virtual bool showMessage(MessageKind kind, const std::string& text,
                             const std::string& caption = {}) = 0;
};

// An information box in the user's language.
inline void inform(MessagePresenter& presenter, Language language, const char* french,
                   const char* english) {
    presenter.showMessage(MessageKind::Information, pickText(language, french, english));
}

} // namespace vantaro
