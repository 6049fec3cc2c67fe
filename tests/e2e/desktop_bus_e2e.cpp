// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on a private X server and a private session bus: stand-ins for the desktop's
// notification service and for a dock that reads the launcher entry record what the window sends
// while it downloads a paced stream from the scripted server. The figures line is saved as PNG
// files mid-download, in French and in English.

#include "app/MainWindow.h"
#include "app/WindowTexts.h"
#include "core/ProgramFolder.h"
#include "engine/WorkerTestBench.h"
#include "support/QtTestRun.h"
#include "support/WindowFakes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>

#include <filesystem>
#include <vector>

namespace vantaro::testing {

// The desktop's notification service, as far as the window uses it.
class NotificationStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notice {
        QString appName, summary, body;
        QStringList actions;
        QVariantMap hints;
    };
    std::vector<Notice> notices;

public slots:
    // A service that reads markup in bodies, as most do.
    QStringList GetCapabilities() { return {"actions", "body", "body-markup"}; }
    uint Notify(const QString& appName, uint, const QString&, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int) {
        notices.push_back({appName, summary, body, actions, hints});
        return static_cast<uint>(notices.size());
    }
};

// A dock: every launcher-entry update it hears.
class LauncherListener : public QObject {
    Q_OBJECT
public:
    struct Heard {
        QString appUri;
        double progress;
        bool visible;
    };
    std::vector<Heard> updates;

public slots:
    void Update(const QString& appUri, const QVariantMap& properties) {
        updates.push_back({appUri, properties.value("progress").toDouble(),
                           properties.value("progress-visible").toBool()});
    }
};

namespace {

namespace fs = std::filesystem;

constexpr int StreamBytes = 4'000'000;

class DesktopBusEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        makeApplication("desktop_bus_e2e");
        ASSERT_TRUE(onXServer()) << "the test needs X";
    }

    void SetUp() override {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session";
        m_bus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, "stand-ins"));
        ASSERT_TRUE(m_bus->registerObject("/org/freedesktop/Notifications", &m_notifications,
                                          QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(m_bus->registerService("org.freedesktop.Notifications"));
        ASSERT_TRUE(m_bus->connect(QString(), QString(), "com.canonical.Unity.LauncherEntry",
                                   "Update", &m_launcher, SLOT(Update(QString, QVariantMap))));

        fs::create_directory_symlink(std::string(VANTARO_PROGRAM_DIR) + "/QrlBin",
                                     m_program.file("QrlBin"));
        setProgramFolder(m_program.path() + "/");
        m_previousFolder = fs::current_path();
        fs::current_path(m_run.path());
        // A YouTube-like page, the resolver naming the stream, the stream sent slowly.
        m_server = std::make_unique<ScriptedHttpServer>(
            "{\"routes\": {\"/addVantaroURL.php\": [{\"text\": " + jsonText(httpOk("ok\n")) +
            "}], \"/youtube/watch\": [{\"text\": " + jsonText(httpOk("<html></html>\n")) +
            "}], \"/fr/Vantaro/kestravo.php\": [{\"text\": " +
            // The server counts the length once the port is in place of {{PORT}}.
            jsonText(httpOk("http://127.0.0.1:{{PORT}}/media.flv\n")) +
            ", \"length\": true}], \"/media.flv\": [{\"text\": " +
            jsonText("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(StreamBytes) +
                     "\r\nConnection: close\r\n\r\n") +
            ", \"body_bytes\": " + std::to_string(StreamBytes) + ", \"pace\": [65536, 0.05]}]}}");
    }
    void TearDown() override {
        m_window.reset();
        setMainWindowLanguageCode("FR");
        fs::current_path(m_previousFolder);
        setProgramFolder({});
        m_bus->unregisterService("org.freedesktop.Notifications");
        QDBusConnection::disconnectFromBus("stand-ins");
    }

    void openWindow(const char* language) {
        setMainWindowLanguageCode(language);
        m_window = std::make_unique<MainWindow>("127.0.0.1:" + std::to_string(m_server->port()));
        m_window->setMessagePresenter(&m_presenter);
        ASSERT_TRUE(showExposed(*m_window));
        ASSERT_TRUE(showExposed(m_other));
    }
    // The main window active, or another window of the program active instead.
    void activate(bool mainWindow) {
        QWidget* target = mainWindow ? static_cast<QWidget*>(m_window.get()) : &m_other;
        target->activateWindow();
        ASSERT_TRUE(waitFor([target] { return target->isActiveWindow(); }, 10000));
    }
    void startDownload(const std::string& name) {
        m_window->findChild<QLineEdit*>("Edit1")->setText(
            QString::fromStdString(m_server->url("/youtube/watch?v=dQw4w9WgXcQ")));
        m_window->findChild<QLineEdit*>("Edit6")->setText(QString::fromStdString(m_out.path()));
        m_window->findChild<QLineEdit*>("Edit3")->setText(QString::fromStdString(name));
        auto* formats = m_window->findChild<QComboBox*>("ComboBox1");
        formats->setCurrentIndex(formats->findText("FLV"));
        m_updatesBefore = m_launcher.updates.size();
        m_window->startDownload();
        ASSERT_TRUE(m_window->workerRunning()) << m_presenter.texts().size();
    }
    // Waits until the stream is a quarter through; the figures line then shows.
    void waitForMidStream() {
        auto* bar = m_window->findChild<QProgressBar*>("ProgressBar1");
        ASSERT_TRUE(waitFor([bar] {
            return bar->maximum() == StreamBytes && bar->value() > StreamBytes / 4 &&
                   bar->value() < StreamBytes;
        }));
        ASSERT_TRUE(waitFor([this] { return !figures().isEmpty(); }));
    }
    void waitForEnd() {
        ASSERT_TRUE(waitFor([this] { return !m_window->workerRunning(); }));
        // The launcher entry is hidden last.
        ASSERT_TRUE(waitFor([this] {
            return m_launcher.updates.size() > m_updatesBefore &&
                   !m_launcher.updates.back().visible;
        }));
    }
    QString figures() const { return m_window->findChild<QLabel*>("TransferFigures")->text(); }
    // The window's own rendering: the other window of the test may lie over it on screen.
    void saveScreenshot(const std::string& name) {
        EXPECT_TRUE(testing::saveScreenshot(*m_window, name, Picture::Rendering)) << name;
    }

    TempFolder m_program{"vantaro-bus-program"};
    TempFolder m_run{"vantaro-bus-run"};
    TempFolder m_out{"vantaro-bus-out"};
    std::unique_ptr<ScriptedHttpServer> m_server;
    std::unique_ptr<QDBusConnection> m_bus;
    NotificationStandIn m_notifications;
    LauncherListener m_launcher;
    RecordingPresenter m_presenter;
    QWidget m_other;
    std::size_t m_updatesBefore = 0;
    std::unique_ptr<MainWindow> m_window;
    fs::path m_previousFolder;
};

