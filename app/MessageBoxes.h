// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MessagePresenter.h"

#include <QPointer>
#include <QString>

class QWidget;

namespace vantaro {

// A message text for display: every "\r\n" and every lone "\r" becomes a line break.
QString displayText(const std::string& text);

// The program's message boxes, modal over their owner window.
class MessageBoxes : public MessagePresenter {
public:
    explicit MessageBoxes(QWidget* owner = nullptr) : m_owner(owner) {}

    bool showMessage(MessageKind kind, const std::string& text,
                     const std::string& caption = {}) override;

private:
    QPointer<QWidget> m_owner;
};

} // namespace vantaro
