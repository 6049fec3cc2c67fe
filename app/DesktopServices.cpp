// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopServices.h"

#include "app/ProgramIdentity.h"
#include "app/QtText.h"
#include "app/WorkNotice.h"
#include "core/ProgramFolder.h"
#include "jobs/DroppedLink.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMimeData>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cmath>
#include <sys/socket.h>
#include <unistd.h>

namespace vantaro {
namespace {

const char* const NotificationsService = "org.freedesktop.Notifications";
const char* const NotificationsPath = "/org/freedesktop/Notifications";
const char* const LauncherEntryPath = "/com/quorlin/Vantaro/LauncherEntry";
const char* const LauncherEntryInterface = "com.canonical.Unity.LauncherEntry";
// The launcher entry moves by whole hundredths: finer steps are not seen and cost a message.
constexpr double LauncherStep = 0.01;
// A page or a service reply ends before a dock could show it; only a stream's fetch is shown.
constexpr std::int64_t LauncherMinimumBytes = 1'000'000;
constexpr int FiguresRefreshMs = 1000;
constexpr int HandOverWaitMs = 1000;
// A hand-over is one link and its line end; a second start sends one.
constexpr qint64 MaxHandOverBytes = 8 * 1024;
constexpr int MaxHandOversPerConnection = 4;

QString launcherAppUri() {
    return QStringLiteral("application://") + QString::fromUtf8(DesktopAppId) +
           QStringLiteral(".desktop");
}

// Whether the other end of a connection runs as this program's user.
bool fromThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer,
                        &size) == 0 &&
           size == sizeof peer && peer.uid == ::getuid();
}

// The notification servers that read markup in a body read a small XML-like language: its three
// characters that are not plain text are written as entities.
QString escapedForMarkup(QString text) {
    return text.replace('&', QStringLiteral("&amp;"))
        .replace('<', QStringLiteral("&lt;"))
        .replace('>', QStringLiteral("&gt;"));
}

QString localFileOf(const QMimeData* data) {
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

} // namespace

DesktopServices::DesktopServices(DesktopParts parts, QObject* parent)
    : QObject(parent), m_parts(std::move(parts)), m_tick(new QTimer(this)) {
    m_tick->setInterval(FiguresRefreshMs);
    connect(m_tick, &QTimer::timeout, this, &DesktopServices::tick);
    for (QWidget* page :
         {m_parts.linkPage, m_parts.listPage, static_cast<QWidget*>(m_parts.linkField)}) {
        if (page != nullptr) {
            page->setAcceptDrops(true);
            page->installEventFilter(this);
        }
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        bus.connect(QString(), NotificationsPath, NotificationsService, "ActionInvoked", this,
                    SLOT(notificationAction(uint, QString)));
}

DesktopServices::~DesktopServices() {
    if (m_published >= 0)
        publishProgress(false, 0.0);
}

void DesktopServices::workStarted() {
    m_firstMessage.clear();
    m_stopPressed = false;
}

void DesktopServices::progressMaximum(std::int64_t maximum) {
    m_meter.setMaximum(maximum, TransferMeter::Clock::now());
    refreshFigures();
}

void DesktopServices::progressPosition(std::int64_t position) {
    m_meter.setPosition(position, TransferMeter::Clock::now());
    refreshFigures();
}

void DesktopServices::conversionStarted() {
    m_meter.startConversion(TransferMeter::Clock::now());
    refreshFigures();
}

void DesktopServices::workerMessage(const std::string& text) {
    if (m_firstMessage.empty())
        m_firstMessage = text;
}

void DesktopServices::stopPressed() {
    m_stopPressed = true;
}

void DesktopServices::workEnded(const WorkSummary& summary) {
    m_meter.clear();
    refreshFigures();
    WorkSummary ended = summary;
    ended.stopped = ended.stopped || m_stopPressed;
    const std::optional<WorkNotice> notice =
        workNotice(ended, m_firstMessage, m_parts.language == Language::English);
    if (notice && m_parts.window != nullptr && !m_parts.window->isActiveWindow())
        notify(text(notice->title), text(notice->body));
}

// Each second while figures show; they go once the worker has ended, however it ended.
void DesktopServices::tick() {
    if (m_parts.workRunning && !m_parts.workRunning())
        m_meter.clear();
    refreshFigures();
}

// The line, the tray tooltip and the launcher entry follow the meter.
void DesktopServices::refreshFigures() {
    const QString line =
        text(m_meter.text(TransferMeter::Clock::now(), m_parts.language == Language::English));
    if (m_parts.figures != nullptr && m_parts.figures->text() != line)
        m_parts.figures->setText(line);
    if (QSystemTrayIcon* tray = m_parts.trayIcon ? m_parts.trayIcon() : nullptr) {
        const QString tip = line.isEmpty() ? QString::fromUtf8(ApplicationTitle) : line;
        if (tray->toolTip() != tip)
            tray->setToolTip(tip);
    }
    if (m_meter.running() != m_tick->isActive())
        m_meter.running() ? m_tick->start() : m_tick->stop();

    if (!m_meter.running()) {
        if (m_published >= 0)
            publishProgress(false, 0.0);
    } else if (const std::optional<double> fraction = m_meter.fraction();
               fraction && m_meter.total() >= LauncherMinimumBytes) {
        const double step = std::floor(*fraction / LauncherStep) * LauncherStep;
        if (m_published < 0 || std::abs(step - m_published) >= LauncherStep / 2)
            publishProgress(true, step);
    }
}

void DesktopServices::publishProgress(bool visible, double fraction) {
    m_published = visible ? fraction : -1.0;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(LauncherEntryPath, LauncherEntryInterface, "Update");
    QVariantMap properties;
    properties.insert("progress", fraction);
    properties.insert("progress-visible", visible);
    signal << launcherAppUri() << properties;
    bus.send(signal);
}

// Through the desktop's notification service; the tray icon's message where the service does
// not answer. The body may name a file or a failure a page worded: a service that reads markup in
// bodies gets it escaped (the summary is plain text for every service).
void DesktopServices::notify(const QString& title, const QString& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        trayMessage(title, body);
        return;
    }
    const QDBusMessage ask = QDBusMessage::createMethodCall(
        NotificationsService, NotificationsPath, NotificationsService, "GetCapabilities");
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, title, body] {
        const QDBusPendingReply<QStringList> capabilities = *watcher;
        const bool markup =
            !capabilities.isError() && capabilities.value().contains(QStringLiteral("body-markup"));
        sendNotice(title, markup ? escapedForMarkup(body) : body, body);
        watcher->deleteLater();
    });
}

