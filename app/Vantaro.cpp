// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Unit1.h"
#include "core/Constants.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(vantaro::ApplicationTitle);
    vantaro::TForm1 mainWindow;
    mainWindow.show();
    return QApplication::exec();
}
