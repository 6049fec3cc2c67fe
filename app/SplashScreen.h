// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QWidget>

namespace vantaro {

// How long the splash stays up once the windows exist, in milliseconds.
inline constexpr int SplashWaitMs = 1000;

// The splash window shown during start-up: no frame, the promotional picture and three labels;
// wherever the face colour shows, the desktop shows through. French in both languages.
class SplashScreen : public QWidget {
    Q_OBJECT
public:
    explicit SplashScreen(QWidget* parent = nullptr);

    // The face colour that is see-through.
    static QColor faceColour();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};

} // namespace vantaro
