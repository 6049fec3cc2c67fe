// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SplashScreen.h"
#include "app/Unit1.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "app/Unit6.h"
#include "core/Constants.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>

#include <memory>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);

    // The splash shows first, painted at once: the steps below keep this thread busy.
    auto splash = std::make_unique<vantaro::TForm5>();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        splash->move(screen->availableGeometry().center() - splash->rect().center());
    splash->show();
    splash->repaint();
    QCoreApplication::processEvents();

    // The title of the program (not a display name, which the desktop would add to every
    // window title).
    QApplication::setApplicationName(vantaro::ApplicationTitle);

    // The dialogs read the language code that the main window sets, so it comes first.
    vantaro::TForm1 mainWindow;
    vantaro::TForm3 addDialog(&mainWindow);
    vantaro::TForm4 modifyDialog(&mainWindow);
    vantaro::TForm6 aboutDialog(&mainWindow);
    mainWindow.setDialogs(&addDialog, &modifyDialog, &aboutDialog);
    // The main window's native window and styles are made ready while the splash is up, so that
    // showing it afterwards is quick.
    mainWindow.winId();
    mainWindow.ensurePolished();

    QThread::msleep(vantaro::SplashWaitMs);
    splash->hide();
    splash.reset();

    mainWindow.show();
    const int result = QApplication::exec();
    // A download still running is stopped and waited for before the windows go.
    mainWindow.finishWork();
    return result;
}
