// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// For tests that run Qt, on the offscreen platform or on the private X server of
// xvfb-run-here.sh: the test program's application, waiting on a condition while events flow, a
// window shown until it is exposed, its picture saved under the build's artifacts/screenshots/,
// and the built program started as a process of its own.

#include "Waiting.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>

class QWidget;

namespace vantaro::testing {

// Makes the test program's application once, named NAME: a QApplication, for tests with
// widgets. Nothing happens when the program already has one.
void makeApplication(const char* name);

// The same with a QCoreApplication, for tests that only need Qt's events, processes and threads.
void ensureCoreApplication(const char* name = "vantaro-test");

// True when the windows go to an X server (the test's own Xvfb), not to the offscreen platform.
bool onXServer();

// Shows and activates the window; true once it is exposed.
bool showExposed(QWidget& window);

enum class Picture {
    OnScreen,  // what the X server shows (the window's own rendering where it cannot say)
    Rendering, // the window's own rendering, whatever lies over it on screen
};

// Saves the window's picture as artifacts/screenshots/NAME of the build; true when written.
bool saveScreenshot(QWidget& window, const std::string& name, Picture kind = Picture::OnScreen);

// Starts the built program with these arguments in the folder (this process's own when empty).
std::unique_ptr<QProcess>
startProgram(const QStringList& arguments, const QString& folder = {},
             const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

} // namespace vantaro::testing
