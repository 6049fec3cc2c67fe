// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MessageBoxes.h"

#include "app/ProgramIdentity.h"

#include <QMessageBox>

namespace vantaro {

QString displayText(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            shown += text[i];
            continue;
        }
        shown += '\n';
        if (i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

namespace {

struct BoxLook {
    QMessageBox::Icon icon;
    const char* caption;
    QMessageBox::StandardButtons buttons;
};

BoxLook lookOf(MessageKind kind) {
    switch (kind) {
    case MessageKind::Information:
        return {QMessageBox::Information, "Information", QMessageBox::Ok};
    case MessageKind::Confirmation:
        return {QMessageBox::Question, "Confirmation", QMessageBox::Yes | QMessageBox::No};
    case MessageKind::Error:
        return {QMessageBox::Critical, ApplicationTitle, QMessageBox::Ok};
    case MessageKind::Plain:
        break;
    }
    return {QMessageBox::NoIcon, ApplicationTitle, QMessageBox::Ok};
}

} // namespace

bool MessageBoxes::showMessage(MessageKind kind, const std::string& text,
                               const std::string& caption) {
    const BoxLook look = lookOf(kind);
    QMessageBox box(look.icon,
                    caption.empty() ? QString::fromUtf8(look.caption)
                                    : QString::fromStdString(caption),
                    displayText(text), look.buttons, m_owner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(kind == MessageKind::Confirmation ? QMessageBox::Yes : QMessageBox::Ok);
    const int answer = box.exec();
    return kind != MessageKind::Confirmation || answer == QMessageBox::Yes;
}

} // namespace vantaro
