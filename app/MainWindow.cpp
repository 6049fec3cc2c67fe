// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/AboutDialog.h"
#include "app/AddLinkDialog.h"
#include "app/CaptureStrip.h"
#include "app/DesktopServices.h"
#include "app/EditLinkDialog.h"
#include "app/MainWindowLook.h"
#include "app/Pictures.h"
#include "app/ProgramIdentity.h"
#include "app/QtText.h"
#include "app/WindowTexts.h"
#include "capture/PacketMonitor.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "jobs/FormatCatalogue.h"
#include "ui_MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTimer>
#include <QUrl>

#include <filesystem>

namespace vantaro {

namespace {

const char* const MissingToolsFr =
    "Le logiciel ne contient pas tous ses utilitaires, merci de réinstaller le logiciel!\r"
    "Attention : le logiciel risque de ne pas fonctionner correctement s'il n'est pas réinstallé";
const char* const MissingToolsEn =
    "The software does not contain all its components, please reinstall the software!\r"
    "Warning: The software may not function properly if not reinstalled";

const char* const MemoNote[] = {
    "Outil de capture : repère la requête du lecteur wat.tv vers son fichier vidéo.",
    "Choisir l'adresse locale, puis Start Capture ; le lien trouvé s'inscrit ici.",
    "La capture demande les droits d'administrateur (socket brut).",
};

} // namespace

MainWindow::MainWindow(std::string serviceHost, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::MainWindow>()),
      m_preferences(dataFoldersOfThisRun().settingsFolder, dataFoldersOfThisRun().downloadsFolder),
      m_boxes(this), m_presenter(&m_boxes), m_desktop(m_runContext), m_shell(&m_desktop),
      m_listCommands(m_list, static_cast<ListCommandHost&>(*this), m_runContext),
      m_pspCommands(static_cast<PspHost&>(*this), m_runContext),
      m_worker(m_runContext, static_cast<WorkerHost&>(*this), std::move(serviceHost)),
      m_playlistReader([this] { return m_preferences.ytDlpProgram(); }),
      m_playlistAdd(m_list, m_playlistReader, static_cast<PlaylistAddHost&>(*this), m_runContext) {
    m_ui->setupUi(this);
    // Asked at each start, so that a program named in the preferences meanwhile is used.
    m_worker.setYtDlpProgram([this] { return m_preferences.ytDlpProgram(); });
    // A job whose yt-dlp is missing, old or failing like an old copy may offer the program's own
    // copy, under the same switch as the start-up check.
    m_worker.setEngineUpdates([this]() -> std::optional<UpdateSettings> {
        if (!m_preferences.engineChecksAllowed())
            return std::nullopt;
        return updateSettingsFor(runningProgramFolder(), m_preferences.releasesLocation(),
                                 m_runContext.language());
    });
    setFixedSize(size());
    setWindowIcon(programIcon());
    m_ui->StringGrid1->setList(m_list);
    m_ui->StringGrid1->setRunContext(m_runContext);
    for (const FormatEntry& format : formatCatalogue())
        m_ui->ComboBox1->addItem(QString::fromUtf8(format.name));
    // The tab row lies under the banner: the banner switches the pages.
    m_ui->PageControl1->tabBar()->setFocusPolicy(Qt::NoFocus);
    m_ui->Label13->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_ui->Label14->setAttribute(Qt::WA_TransparentForMouseEvents);
    for (const char* line : MemoNote)
        m_ui->Memo1->appendPlainText(QString::fromUtf8(line));
    m_capture =
        new CaptureStrip({m_ui->ListBox1, m_ui->Memo1, m_ui->Button15, m_ui->Button14,
                          m_ui->Button13, m_ui->Button12, m_ui->WebBrowser1, m_ui->ComboBox2,
                          [this](const std::string& status) { setStatus(status); }},
                         this);
    createMenus();
    connectControls();
    buildWindow();
    createTrayIcon();
    createDesktopServices();
    m_ui->Edit1->setFocus();
}

MainWindow::~MainWindow() {
    m_closing = true;
    m_playlistAdd.stop();
    m_engineUpdate.stopAndJoin();
    m_engineCheck.stopAndJoin();
    finishWork();
    flushKeptList();
    m_keptWriter.reset();
    m_keptLock.reset();
}

void MainWindow::buildWindow() {
    const std::string& languageCode = mainWindowLanguageCode();
    m_runContext.setLanguage(languageFromCode(languageCode));
    setWindowTitle(QString::fromUtf8(DesignCaption) + "-" + text(languageCode));
    m_ui->PageControl1->setCurrentWidget(m_ui->TabSheet1);

    PreferenceFields fields{bytes(m_ui->Edit3->text()), bytes(m_ui->Edit6->text()),
                            bytes(m_ui->Edit2->text()), bytes(m_ui->Edit7->text())};
    m_preferences.load(fields);
    m_ui->Edit3->setText(text(fields.fileName));
    m_ui->Edit6->setText(text(fields.folder));
    m_ui->Edit2->setText(text(fields.listFolder));
    m_ui->Edit7->setText(text(fields.mp3Title));

    m_list.applyLanguage(m_runContext.language());
    m_ui->WebBrowser1->setLanguage(m_runContext.language());
    for (QWidget* field : std::initializer_list<QWidget*>{
             m_ui->Edit1, m_ui->Edit2, m_ui->Edit6, m_ui->Edit3, m_ui->Edit7, m_ui->ComboBox1}) {
        QPalette palette = field->palette();
        palette.setColor(QPalette::Base, QColor(0xF9, 0xF9, 0xF9));
        field->setPalette(palette);
    }
    dressMainWindow(*m_ui, *this, m_runContext.language());

    try {
        for (const std::string& address : RawSocket::localAddressList())
            m_ui->ListBox1->addItem(text(address));
    } catch (const SocketError&) {
        // Without the list of addresses the capture tool reports its own failure when started.
    }
    if (m_ui->ListBox1->count() > 0)
        m_ui->ListBox1->setCurrentRow(0);
}

void MainWindow::createMenus() {
    const QIcon bitmap(picture(Picture::MenuBullet));
    const auto addItem = [&bitmap](QMenu* menu, const char* name, const char* caption) {
        QAction* action = menu->addAction(bitmap, QString::fromUtf8(caption));
        action->setObjectName(name);
        return action;
    };
    m_popupMenu = new QMenu(this);
    m_popupMenu->setObjectName("PopupMenu1");
    connect(addItem(m_popupMenu, "OuvrirPellorin1", "Ouvrir Vantaro"), &QAction::triggered, this,
            &MainWindow::restoreFromTray);
    connect(addItem(m_popupMenu, "Quiter1", "Quitter Vantaro"), &QAction::triggered, this,
            &MainWindow::quitProgram);

    m_helpMenu = new QMenu(this);
    m_helpMenu->setObjectName("HelpMenu");
    connect(addItem(m_helpMenu, "MenuItem2", "Co&mment utiliser Vantaro"), &QAction::triggered,
            this, &MainWindow::openHowToUsePage);
    connect(addItem(m_helpMenu, "MenuItem1", "Vantaro sur le &Web"), &QAction::triggered, this,
            &MainWindow::openWebPage);
    connect(addItem(m_helpMenu, "AproposdeVantaro1", "&A propos de Vantaro"), &QAction::triggered,
            this, &MainWindow::showAboutDialog);
    m_updateAction = addItem(m_helpMenu, "MettreajourytDlp1", "Mettre à jour yt-dlp");
    connect(m_updateAction, &QAction::triggered, this, &MainWindow::updateYtDlp);
}

void MainWindow::createTrayIcon() {
    m_trayIcon = new QSystemTrayIcon(windowIcon(), this);
    m_trayIcon->setObjectName("TrayIcon1");
    m_trayIcon->setToolTip(QString::fromUtf8(ApplicationTitle));
    m_trayIcon->setContextMenu(m_popupMenu); // the right click
    connect(m_trayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    popUpTrayMenu();
            });
    // Without a notification area the icon stays hidden: the window keeps its taskbar entry,
    // and closing it ends the program.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_trayIcon->show();
}