void DesktopServices::trayMessage(const QString& title, const QString& body) {
    QSystemTrayIcon* tray = m_parts.trayIcon ? m_parts.trayIcon() : nullptr;
    if (tray != nullptr && tray->isVisible())
        tray->showMessage(title, body, tray->icon());
}

void DesktopServices::sendNotice(const QString& title, const QString& body,
                                 const QString& plainBody) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage call = QDBusMessage::createMethodCall(NotificationsService, NotificationsPath,
                                                       NotificationsService, "Notify");
    QVariantMap hints;
    hints.insert("desktop-entry", QString::fromUtf8(DesktopAppId));
    const QStringList actions{"default",
                              m_parts.language == Language::English ? "Show" : "Afficher"};
    call << QString::fromUtf8(ApplicationTitle) << uint(0) << QString::fromUtf8(DesktopAppId)
         << title << body << actions << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, title, plainBody] {
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError())
            trayMessage(title, plainBody);
        else
            m_noticeId = reply.value();
        watcher->deleteLater();
    });
}

void DesktopServices::notificationAction(uint id, const QString& action) {
    if (id == m_noticeId && m_noticeId != 0 && action == "default")
        showWindow();
}

void DesktopServices::showWindow() {
    QWidget* window = m_parts.window;
    if (window == nullptr)
        return;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void DesktopServices::receiveLink(const QString& link) {
    if (!link.isEmpty() && m_parts.linkField != nullptr)
        m_parts.linkField->setText(link);
    showWindow();
}

bool DesktopServices::eventFilter(QObject* watched, QEvent* event) {
    const bool listPage = watched == m_parts.listPage;
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDropEvent*>(event);
        const QMimeData* data = drag->mimeData();
        const bool wanted =
            listPage ? !localFileOf(data).isEmpty() : (data->hasUrls() || data->hasText());
        if (!wanted)
            return false;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    if (event->type() != QEvent::Drop)
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* data = drop->mimeData();
    if (listPage) {
        const QString file = localFileOf(data);
        if (file.isEmpty() || !m_parts.loadListFile)
            return false;
        drop->acceptProposedAction();
        // The load may show boxes: it runs once the drop has returned to the desktop.
        QTimer::singleShot(0, this, [this, path = bytes(file)] { m_parts.loadListFile(path); });
        return true;
    }
    QStringList uris;
    for (const QUrl& url : data->urls())
        uris << url.toString();
    const std::string link = droppedLink(bytes(uris.join("\r\n")), bytes(data->text()));
    if (link.empty())
        return false;
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    m_parts.linkField->setText(text(link));
    m_parts.linkField->setFocus();
    return true;
}

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (!fromThisUser(*socket)) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            connect(socket, &QLocalSocket::readyRead, this,
                    [this, socket, received = 0]() mutable { readMessages(*socket, received); });
        }
    });
}

// A message is one line; one that is too long, or more than a few, end the connection.
void SingleInstance::readMessages(QLocalSocket& socket, int& received) {
    while (socket.canReadLine()) {
        const QByteArray line = socket.readLine(MaxHandOverBytes);
        if (!line.endsWith('\n') || ++received > MaxHandOversPerConnection) {
            socket.abort();
            socket.deleteLater();
            return;
        }
        deliver(QString::fromUtf8(line).trimmed());
    }
    if (socket.bytesAvailable() >= MaxHandOverBytes) {
        socket.abort();
        socket.deleteLater();
    }
}

QString SingleInstance::socketName() {
    const std::string folder = privateRuntimeFolder(
        qEnvironmentVariable("XDG_RUNTIME_DIR").toStdString(), QDir::tempPath().toStdString());
    if (folder.empty())
        return {};
    return QString::fromStdString(folder) + QStringLiteral("vantaro-%1.socket").arg(::getuid());
}

bool SingleInstance::handOver(const QString& link) {
    QString line = link;
    line.remove('\r').remove('\n');
    const QByteArray message = line.toUtf8() + '\n';
    const QString name = socketName();
    if (name.isEmpty() || message.size() > MaxHandOverBytes)
        return false; // this start runs on its own
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(HandOverWaitMs))
        return false;
    socket.write(message);
    socket.waitForBytesWritten(HandOverWaitMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen() {
    const QString name = socketName();
    if (name.isEmpty())
        return false;
    if (m_server->listen(name))
        return true;
    if (m_server->serverError() != QAbstractSocket::AddressInUseError)
        return false;
    // Someone answers on that name: the program runs. Otherwise a crash left the socket.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(HandOverWaitMs))
        return false;
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

void SingleInstance::setReceiver(std::function<void(const QString&)> receiver) {
    m_receiver = std::move(receiver);
    for (const QString& link : std::exchange(m_waiting, {}))
        m_receiver(link);
}

void SingleInstance::deliver(const QString& link) {
    if (m_receiver)
        m_receiver(link);
    else
        m_waiting << link;
}

} // namespace vantaro
