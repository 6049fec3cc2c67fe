// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SplashScreen.h"

#include "core/Constants.h"

#include <QLabel>

namespace vantaro {

TForm5::TForm5(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("TForm5");
    setFixedSize(592, 411);
    setStyleSheet("background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f7fbff, "
                  "stop:1 #9fbde6);");
    auto* version = new QLabel(QString::fromUtf8("Vantaro, version 2.0"), this);
    version->setObjectName("Label1");
    version->setGeometry(379, 32, 200, 16);
    auto* domain = new QLabel(QString::fromUtf8(MakerDomain) + QString::fromUtf8(" ©"), this);
    domain->setObjectName("Label2");
    domain->setGeometry(406, 46, 180, 16);
    auto* address = new QLabel(QString::fromUtf8(MakerWebAddress), this);
    address->setObjectName("Label3");
    address->setGeometry(8, 369, 300, 16);
}

} // namespace vantaro