// The figures line lies in the free band between the Stop button and the progress bar.
void MainWindow::createDesktopServices() {
    auto* figures = new QLabel(this);
    figures->setObjectName("TransferFigures");
    const QRect stop = m_ui->Button5->geometry();
    const QRect bar = m_ui->ProgressBar1->geometry();
    figures->setGeometry(bar.x(), stop.bottom() + 1, bar.width(), bar.top() - stop.bottom() - 1);
    figures->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    DesktopParts parts;
    parts.window = this;
    parts.figures = figures;
    parts.linkField = m_ui->Edit1;
    parts.linkPage = m_ui->TabSheet1;
    parts.listPage = m_ui->TabSheet2;
    parts.trayIcon = [this] { return m_trayIcon; };
    parts.workRunning = [this] { return workerRunning() || m_engineUpdating; };
    parts.language = m_runContext.language();
    parts.loadListFile = [this](const std::string& path) {
        m_ui->PageControl1->setCurrentWidget(m_ui->TabSheet2);
        m_droppedListFile = path;
        loadListFile();
        m_droppedListFile.clear();
    };
    m_desktopServices = new DesktopServices(std::move(parts), this);
}

void MainWindow::connectControls() {
    const auto onClick = [this](QAbstractButton* button, void (MainWindow::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, handler);
    };
    const auto onPicture = [this](CommandPicture* picture, void (MainWindow::*handler)()) {
        connect(picture, &CommandPicture::activated, this, handler);
    };
    onClick(m_ui->Button2, &MainWindow::pickSingleLinkFolder);
    onClick(m_ui->Button11, &MainWindow::pickListFolder);
    onClick(m_ui->Button16, &MainWindow::openDestinationFolder);
    onClick(m_ui->Button4, &MainWindow::startDownload);
    onClick(m_ui->Button8, &MainWindow::addToList);
    onClick(m_ui->Button5, &MainWindow::stopWork);
    onClick(m_ui->Button10, &MainWindow::requestStop);
    onClick(m_ui->Button6, &MainWindow::loadListFile);
    onClick(m_ui->Button7, &MainWindow::startListDownload);
    onClick(m_ui->Button9, &MainWindow::editSelectedEntry);
    onClick(m_ui->Button1, &MainWindow::convertForPsp);
    onClick(m_ui->Button3, &MainWindow::choosePspVideo);
    onPicture(m_ui->Image19, &MainWindow::startDownload);
    onPicture(m_ui->Image22, &MainWindow::addToList);
    onPicture(m_ui->Image7, &MainWindow::startListDownload);
    onPicture(m_ui->Image10, &MainWindow::openAddDialog);
    onPicture(m_ui->Image11, &MainWindow::removeSelectedEntry);
    onPicture(m_ui->Image12, &MainWindow::clearList);
    onPicture(m_ui->Image25, &MainWindow::editSelectedEntry);
    onPicture(m_ui->Image28, &MainWindow::loadListFile);
    connect(m_ui->Image6, &CommandPicture::activated, this,
            [this] { m_ui->PageControl1->setCurrentWidget(m_ui->TabSheet1); });
    connect(m_ui->Image31, &CommandPicture::activated, this,
            [this] { m_ui->PageControl1->setCurrentWidget(m_ui->TabSheet2); });
    connect(m_ui->Image5, &CommandPicture::activated, this, [this] {
        const QPoint corner(m_ui->Image5->x() + 1, m_ui->Image5->y() + m_ui->Image5->height() + 1);
        m_helpMenu->popup(m_ui->Panel1->mapToGlobal(corner));
    });
    // Only a pick by the user runs the format change, never a selection made by the program.
    connect(m_ui->ComboBox1, &QComboBox::activated, this, &MainWindow::formatChanged);
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && !m_activated)
        QTimer::singleShot(0, this, &MainWindow::checkOnActivation);
    return QWidget::event(event);
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_placed || event->spontaneous())
        return;
    m_placed = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // A desktop that does not activate a new window still gets the check.
    QTimer::singleShot(ActivationFallbackMs, this, [this] {
        if (!m_activated && isVisible())
            checkOnActivation();
    });
}

