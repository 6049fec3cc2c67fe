// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandPicture.h"

#include <QMouseEvent>
#include <QPainter>

namespace vantaro {

CommandPicture::CommandPicture(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
}

void CommandPicture::setPictures(const QPixmap& normal, const QPixmap& highlighted,
                                 const QPixmap& pressed) {
    m_normal = normal;
    m_highlighted = highlighted;
    m_pressed = pressed;
    update();
}

const QPixmap& CommandPicture::picture() const {
    switch (m_state) {
    case State::Highlighted:
        return m_highlighted.isNull() ? m_normal : m_highlighted;
    case State::Pressed:
        return m_pressed.isNull() ? m_normal : m_pressed;
    case State::Normal:
        break;
    }
    return m_normal;
}

void CommandPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!isEnabled())
        painter.setOpacity(0.35); // a command that cannot be used now
    const QPixmap& shown = picture();
    if (!shown.isNull()) {
        painter.drawPixmap(rect(), shown);
        return;
    }
    if (accessibleName().isEmpty()) {
        // A page switch without pictures: only the light under the pointer.
        if (m_state != State::Normal)
            painter.fillRect(rect(), QColor(255, 255, 255, m_state == State::Pressed ? 40 : 70));
        return;
    }
    // No pictures yet: a framed tile with the hint, shaded by state.
    const QColor fill = m_state == State::Pressed       ? QColor(0xC9, 0xD8, 0xEC)
                        : m_state == State::Highlighted ? QColor(0xEA, 0xF2, 0xFC)
                                                        : QColor(0xF4, 0xF6, 0xF9);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0x9D, 0xB2, 0xCE));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    painter.setPen(QColor(0x1F, 0x3A, 0x66));
    QFont small = font();
    small.setPixelSize(height() > 60 ? 11 : 9);
    painter.setFont(small);
    painter.drawText(rect().adjusted(3, 3, -3, -3), Qt::AlignCenter | Qt::TextWordWrap,
                     accessibleName());
}

void CommandPicture::setState(State state) {
    if (m_state == state)
        return;
    m_state = state;
    update();
    emit stateChanged(state);
}

void CommandPicture::enterEvent(QEnterEvent*) {
    if (m_state == State::Normal)
        setState(State::Highlighted);
}

void CommandPicture::mouseMoveEvent(QMouseEvent* event) {
    // After a release the normal picture is back under the pointer: the next move lights it.
    if (m_state == State::Normal && rect().contains(event->position().toPoint()))
        setState(State::Highlighted);
    event->accept();
}

void CommandPicture::leaveEvent(QEvent*) {
    m_pressedButton = Qt::NoButton;
    setState(State::Normal);
}

void CommandPicture::mousePressEvent(QMouseEvent* event) {
    event->accept();
    // The pressed picture takes no presses: a second button changes nothing.
    if (m_pressedButton != Qt::NoButton)
        return;
    m_pressedButton = event->button();
    if (m_behaviour == Behaviour::Command)
        setState(State::Pressed);
    else
        setState(State::Highlighted);
}

void CommandPicture::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (m_pressedButton == Qt::NoButton)
        return;
    const bool ownRelease = event->button() == m_pressedButton;
    const bool inside = rect().contains(event->position().toPoint());
    m_pressedButton = Qt::NoButton;
    if (m_behaviour == Behaviour::Switch) {
        setState(inside ? State::Highlighted : State::Normal);
    } else {
        // The pictures are reset before the command runs, so a dialog opens over the normal one.
        setState(State::Normal);
    }
    // A release away from the picture, or one the pressed picture took, runs nothing.
    if (ownRelease && inside)
        emit activated();
}

} // namespace vantaro
