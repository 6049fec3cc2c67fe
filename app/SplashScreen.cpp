// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SplashScreen.h"

#include "app/Pictures.h"
#include "app/QtText.h"
#include "app/TextApplier.h"
#include "app/WindowTexts.h"

#include <QBitmap>
#include <QLabel>
#include <QPainter>

namespace vantaro {

QColor SplashScreen::faceColour() {
    return {0xF0, 0xF0, 0xF0};
}

SplashScreen::SplashScreen(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("SplashScreen");
    setFixedSize(592, 411);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, faceColour());
    setPalette(palette);
    m_picture = picture(Picture::Promo);

    addLabelOverPicture(this, "Label1", {379, 32}, true, 13);
    addLabelOverPicture(this, "Label2", {406, 46}, true, 0);
    addLabelOverPicture(this, "Label3", {8, 369}, false, 0);
    applyWindowTexts(*this, splashTexts(), Language::French); // French in both languages
    for (QLabel* label : findChildren<QLabel*>())
        label->adjustSize();

    // The colour key: pixels of the face colour are cut out of the window's shape, which needs
    // no compositing desktop.
    QImage shape = m_picture.toImage().convertToFormat(QImage::Format_RGB32).copy(rect());
    setMask(QBitmap::fromImage(shape.createMaskFromColor(faceColour().rgb(), Qt::MaskInColor)));
}

void SplashScreen::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), faceColour());
    painter.drawPixmap(0, 0, m_picture);
}

} // namespace vantaro