void MainWindow::checkOnActivation() {
    if (m_activated || m_closing)
        return;
    m_activated = true;
    startEngineCheck();
    {
        const QSignalBlocker quiet(m_ui->ComboBox1);
        m_ui->ComboBox1->setCurrentIndex(0);
    }
    for (const char* tool : PresenceCheckTools) {
        std::error_code ec;
        if (!std::filesystem::exists(runningProgramFolder() + tool, ec)) {
            showMessage(MessageKind::Plain, m_runContext.pickText(MissingToolsFr, MissingToolsEn));
            return;
        }
    }
}

void MainWindow::formatChanged() {
    const MainFormatState state = mainFormatChange(bytes(m_ui->ComboBox1->currentText()));
    m_ui->Edit3->setEnabled(state.fileNameEnabled);
    m_ui->Edit7->setEnabled(state.mp3TitleEnabled);
    m_ui->Label8->setEnabled(state.mp3TitleEnabled);
    m_ui->Label2->setText(text(state.extensionLabel));
    if (state.generatedFileName)
        m_ui->Edit3->setText(text(*state.generatedFileName));
}

void MainWindow::runCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const WindowClosing&) {
        // The window closed while the command handled events: it ends here, quietly.
    } catch (const std::exception& error) {
        if (!m_closing)
            showMessage(MessageKind::Error, error.what());
    }
}

