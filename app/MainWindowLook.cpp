// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindowLook.h"

#include "app/CommandPicture.h"
#include "app/Pictures.h"
#include "app/TextApplier.h"
#include "app/WindowTexts.h"
#include "ui_MainWindow.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontDatabase>
#include <QStyle>
#include <QTabBar>

#include <algorithm>

namespace vantaro {

namespace {

// A command picture carries the hint of its highlighted picture: the highlighted picture is
// what lies under a resting pointer.
const QHash<QString, QString>& hintHolders() {
    static const QHash<QString, QString> aliases = {
        {"Image20", "Image19"}, {"Image23", "Image22"}, {"Image8", "Image7"},
        {"Image14", "Image10"}, {"Image18", "Image11"}, {"Image16", "Image12"},
        {"Image26", "Image25"}, {"Image29", "Image28"},
    };
    return aliases;
}

void setCommandPictures(CommandPicture* target, const PictureTriple& pictures) {
    target->setPictures(pictures.normal, pictures.highlighted, pictures.pressed);
}

// ImageList2 in English, the design pictures in French.
PictureTriple downloadPictures(Language language) {
    return commandPictures(language == Language::English ? Picture::DownloadEn
                                                         : Picture::DownloadFr);
}

// Bold, 15 pixels, Tahoma where installed; otherwise a narrow sans-serif, so that the list
// switch's caption stays clear of the help button.
QFont switchLabelFont() {
    QFont font;
    font.setFamily(QFontDatabase::families().contains("Tahoma")
                       ? QStringLiteral("Tahoma")
                       : QStringLiteral("DejaVu Sans Condensed"));
    font.setPixelSize(15);
    font.setBold(true);
    return font;
}

void setLabelColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::WindowText, colour);
    label->setPalette(palette);
}

// A page switch: its picture and its lit picture (black lets the banner through), its label
// coloured by the light, and the label part of the switch for the pointer.
void dressSwitch(CommandPicture* picture, Picture normal, Picture lit, QLabel* label) {
    const QPixmap litPicture = blackTransparent(vantaro::picture(lit));
    picture->setPictures(vantaro::picture(normal), litPicture, litPicture);
    picture->setBehaviour(CommandPicture::Behaviour::Switch);
    label->setStyleSheet(QString()); // a style sheet's font would win over the one set here
    label->setFont(switchLabelFont());
    label->adjustSize();
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    setLabelColour(label, SwitchLabelIdle);
    QObject::connect(
        picture, &CommandPicture::stateChanged, label, [label](CommandPicture::State state) {
            setLabelColour(label, state == CommandPicture::State::Normal ? SwitchLabelIdle
                                                                         : SwitchLabelLit);
        });
}

// A field's caption and the example after it: the caption as wide as its text, the example
// just after it, whatever the language and the font.
void placeExampleAfter(QLabel* caption, QLabel* example) {
    caption->adjustSize();
    example->adjustSize();
    example->move(caption->x() + caption->width() + 6, example->y());
}

// The format list is drawn as a field in the fields' light grey, framed like them: the style
// would draw a closed pick list as a button, where no field colour shows.
void dressFormatList(QComboBox* list) {
    list->setStyleSheet(
        QStringLiteral("QComboBox#%1 { background-color: %2; border: 1px solid %3; "
                       "border-radius: 2px; padding: 0px 4px; }"
                       "QComboBox#%1::drop-down { border: none; width: 16px; }"
                       "QComboBox#%1::down-arrow { image: url(:/assets/list-arrow.svg); }")
            .arg(list->objectName(), FieldColour.name(),
                 list->palette().color(QPalette::Window).darker(140).name()));
}

// The open list shows every entry whole, however narrow the closed box.
void widenOpenList(QComboBox* list) {
    QAbstractItemView* view = list->view();
    const int widest = view->sizeHintForColumn(0);
    const int frame =
        2 * view->frameWidth() + view->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    view->setMinimumWidth(std::max(list->width(), widest + frame));
}

} // namespace

QStringList dressMainWindow(Ui::MainWindow& ui, QWidget& window, Language language) {
    const QStringList missing =
        applyWindowTexts(window, mainWindowTexts(), language, hintHolders());

    placeExampleAfter(ui.Label9, ui.Label1);
    placeExampleAfter(ui.Label7, ui.Label10);
    placeExampleAfter(ui.Label5, ui.Label11);
    placeExampleAfter(ui.Label8, ui.Label12);
    placeExampleAfter(ui.Label4, ui.Label6);

    ui.Image2->setStyleSheet(QString());
    ui.Image2->setPixmap(picture(Picture::Banner));
    dressSwitch(ui.Image6, Picture::SwitchLink, Picture::SwitchLinkLit, ui.Label13);
    dressSwitch(ui.Image31, Picture::SwitchList, Picture::SwitchListLit, ui.Label14);
    // Where the two switches overlap, the link page's switch lies on top and takes the pointer.
    ui.Image6->stackUnder(ui.Image5);
    dressFormatList(ui.ComboBox1);
    widenOpenList(ui.ComboBox2);
    const QPixmap help = picture(Picture::Help);
    ui.Image5->setPictures(help, lighterPicture(help), lighterPicture(help));
    ui.Image5->setBehaviour(CommandPicture::Behaviour::Switch);

    const PictureTriple download = downloadPictures(language);
    setCommandPictures(ui.Image19, download);
    setCommandPictures(ui.Image7, download);
    const PictureTriple add = commandPictures(Picture::Add);
    setCommandPictures(ui.Image22, add);
    setCommandPictures(ui.Image10, add);
    setCommandPictures(ui.Image11, commandPictures(Picture::Remove));
    setCommandPictures(ui.Image12, commandPictures(Picture::Clear));
    setCommandPictures(ui.Image25, commandPictures(Picture::Modify));
    setCommandPictures(ui.Image28, commandPictures(Picture::Load));

    // ImageList1: the tab images are the two stars.
    ui.PageControl1->setTabIcon(0, QIcon(picture(Picture::StarWaiting)));
    ui.PageControl1->setTabIcon(1, QIcon(picture(Picture::StarRunning)));
    return missing;
}

} // namespace vantaro
