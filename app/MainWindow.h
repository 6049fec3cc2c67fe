// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DesktopShell.h"
#include "app/EngineUpdates.h"
#include "app/MessageBoxes.h"
#include "core/Constants.h"
#include "core/RunContext.h"
#include "engine/DownloadWorker.h"
#include "engine/PlaylistSource.h"
#include "engine/PspConversion.h"
#include "engine/WorkerHost.h"
#include "jobs/DownloadCommands.h"
#include "jobs/KeptList.h"
#include "jobs/LinkList.h"
#include "jobs/ListCommands.h"
#include "jobs/PlaylistAdd.h"
#include "jobs/StopCommands.h"
#include "settings/Preferences.h"
#include "update/EngineUpdater.h"

#include <QWidget>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QLineEdit;
class QMenu;
class QSystemTrayIcon;

namespace Ui {
class MainWindow;
}

namespace vantaro {

class CaptureStrip;
class DesktopServices;
class AddLinkDialog;
class EditLinkDialog;
class AboutDialog;

// The window's title as designed; the language code follows it.
inline constexpr const char* DesignCaption =
    "Vantaro 2.0 - YouTube & Dailymotion Enabled - 01/2014";
// The help pages on the maker's web site.
inline constexpr const char* HelpUsePagePath = "/fr/Vantaro/VantaroUse.html";
inline constexpr const char* HelpWebPagePath = "/fr/Vantaro/Vantaro.html";
// Tools whose presence the window checks when it is activated, relative to the program folder.
inline constexpr const char* PresenceCheckTools[] = {"QrlBin/utilitymff3", "QrlBin/utilitymen2",
                                                     "QrlBin/utilitymffx"};
// The tool check runs this long after the window is shown when the desktop has not activated it
// by then.
inline constexpr int ActivationFallbackMs = 500;
// How long the window waits for a running download to end when the program is left.
inline constexpr int ShutdownWorkerWaitMs = 15000;

// The main window. Its layout lives in MainWindow.ui; the class adapts: each command reads the
// fields, calls the command logic with the window as its host, and returns. The window is also
// the download worker's host: a request made on the worker thread is carried out on the
// user-interface thread while the worker waits.
class MainWindow : public QWidget,
                   public WorkerHost,
                   public DownloadCommandHost,
                   public ListCommandHost,
                   public PspHost,
                   public StopCommandHost,
                   public PlaylistAddHost {
    Q_OBJECT
public:
    // serviceHost: the host of the resolver and report service (tests use a local server).
    explicit MainWindow(std::string serviceHost = MakerHost, QWidget* parent = nullptr);
    ~MainWindow() override; // stops a running worker and waits for it first

    // Every box goes through this presenter; null puts the window's own boxes back.
    void setMessagePresenter(MessagePresenter* presenter);
    // The dialogs and default programs of the desktop; null puts the real ones back.
    void setDesktopShell(DesktopShell* shell);
    // Keeps the list in the file at path from now on: a list kept there by an earlier run comes
    // back first. False, and nothing is kept, when another program keeps that file. A window
    // keeps nothing unless told.
    bool keepList(const std::string& path);
    // Writes the rows as they are now to the kept list, if one is kept, and waits for the write.
    void flushKeptList();
    // The dialogs created after the main window.
    void setDialogs(AddLinkDialog* addDialog, EditLinkDialog* modifyDialog,
                    AboutDialog* aboutDialog);

    // Stops a running worker and waits for it, letting this thread's events run meanwhile.
    // True when no worker runs any more.
    bool
    finishWork(std::chrono::milliseconds timeout = std::chrono::milliseconds(ShutdownWorkerWaitMs));
    // True once the window was closed or the program told to quit.
    bool closing() const { return m_closing; }
    QSystemTrayIcon* trayIcon() const { return m_trayIcon; }
    QMenu* popupMenu() const { return m_popupMenu; }
    QMenu* helpMenu() const { return m_helpMenu; }
    LinkList& linkList() { return m_list; }
    // What the window shares with its commands, its dialogs and the download worker.
    RunContext& runContext() { return m_runContext; }
    // The capture tool of the hidden strip.
    CaptureStrip& captureStrip() { return *m_capture; }
    // The figures line, the launcher entry, the notices and the drops.
    DesktopServices& desktopServices() { return *m_desktopServices; }
    // Where the add commands put their entries: a playlist link becomes its entries.
    ListAppender& playlistAdd() { return m_playlistAdd; }

    // The window's commands: each reads the fields it needs and runs the command logic. A
    // picture and its button in the hidden strip run the same one.
    void checkOnActivation(); // the format reset and the tool check, once
    void pickSingleLinkFolder();
    void pickListFolder();
    void openDestinationFolder();
    void startDownload();
    void addToList();
    void stopWork();    // the Stop button: the controls switch back, the volume comes back
    void requestStop(); // the hidden "stop" button: the stop request only
    void loadListFile();
    void startListDownload();
    void convertForPsp();
    void choosePspVideo();
    void openAddDialog();
    void removeSelectedEntry();
    void clearList();
    void editSelectedEntry();
    void formatChanged();
    void popUpTrayMenu();
    void restoreFromTray();
    void quitProgram();
    void openHowToUsePage();
    void openWebPage();
    void showAboutDialog();
    // The Help menu's update of the program's own yt-dlp (and deno when yt-dlp has no other
    // JavaScript runtime), off this thread; Stop cancels it.
    void updateYtDlp();
    bool engineUpdateRunning() const { return m_engineUpdating; }
    // True while the quiet start-up check for newer engines runs.
    bool engineCheckRunning() const { return m_engineCheck.running(); }

    // The message presenter of every host interface.
    bool showMessage(MessageKind kind, const std::string& text,
                     const std::string& caption = {}) override;

    // WorkerHost; each call may come from the worker thread.
    void setStatus(const std::string& text) override;
    void setProgressMax(std::int64_t maximum) override;
    void setProgressPosition(std::int64_t position) override;
    std::int64_t progressPosition() override;
    std::int64_t progressMax() override;
    void appendLog(const std::string& line) override;
    int listSize() override;
    ListRowTexts readListRow(int row) override;
    void deleteFirstListRow() override;
    void restoreMainWindow() override;
    // What happened in a run, and the controls each event switches.
    void workStarted(WorkMode mode) override;
    void rowTaken() override;
    void rowDone() override;
    void linkDone() override;
    void stopCleanedUp(WorkMode mode) override;
    void listStoppedBetweenRows() override;
    void listEnded() override;
    void conversionStarted() override;
    void workEnded(const WorkSummary& summary) override;

    // The command hosts; user-interface thread only.
    bool workerRunning() const override;
    void startWorker(const DownloadJob& job) override;
    void storeSingleDownload(const std::string& fileName, const std::string& pathName) override;
    void storeList(const std::string& pathName) override;
    void appendListEntry(const std::string& formatName, const std::string& folder,
                         const std::string& fileName, const std::string& mp3Title,
                         const std::string& link) override;
    bool directoryExists(const std::string& path) override;
    bool fileExists(const std::string& path) override;
    void deleteFile(const std::string& path) override;
    void setFileNameField(const std::string& text) override;
    std::string chooseListFile() override;
    void processPendingEvents() override;
    void listReady() override;
    std::string sourceText() override;
    void setSourceText(const std::string& text) override;
    std::string chooseFile(const std::string& filterText) override;
    std::string chooseFolder(const std::string& caption) override;
    void workStopping() override;
    void restoreWaveVolume() override;
    void setReading(bool reading) override;
    void showAddedRows() override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Ends a list load or a PSP conversion that handles events while it runs, once the window
    // has closed, so that nothing it uses is destroyed under it.
    struct WindowClosing {};

    void buildWindow();
    void connectControls();
    void createMenus();
    void createTrayIcon();
    void createDesktopServices();
    void pickFolder(QLineEdit* target, const char* captionFr, const char* captionEn);
    void runCommand(const std::function<void()>& command);
    void leaveProgram();
    void showProgress();
    template <typename Work> auto onUiThread(Work&& work) -> decltype(work());
    void startEngineCheck();
    bool refusedDuringEngineUpdate();
    void setEngineUpdateControls(bool updating);
    void engineUpdateEnded(const std::string& message, bool ok, bool stopped);
    // Runs on the update's thread: the update of one engine, its steps and bytes sent over.
    std::string runEngineUpdate(const EngineUpdater& updater, Engine engine, Language language,
                                const std::atomic<bool>& stop, bool& ok, bool& stopped);
    void restoreKeptRows(const std::vector<KeptRow>& rows);
    void scheduleKeptSnapshot();
    void submitKeptSnapshot();
    void keptListFailed(const std::string& reason);

    std::unique_ptr<Ui::MainWindow> m_ui;
    RunContext m_runContext;
    LinkList m_list;
    Preferences m_preferences;
    MessageBoxes m_boxes;
    MessagePresenter* m_presenter;
    QtDesktopShell m_desktop;
    DesktopShell* m_shell;
    LinkListCommands m_listCommands;
    PspCommands m_pspCommands;
    DownloadWorker m_worker;
    YtDlpPlaylistReader m_playlistReader;
    PlaylistAdd m_playlistAdd;

    CaptureStrip* m_capture = nullptr;
    DesktopServices* m_desktopServices = nullptr;
    std::string m_droppedListFile; // a list file dropped on the list page, for the next load
    AddLinkDialog* m_addDialog = nullptr;
    EditLinkDialog* m_modifyDialog = nullptr;
    AboutDialog* m_aboutDialog = nullptr;
    QMenu* m_popupMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QSystemTrayIcon* m_trayIcon = nullptr;
    QAction* m_updateAction = nullptr;
    // The engines' update from the Help menu and the start-up check, each on a thread of its own.
    BackgroundJob m_engineUpdate;
    BackgroundJob m_engineCheck;
    bool m_engineUpdating = false;
    bool m_stopWasOn = false; // Stop's state before the update turned it on

    std::int64_t m_progressMax = 100;
    std::int64_t m_progressPosition = 100;
    int m_openBoxes = 0; // message boxes being shown
    bool m_placed = false;
    bool m_activated = false;
    bool m_closing = false;

    std::unique_ptr<KeptListLock> m_keptLock;
    std::unique_ptr<KeptListWriter> m_keptWriter;
    bool m_keptSnapshotDue = false;
    bool m_keptFailureShown = false;
};

} // namespace vantaro