void MainWindow::pickFolder(QLineEdit* target, const char* captionFr, const char* captionEn) {
    if (!isExistingDirectory(m_runContext.lastPickedFolder()))
        m_runContext.setLastPickedFolder({});
    const std::string chosen = m_shell->chooseFolder(
        this, m_runContext.pickText(captionFr, captionEn), m_runContext.lastPickedFolder());
    if (!chosen.empty())
        m_runContext.setLastPickedFolder(chosen);
    if (const std::string folder = m_runContext.lastPickedFolder(); !folder.empty())
        target->setText(text(folder));
}

void MainWindow::pickSingleLinkFolder() {
    pickFolder(m_ui->Edit6, "Choisissez le dossier où le fichier téléchargé sera crée",
               "Select the desination directory where the file will be created");
}

void MainWindow::pickListFolder() {
    pickFolder(m_ui->Edit2,
               "Choisissez le dossier où les fichiers téléchargés et transformés seront crées",
               "Select the desination directory where the file will be created");
}

void MainWindow::openDestinationFolder() {
    const QString folder = QDir::current().absoluteFilePath(m_ui->Edit6->text());
    m_shell->openUrl(QUrl::fromLocalFile(QDir::cleanPath(folder)));
}

void MainWindow::startDownload() {
    if (refusedDuringEngineUpdate())
        return;
    const SingleLinkFields fields{bytes(m_ui->Edit1->text()), bytes(m_ui->Edit6->text()),
                                  bytes(m_ui->Edit3->text()), bytes(m_ui->Edit7->text()),
                                  bytes(m_ui->ComboBox1->currentText())};
    runCommand([&] {
        vantaro::startDownload(m_runContext, fields, static_cast<DownloadCommandHost&>(*this));
    });
}

void MainWindow::addToList() {
    if (refusedDuringEngineUpdate())
        return;
    const SingleLinkFields fields{bytes(m_ui->Edit1->text()), bytes(m_ui->Edit6->text()),
                                  bytes(m_ui->Edit3->text()), bytes(m_ui->Edit7->text()),
                                  bytes(m_ui->ComboBox1->currentText())};
    runCommand([&] {
        vantaro::addToList(m_runContext, fields, static_cast<DownloadCommandHost&>(*this),
                           m_playlistAdd);
    });
}

