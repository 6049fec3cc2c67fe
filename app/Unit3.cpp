// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Unit3.h"

#include <QPushButton>

namespace vantaro {

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm3");
    setWindowTitle(QString::fromUtf8("Ajouter un nouveau lien"));
    setFixedSize(420, 120);
    auto* cancel = new QPushButton(QString::fromUtf8("Annuler"), this);
    cancel->setObjectName("Button8");
    cancel->setGeometry(320, 84, 88, 25);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

} // namespace vantaro
