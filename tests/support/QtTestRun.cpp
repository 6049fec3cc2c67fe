// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtTestRun.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>

namespace vantaro::testing {

namespace {

// Qt keeps the argument vector it was given for the application's whole life.
template <typename Application> void makeOnce(const char* name) {
    if (QCoreApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static std::string stored;
    static char* argv[] = {nullptr, nullptr};
    stored = name;
    argv[0] = stored.data();
    new Application(argc, argv);
}

} // namespace

void makeApplication(const char* name) {
    makeOnce<QApplication>(name);
}

void ensureCoreApplication(const char* name) {
    makeOnce<QCoreApplication>(name);
}

bool onXServer() {
    return QGuiApplication::platformName() == "xcb";
}

bool showExposed(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowExposed(&window);
}

bool saveScreenshot(QWidget& window, const std::string& name, Picture kind) {
    const std::string folder = std::string(VANTARO_BINARY_DIR) + "/artifacts/screenshots";
    std::filesystem::create_directories(folder);
    QPixmap picture;
    if (kind == Picture::OnScreen && window.screen() != nullptr)
        picture = window.screen()->grabWindow(window.winId());
    if (picture.isNull() || picture.size() != window.size())
        picture = window.grab();
    return picture.save(QString::fromStdString(folder + "/" + name), "PNG");
}

std::unique_ptr<QProcess> startProgram(const QStringList& arguments, const QString& folder,
                                       const QProcessEnvironment& environment) {
    auto process = std::make_unique<QProcess>();
    process->setWorkingDirectory(folder);
    process->setProcessEnvironment(environment);
    process->start(VANTARO_PROGRAM_DIR "/vantaro", arguments);
    EXPECT_TRUE(process->waitForStarted(XServerCeilingMs)) << "the program did not start";
    return process;
}

} // namespace vantaro::testing
