// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Pictures.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>

// The resources of a static library are registered by hand, once.
static void initAssets() {
    static bool registered = false;
    if (!registered) {
        Q_INIT_RESOURCE(assets);
        registered = true;
    }
}

namespace vantaro {

namespace {

const char* assetPath(Picture which) {
    switch (which) {
    case Picture::Banner:
        return ":/assets/banner.svg";
    case Picture::SwitchLink:
        return ":/assets/switch-link.svg";
    case Picture::SwitchLinkLit:
        return ":/assets/switch-link-lit.svg";
    case Picture::SwitchList:
        return ":/assets/switch-list.svg";
    case Picture::SwitchListLit:
        return ":/assets/switch-list-lit.svg";
    case Picture::Help:
        return ":/assets/help.svg";
    case Picture::DownloadFr:
        return ":/assets/download-fr.svg";
    case Picture::DownloadEn:
        return ":/assets/download-en.svg";
    case Picture::Add:
        return ":/assets/add.svg";
    case Picture::Remove:
        return ":/assets/remove.svg";
    case Picture::Clear:
        return ":/assets/clear.svg";
    case Picture::Modify:
        return ":/assets/modify.svg";
    case Picture::Load:
        return ":/assets/load.svg";
    case Picture::StarWaiting:
        return ":/assets/star-waiting.svg";
    case Picture::StarRunning:
        return ":/assets/star-running.svg";
    case Picture::MenuBullet:
        return ":/assets/menu-bullet.svg";
    case Picture::ProgramIcon:
        return ":/assets/vantaro.svg";
    case Picture::Promo:
        return ":/assets/promo.svg";
    }
    return "";
}

qreal screenRatio() {
    return qGuiApp != nullptr ? std::max<qreal>(1.0, qGuiApp->devicePixelRatio()) : 1.0;
}

QImage render(const QString& path, const QSize& size, qreal ratio) {
    initAssets();
    QSvgRenderer renderer(path);
    const QSize design = size.isValid() ? size : renderer.defaultSize();
    QImage image(design * ratio, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    image.setDevicePixelRatio(ratio);
    return image;
}

// Moves every colour channel towards white (amount > 0) or black (amount < 0).
QPixmap shade(const QPixmap& source, double amount) {
    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            auto channel = [amount](int value) {
                const double moved =
                    amount > 0 ? value + (255 - value) * amount : value * (1.0 + amount);
                return std::clamp(static_cast<int>(moved + 0.5), 0, 255);
            };
            line[x] = qRgba(channel(qRed(pixel)), channel(qGreen(pixel)), channel(qBlue(pixel)),
                            qAlpha(pixel));
        }
    }
    return QPixmap::fromImage(image);
}

} // namespace

QPixmap picture(Picture which) {
    return QPixmap::fromImage(render(QString::fromLatin1(assetPath(which)), {}, screenRatio()));
}

QPixmap lighterPicture(const QPixmap& source) {
    return shade(source, 0.28);
}

QPixmap darkerPicture(const QPixmap& source) {
    return shade(source, -0.2);
}

PictureTriple commandPictures(Picture which) {
    const QPixmap normal = picture(which);
    return {normal, lighterPicture(normal), darkerPicture(normal)};
}

QPixmap blackTransparent(const QPixmap& source) {
    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] == qRgba(0, 0, 0, 255))
                line[x] = qRgba(0, 0, 0, 0);
    }
    return QPixmap::fromImage(image);
}

QIcon programIcon() {
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(
            render(QString::fromLatin1(assetPath(Picture::ProgramIcon)), QSize(side, side), 1.0)));
    return icon;
}

} // namespace vantaro