void MainWindow::stopWork() {
    m_engineUpdate.stop();
    m_desktopServices->stopPressed();
    m_playlistAdd.stop();
    vantaro::stopWork(m_runContext, static_cast<StopCommandHost&>(*this));
    m_ui->WebBrowser1->stopLoading();
}

void MainWindow::requestStop() {
    m_engineUpdate.stop();
    m_desktopServices->stopPressed();
    m_playlistAdd.stop();
    vantaro::requestStop(m_runContext);
    m_ui->WebBrowser1->stopLoading();
}

void MainWindow::loadListFile() {
    runCommand([this] { m_listCommands.loadListFile(bytes(m_ui->Edit2->text())); });
}

void MainWindow::startListDownload() {
    if (refusedDuringEngineUpdate())
        return;
    runCommand([this] { m_listCommands.startListDownload(bytes(m_ui->Edit2->text())); });
}

void MainWindow::openAddDialog() {
    if (m_addDialog)
        m_addDialog->exec();
}

void MainWindow::removeSelectedEntry() {
    runCommand([this] { m_listCommands.removeSelectedEntry(); });
}

void MainWindow::clearList() {
    runCommand([this] { m_listCommands.clearList(); });
}

void MainWindow::editSelectedEntry() {
    const std::uint64_t entry = m_listCommands.selectEntryToModify();
    if (entry == 0 || m_modifyDialog == nullptr)
        return;
    m_modifyDialog->setEntryId(entry);
    m_modifyDialog->exec();
}

void MainWindow::convertForPsp() {
    runCommand([this] { m_pspCommands.convertVideo(); });
}

void MainWindow::choosePspVideo() {
    runCommand([this] { m_pspCommands.chooseVideo(); });
}

void MainWindow::popUpTrayMenu() {
    m_popupMenu->popup(QCursor::pos());
}

void MainWindow::restoreFromTray() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    activateWindow();
}

void MainWindow::quitProgram() {
    leaveProgram();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    leaveProgram();
    flushKeptList();
}

// Both ways out: the tray icon goes first, a running download is told to stop, and the event
// loops end. The program's entry then waits for the worker before the windows go.
void MainWindow::leaveProgram() {
    if (m_closing)
        return;
    m_closing = true;
    m_runContext.requestStop();
    m_engineUpdate.stop();
    m_engineCheck.stop();
    m_ui->WebBrowser1->stopLoading();
    hide();
    delete m_trayIcon;
    m_trayIcon = nullptr;
    QCoreApplication::processEvents();
    // A box that the worker waits for may lie below this call: the worker is then waited for
    // once that box has closed with the event loops.
    if (m_openBoxes == 0)
        finishWork();
    QCoreApplication::quit();
}

bool MainWindow::finishWork(std::chrono::milliseconds timeout) {
    if (!m_worker.workerRunning())
        return true;
    return m_worker.stopAndWait(timeout);
}

void MainWindow::openHowToUsePage() {
    m_shell->openUrl(QUrl(QString::fromUtf8("http://") + QString::fromUtf8(MakerHost) +
                          QString::fromUtf8(HelpUsePagePath)));
}

void MainWindow::openWebPage() {
    m_shell->openUrl(QUrl(QString::fromUtf8("http://") + QString::fromUtf8(MakerHost) +
                          QString::fromUtf8(HelpWebPagePath)));
}

void MainWindow::showAboutDialog() {
    if (m_aboutDialog)
        m_aboutDialog->exec();
}

void MainWindow::setMessagePresenter(MessagePresenter* presenter) {
    m_presenter = presenter ? presenter : &m_boxes;
}

void MainWindow::setDesktopShell(DesktopShell* shell) {
    m_shell = shell ? shell : &m_desktop;
}

void MainWindow::setDialogs(AddLinkDialog* addDialog, EditLinkDialog* modifyDialog,
                            AboutDialog* aboutDialog) {
    m_addDialog = addDialog;
    m_modifyDialog = modifyDialog;
    m_aboutDialog = aboutDialog;
}

} // namespace vantaro
