// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutDialog.h"
#include "app/AddLinkDialog.h"
#include "app/DesktopServices.h"
#include "app/DesktopShell.h"
#include "app/EditLinkDialog.h"
#include "app/LinkDialogServices.h"
#include "app/MainWindow.h"
#include "app/Pictures.h"
#include "app/ProgramIdentity.h"
#include "app/SplashScreen.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// The command line: --help and --version answer on the terminal before any window (and without
// a display); an optional link goes to the link field. Returns false when the program should end
// with exitCode.
bool readCommandLine(int argc, char* argv[], QString& link, int& exitCode) {
    QCoreApplication::setApplicationName(vantaro::ApplicationTitle);
    QCoreApplication::setApplicationVersion(vantaro::ProgramVersion);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription("Saves videos from video pages in a format of your choice.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument("link", "The link of a video page, put in the link field.",
                                 "[link]");
    exitCode = 0;
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        exitCode = 2;
        return false;
    }
    if (parser.isSet(help) || parser.isSet(version)) {
        const QString answer =
            parser.isSet(help)
                ? parser.helpText()
                : QString("%1 %2\n").arg(vantaro::ApplicationTitle, vantaro::ProgramVersion);
        std::fputs(answer.toLocal8Bit().constData(), stdout);
        return false;
    }
    const QStringList links = parser.positionalArguments();
    link = links.isEmpty() ? QString() : links.first();
    return true;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

int main(int argc, char* argv[]) {
    QString link;
    if (int exitCode = 0; !readCommandLine(argc, argv, link, exitCode))
        return exitCode;
    QGuiApplication::setDesktopFileName(vantaro::DesktopAppId);
    QApplication application(argc, argv);

    // One program per user: the files a download shares exist once. A second start hands its
    // link to the first and leaves.
    vantaro::SingleInstance instance;
    if (vantaro::SingleInstance::handOver(link) ||
        (!instance.listen() && vantaro::SingleInstance::handOver(link)))
        return 0;

    // The splash shows first, painted at once: the steps below keep this thread busy.
    auto splash = std::make_unique<vantaro::SplashScreen>();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        splash->move(screen->availableGeometry().center() - splash->rect().center());
    splash->show();
    splash->repaint();
    QCoreApplication::processEvents();

    // The title of the program (not a display name, which the desktop would add to every
    // window title).
    QApplication::setApplicationName(vantaro::ApplicationTitle);
    QApplication::setWindowIcon(vantaro::programIcon());

    // The dialogs share the main window's run context, language included, so it comes first.
    vantaro::MainWindow mainWindow;
    vantaro::QtDesktopShell desktop(mainWindow.runContext());
    vantaro::LinkDialogServices dialogServices(
        static_cast<vantaro::DownloadCommandHost&>(mainWindow), desktop, [&mainWindow] {
            const auto* edit2 = mainWindow.findChild<QLineEdit*>("Edit2");
            return edit2 ? edit2->text().toUtf8().toStdString() : std::string();
        });
    vantaro::AddLinkDialog addDialog(mainWindow.runContext(), mainWindow.playlistAdd(),
                                     dialogServices, dialogServices, &mainWindow);
    vantaro::EditLinkDialog modifyDialog(mainWindow.runContext(), mainWindow.linkList(),
                                         static_cast<vantaro::ListCommandHost&>(mainWindow),
                                         dialogServices, dialogServices, &mainWindow);
    vantaro::AboutDialog aboutDialog(&mainWindow);
    mainWindow.setDialogs(&addDialog, &modifyDialog, &aboutDialog);
    // The list outlives the program: it is kept in the user's state folder and comes back here.
    mainWindow.keepList(vantaro::keptListPath(environment("XDG_STATE_HOME"), environment("HOME")));
    // The main window's native window and styles are made ready while the splash is up, so that
    // showing it afterwards is quick.
    mainWindow.winId();
    mainWindow.ensurePolished();

    QThread::msleep(vantaro::SplashWaitMs);
    splash->hide();
    splash.reset();

    mainWindow.show();
    if (!link.isEmpty())
        mainWindow.desktopServices().receiveLink(link);
    instance.setReceiver(
        [&mainWindow](const QString& handed) { mainWindow.desktopServices().receiveLink(handed); });
    const int result = QApplication::exec();
    // A download still running is stopped and waited for before the windows go.
    mainWindow.finishWork();
    return result;
}
