// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>

namespace vantaro {

// The program's pictures, drawn as SVG files under app/assets and rendered at their own size.
enum class Picture {
    Banner,        // background strip of the banner, 814 x 80
    SwitchLink,    // single-link page switch, 391 x 82
    SwitchLinkLit, // its highlighted picture
    SwitchList,    // list page switch, 468 x 83
    SwitchListLit, // its highlighted picture
    Help,          // question mark in a blue disc, 46 x 45
    DownloadFr,    // big download picture with the word "Télécharger", 119 x 106
    DownloadEn,    // the same with the word "DOWNLOAD"
    Add,           // window with a green plus, 58 x 45
    Remove,        // window with a red minus, 58 x 45
    Clear,         // window with a broom, 65 x 49
    Modify,        // pencil, 65 x 49
    Load,          // window, yellow arrow and music note, 58 x 45
    StarWaiting,   // pale star, 16 x 16
    StarRunning,   // yellow star, 16 x 16
    MenuBullet,    // small blue gradient bitmap of the menu items, 16 x 16
    ProgramIcon,   // tray and window icon, 64 x 64
    Promo,         // promotional picture of the splash and the about dialog, 592 x 412
};

// The picture at its design size (sharp on a high-density screen).
QPixmap picture(Picture which);

// The three pictures of a command image: normal, highlighted (lighter), pressed (darker).
struct PictureTriple {
    QPixmap normal;
    QPixmap highlighted;
    QPixmap pressed;
};
PictureTriple commandPictures(Picture which);

// A lighter and a darker variant of a picture; transparency is kept.
QPixmap lighterPicture(const QPixmap& source);
QPixmap darkerPicture(const QPixmap& source);

// The picture with its pure black pixels made transparent.
QPixmap blackTransparent(const QPixmap& source);

// The program icon at every size the desktop asks for.
QIcon programIcon();

} // namespace vantaro
