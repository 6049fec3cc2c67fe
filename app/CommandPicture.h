// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QWidget>

namespace vantaro {

// A command drawn as a picture: its normal, highlighted and pressed states are three pictures of
// one size. The pointer moving over it shows the highlighted picture, leaving it shows the
// normal one. Any mouse button pressed on the highlighted picture shows the pressed one; its
// release puts the normal picture back and then runs the command (the activated signal), once.
// A release that the pressed picture takes instead (another button than the one pressed) puts
// the normal picture back and runs nothing. Its hint is its tool tip and its accessible name.
//
// A banner switch works like the highlighted picture alone: no pressed look, and a release runs
// the command and leaves the highlight shown until the pointer leaves.
class CommandPicture : public QWidget {
    Q_OBJECT
public:
    explicit CommandPicture(QWidget* parent = nullptr);

    void setPictures(const QPixmap& normal, const QPixmap& highlighted, const QPixmap& pressed);
    const QPixmap& normalPicture() const { return m_normal; }

    enum class State { Normal, Highlighted, Pressed };
    State state() const { return m_state; }

    enum class Behaviour { Command, Switch };
    void setBehaviour(Behaviour behaviour) { m_behaviour = behaviour; }
    Behaviour behaviour() const { return m_behaviour; }

signals:
    void activated();
    void stateChanged(vantaro::CommandPicture::State state);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void setState(State state);
    const QPixmap& picture() const;

    QPixmap m_normal;
    QPixmap m_highlighted;
    QPixmap m_pressed;
    State m_state = State::Normal;
    Behaviour m_behaviour = Behaviour::Command;
    Qt::MouseButton m_pressedButton = Qt::NoButton; // the button that showed the pressed picture
};

} // namespace vantaro
