// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Unit6.h"

#include "core/Constants.h"

#include <QLabel>
#include <QPushButton>

namespace vantaro {

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm6");
    setWindowTitle(QString::fromUtf8("A porpos de Vantaro"));
    setFixedSize(486, 379);
    auto* version = new QLabel(QString::fromUtf8("Vantaro, version 2.0"), this);
    version->setObjectName("Label2");
    version->setGeometry(32, 321, 300, 16);
    auto* address = new QLabel(QString::fromUtf8(MakerWebAddress), this);
    address->setObjectName("Label3");
    address->setGeometry(32, 302, 300, 16);
    auto* domain = new QLabel(QString::fromUtf8(MakerDomain) + QString::fromUtf8(" ©"), this);
    domain->setObjectName("Label4");
    domain->setGeometry(319, 55, 150, 16);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("Button1");
    ok->setGeometry(2, 353, 481, 23);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace vantaro
