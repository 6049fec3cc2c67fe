// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QLabel>
#include <QString>

#include <string>

namespace vantaro {

// The program's texts are UTF-8 bytes; the widgets hold QStrings.
inline QString text(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string bytes(const QString& text) {
    return text.toUtf8().toStdString();
}

// A label drawn over a picture: see-through, in the windows' font, at a pixel size when one is
// given (0 keeps the font's own size).
inline QLabel* addLabelOverPicture(QWidget* parent, const char* name, QPoint place, bool bold,
                                   int pixelSize) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->move(place);
    label->setAttribute(Qt::WA_TranslucentBackground);
    QFont font(QStringLiteral("Tahoma"));
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

} // namespace vantaro
