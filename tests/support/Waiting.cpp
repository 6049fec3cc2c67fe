// SPDX-License-Identifier: GPL-3.0-or-later
#include "Waiting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <thread>

namespace vantaro::testing {

bool waitFor(const std::function<bool()>& condition, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    const QCoreApplication* application = QCoreApplication::instance();
    // The answer is the condition's last look, never a second one: a condition can hold only
    // for a moment (a process seen while it execs another program), and asking twice turns a
    // success into a failure.
    bool met = condition();
    if (application == nullptr || QThread::currentThread() != application->thread()) {
        while (!met && clock.elapsed() < milliseconds) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            met = condition();
        }
        return met;
    }
    // The timer wakes the loop often enough for conditions that no event announces (a file
    // growing, a child process's state), without spinning the processor.
    QTimer wake;
    wake.start(5);
    while (!met && clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        // As in a running event loop, objects given to deleteLater() go.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        met = condition();
    }
    return met;
}

void letEventsRun(int milliseconds) {
    waitFor([] { return false; }, milliseconds);
}

} // namespace vantaro::testing
