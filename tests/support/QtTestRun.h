// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// For tests that run Qt, on the offscreen platform or on the private X server of
// xvfb-run-here.sh: the test program's application, waiting on a condition while events flow, a
// window shown until it is exposed, its picture saved under the build's artifacts/screenshots/,
// and the built program started as a process of its own.

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace vantaro::testing {

// Milliseconds a whole download, or a program's start or end, may take on a loaded machine.
constexpr int XServerCeilingMs = 180000;

// Makes the test program's application once: a QApplication for window tests, a
// QCoreApplication for tests that only talk to other programs.
template <typename Application = QApplication> void makeApplication(const char* name) {
    static int argc = 1;
    static std::string stored = name;
    static char* argv[] = {stored.data(), nullptr};
    if (QCoreApplication::instance() == nullptr)
        new Application(argc, argv);
}

// True when the windows go to an X server (the test's own Xvfb), not to the offscreen platform.
inline bool onXServer() {
    return QGuiApplication::platformName() == "xcb";
}

// Runs the events until the condition holds or the ceiling passes; the condition's last answer.
inline bool waitFor(const std::function<bool()>& condition, int milliseconds = XServerCeilingMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

// Shows and activates the window; true once it is exposed.
inline bool showExposed(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowExposed(&window);
}

enum class Picture {
    OnScreen,  // what the X server shows (the window's own rendering where it cannot say)
    Rendering, // the window's own rendering, whatever lies over it on screen
};

// Saves the window's picture as artifacts/screenshots/NAME of the build; true when written.
inline bool saveScreenshot(QWidget& window, const std::string& name,
                           Picture kind = Picture::OnScreen) {
    const std::string folder = std::string(VANTARO_BINARY_DIR) + "/artifacts/screenshots";
    std::filesystem::create_directories(folder);
    QPixmap picture;
    if (kind == Picture::OnScreen && window.screen() != nullptr)
        picture = window.screen()->grabWindow(window.winId());
    if (picture.isNull() || picture.size() != window.size())
        picture = window.grab();
    return picture.save(QString::fromStdString(folder + "/" + name), "PNG");
}

// Starts the built program with these arguments in the folder (this process's own when empty).
inline std::unique_ptr<QProcess>
startProgram(const QStringList& arguments, const QString& folder = {},
             const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    auto process = std::make_unique<QProcess>();
    process->setWorkingDirectory(folder);
    process->setProcessEnvironment(environment);
    process->start(VANTARO_PROGRAM_DIR "/vantaro", arguments);
    EXPECT_TRUE(process->waitForStarted(XServerCeilingMs)) << "the program did not start";
    return process;
}

} // namespace vantaro::testing