// Each language in turn, the main window inactive: the figures mid-stream, the launcher entry
// rising then hidden, one notice naming the file.
TEST_F(DesktopBusEndToEnd, ProgressOnTheLauncherEntryAndOneNoticeOnlyWhenTheWindowIsInactive) {
    const struct {
        const char *language, *name, *figures, *summary, *screenshot;
    } runs[] = {
        {"EN", "english", " of 4.0 MB \u00b7 ", "Download finished", "desktop-figures-en.png"},
        {"FR", "inactive", " sur 4,0 Mo \u00b7 ", "T\u00e9l\u00e9chargement termin\u00e9",
         "desktop-figures-fr.png"},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.language);
        m_window.reset();
        m_notifications.notices.clear();
        m_launcher.updates.clear();
        openWindow(run.language);
        activate(false);
        startDownload(run.name);
        waitForMidStream();
        EXPECT_TRUE(figures().contains(QString::fromUtf8(run.figures))) << figures().toStdString();
        saveScreenshot(run.screenshot);
        waitForEnd();
        EXPECT_TRUE(figures().isEmpty());
        ASSERT_TRUE(waitFor([this] { return m_notifications.notices.size() == 1; }));
        const NotificationStandIn::Notice& notice = m_notifications.notices[0];
        EXPECT_EQ(notice.appName, "Vantaro");
        EXPECT_EQ(notice.summary, QString::fromUtf8(run.summary));
        EXPECT_EQ(notice.body.toStdString(), m_out.file(run.name + std::string(".flv")));
        EXPECT_EQ(notice.hints.value("desktop-entry").toString(), "com.quorlin.Vantaro");
        EXPECT_TRUE(notice.actions.contains("default"));
        EXPECT_TRUE(fs::exists(m_out.file(run.name + std::string(".flv"))));

        double last = -1;
        for (const LauncherListener::Heard& update : m_launcher.updates) {
            EXPECT_EQ(update.appUri, "application://com.quorlin.Vantaro.desktop");
            if (!update.visible)
                continue;
            EXPECT_GE(update.progress, last) << "the progress went back";
            last = update.progress;
        }
        EXPECT_GE(last, 0.99);
        EXPECT_GT(m_launcher.updates.size(), 3u);
        EXPECT_LT(m_launcher.updates.size(), 110u) << "one update per visible hundredth at most";
        EXPECT_TRUE(m_presenter.texts().empty()) << m_presenter.texts().front();
    }

    // Activating the notice brings the minimised window back.
    m_window->showMinimized();
    QDBusMessage invoked = QDBusMessage::createSignal(
        "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
    invoked << 1u << QString("default");
    m_bus->send(invoked);
    EXPECT_TRUE(waitFor([this] { return !(m_window->windowState() & Qt::WindowMinimized); }));

    // Active: no notice. Stopped while inactive: no notice either.
    activate(true);
    startDownload("active");
    waitForEnd();
    activate(false);
    startDownload("stopped");
    waitForMidStream();
    m_window->stopWork();
    waitForEnd();
    // A last inactive run: its notice is the second, so the two runs between sent none (the
    // window's messages reach the bus in the order it sends them). Its name, markup to the
    // service, arrives escaped.
    startDownload("last <b>&amp;");
    waitForEnd();
    ASSERT_TRUE(waitFor([this] { return m_notifications.notices.size() >= 2; }));
    EXPECT_EQ(m_notifications.notices.size(), 2u);
    EXPECT_EQ(m_notifications.notices.back().body.toStdString(),
              m_out.file("last &lt;b&gt;&amp;amp;.flv"));
    EXPECT_TRUE(fs::exists(m_out.file("last <b>&amp;.flv")));
    EXPECT_TRUE(m_presenter.texts().empty()) << m_presenter.texts().front();
}

} // namespace
} // namespace vantaro::testing

#include "desktop_bus_e2e.moc"
