// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/TransferFigures.h"
#include "core/Language.h"
#include "engine/WorkerHost.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QLocalServer;
class QLocalSocket;
class QSystemTrayIcon;
class QTimer;
class QWidget;

namespace vantaro {

// What the desktop services touch of the main window.
struct DesktopParts {
    QWidget* window = nullptr;
    QLabel* figures = nullptr; // the figures line under the Stop button
    QLineEdit* linkField = nullptr;
    QWidget* linkPage = nullptr; // a link dropped here fills linkField
    QWidget* listPage = nullptr; // a text file dropped here is loaded as the list
    std::function<QSystemTrayIcon*()> trayIcon;
    // True while a download worker runs; a worker whose host failed ends without workEnded().
    std::function<bool()> workRunning;
    std::function<void(const std::string& path)> loadListFile;
    Language language = Language::French; // of the figures line and the notices
};

// The main window's ties to the desktop: the figures line and the tray tooltip while a download
// runs, its fraction on the launcher entry (dock, task bar), a notice when a run ends while the
// window is not active, links and list files dropped on the pages. Everything on the
// user-interface thread; the window calls it from its worker hand-overs.
class DesktopServices : public QObject {
    Q_OBJECT
public:
    DesktopServices(DesktopParts parts, QObject* parent);
    ~DesktopServices() override;

    void workStarted();
    void progressMaximum(std::int64_t maximum);
    void progressPosition(std::int64_t position);
    void conversionStarted();
    // A message the worker showed; the first one of a run names its failure.
    void workerMessage(const std::string& text);
    void stopPressed();
    void workEnded(const WorkSummary& summary);

    // Fills the link field with a link handed over (dropped, or passed to a second start) and
    // brings the window to the front.
    void receiveLink(const QString& link);
    // Brings the main window to the front: restored, shown, raised and activated.
    void showWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void notificationAction(uint id, const QString& action);

private:
    void tick();
    void refreshFigures();
    void publishProgress(bool visible, double fraction);
    void notify(const QString& title, const QString& body);
    void sendNotice(const QString& title, const QString& body, const QString& plainBody);
    void trayMessage(const QString& title, const QString& body);

    DesktopParts m_parts;
    TransferMeter m_meter;
    QTimer* m_tick = nullptr;
    std::string m_firstMessage;
    bool m_stopPressed = false;
    double m_published = -1.0; // the launcher entry's fraction, -1 while hidden
    uint m_noticeId = 0;
};

// One program per user: the first start listens on a local socket named after the user, in a
// folder of the user's own; a second start hands its link (possibly empty) over that socket and
// leaves. Only the user's own programs are heard, a line of 8 KiB at most, a few per connection.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);

    // The socket's name for this user: in XDG_RUNTIME_DIR when set, else in a folder of the
    // user's own in the temporary folder (privateRuntimeFolder). Empty when that folder is not
    // private: the start then neither hands over nor listens, and runs on its own.
    static QString socketName();
    // True when a running program took the link: this one should leave.
    static bool handOver(const QString& link);
    // Starts listening; a socket left by a program that no longer runs is removed first.
    bool listen();
    // Receives the links handed over; those that came before are delivered at once.
    void setReceiver(std::function<void(const QString&)> receiver);

private:
    void readMessages(QLocalSocket& socket, int& received);
    void deliver(const QString& link);

    QLocalServer* m_server = nullptr;
    std::function<void(const QString&)> m_receiver;
    QStringList m_waiting;
};

} // namespace vantaro
