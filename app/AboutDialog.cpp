// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutDialog.h"

#include "app/Pictures.h"
#include "app/QtText.h"
#include "app/TextApplier.h"
#include "app/WindowTexts.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace vantaro {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName("AboutDialog");
    setFixedSize(486, 379);

    auto* panel = new QFrame(this);
    panel->setObjectName("Panel1");
    panel->setGeometry(2, 2, 481, 349);
    panel->setFrameShape(QFrame::StyledPanel);

    // The picture is drawn unscaled from its top-left corner: its right and bottom parts are cut.
    auto* image = new QLabel(panel);
    image->setObjectName("Image1");
    image->setGeometry(10, 6, 463, 339);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setPixmap(picture(Picture::Promo));

    addLabelOverPicture(panel, "Label3", {30, 300}, false, 11);
    addLabelOverPicture(panel, "Label2", {30, 319}, true, 11);
    addLabelOverPicture(panel, "Label4", {317, 53}, true, 11);

    auto* ok = new QPushButton(this);
    ok->setObjectName("Button1");
    ok->setGeometry(2, 353, 481, 23);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &AboutDialog::okPressed);

    applyWindowTexts(*this, aboutDialogTexts(), Language::French); // French in both languages
    for (QLabel* label : panel->findChildren<QLabel*>())
        if (label != image)
            label->adjustSize();
}

int AboutDialog::exec() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    return QDialog::exec();
}

void AboutDialog::okPressed() {
    accept();
}

} // namespace vantaro
