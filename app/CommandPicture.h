// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QWidget>

namespace vantaro {

// A command drawn as a picture: its normal, highlighted and pressed states are three pictures of
// one size. Releasing a mouse button over it runs its command (the activated signal). Its hint
// is its tool tip and its accessible name.
class CommandPicture : public QWidget {
    Q_OBJECT
public:
    explicit CommandPicture(QWidget* parent = nullptr);

    void setPictures(const QPixmap& normal, const QPixmap& highlighted, const QPixmap& pressed);

    enum class State { Normal, Highlighted, Pressed };
    State state() const { return m_state; }

signals:
    void activated();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setState(State state);
    const QPixmap& picture() const;

    QPixmap m_normal;
    QPixmap m_highlighted;
    QPixmap m_pressed;
    State m_state = State::Normal;
};

} // namespace vantaro
