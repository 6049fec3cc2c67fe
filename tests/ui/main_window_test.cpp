// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandPicture.h"
#include "app/LinkListModel.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "core/Constants.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "core/RunContext.h"
#include "jobs/KeptList.h"
#include "jobs/RandomNames.h"
#include "support/QtTestRun.h"
#include "support/TempFolder.h"
#include "support/WindowFakes.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <array>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using testing::FakeShell;
using testing::RecordingPresenter;
using testing::TempFolder;
using testing::waitFor;

const char* const MissingToolsFr =
    "Le logiciel ne contient pas tous ses utilitaires, merci de réinstaller le logiciel!\r"
    "Attention : le logiciel risque de ne pas fonctionner correctement s'il n'est pas réinstallé";
const char* const FolderMissingFr =
    "Le dossier destinataire n'existe pas, créez ce dossier ou choisissez un nouveau";
const char* const EmptyListFr = "La liste des liens à télécharger est vide, ajoutez des liens "
                                "avant de lancer le téléchargement";

QString q(const char* text) {
    return QString::fromUtf8(text);
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::makeApplication("main_window_test"); }
    void SetUp() override {
        fs::create_directories(programFolder.file("QrlBin"));
        for (const char* tool : PresenceCheckTools)
            testing::writeWholeFile(programFolder.file(tool), "");
        setProgramFolder(programFolder.path() + "/");
    }
    void TearDown() override { window.reset(); }

    void makeWindow() {
        window = std::make_unique<MainWindow>("127.0.0.1:9");
        window->setMessagePresenter(&presenter);
        window->setDesktopShell(&shell);
    }
    // Shows the window and waits until its activation check has run: that check selects the
    // first format, so another one is selected beforehand.
    void showActivated() {
        combo("ComboBox1")->setCurrentIndex(2);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        ASSERT_TRUE(waitFor([this] { return combo("ComboBox1")->currentIndex() == 0; }));
    }

    template <typename Widget> Widget* child(const char* name) const {
        auto* widget = window->findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit* edit(const char* name) const { return child<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    QComboBox* combo(const char* name) const { return child<QComboBox>(name); }
    CommandPicture* picture(const char* name) const { return child<CommandPicture>(name); }

    TempFolder programFolder{"vantaro-window"};
    RecordingPresenter presenter;
    FakeShell shell;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, StartsWithTheDesignedWindow) {
    makeWindow();
    showActivated();
    EXPECT_EQ(window->windowTitle(), q(DesignCaption) + "-FR");
    EXPECT_TRUE(window->windowTitle().endsWith("-FR"));
    EXPECT_EQ(window->size(), QSize(782, 603));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(Qt::white));

    EXPECT_EQ(child<QLabel>("StatusBar1")->text(), q("Prêt"));
    EXPECT_EQ(child<QLabel>("StatusBar1")->geometry(), QRect(0, 574, 782, 29));
    EXPECT_EQ(child<QProgressBar>("ProgressBar1")->value(), 100);
    EXPECT_EQ(child<QProgressBar>("ProgressBar1")->maximum(), 100);
    EXPECT_EQ(child<QProgressBar>("ProgressBar1")->geometry(), QRect(8, 551, 770, 22));
    EXPECT_EQ(button("Button5")->geometry(), QRect(8, 493, 770, 23));
    EXPECT_FALSE(button("Button5")->isEnabled());
    EXPECT_FALSE(button("Button7")->isEnabled());
    EXPECT_EQ(child<QTabWidget>("PageControl1")->currentWidget()->objectName(), "TabSheet1");
    EXPECT_EQ(picture("Image19")->geometry(), QRect(278, 26, 119, 106));
    EXPECT_EQ(picture("Image28")->geometry(), QRect(696, 284, 58, 45));
    EXPECT_EQ(QApplication::focusWidget(), edit("Edit1"));

    // The fields and the format list are very light grey; the speed list keeps its colour.
    for (const char* name : {"Edit1", "Edit2", "Edit6", "Edit3", "Edit7", "ComboBox1"})
        EXPECT_EQ(child<QWidget>(name)->palette().color(QPalette::Base), QColor(0xF9, 0xF9, 0xF9))
            << name;
    EXPECT_NE(combo("ComboBox2")->palette().color(QPalette::Base), QColor(0xF9, 0xF9, 0xF9));
    EXPECT_EQ(combo("ComboBox2")->currentText(), "Connexion Moyenne (medium connection)");
    EXPECT_EQ(combo("ComboBox1")->count(), 16);

    // The preferences file is absent: the fields keep their designed contents.
    EXPECT_TRUE(edit("Edit3")->text().isEmpty());
    EXPECT_TRUE(edit("Edit6")->text().isEmpty());
    EXPECT_EQ(edit("Edit1")->text(), q(ExampleYouTubeLink));

    const auto* addresses = child<QListWidget>("ListBox1");
    if (addresses->count() > 0) {
        EXPECT_EQ(addresses->currentRow(), 0);
    }
    for (const char* name :
         {"Panel1",   "GroupBox1", "GroupBox2", "StringGrid1", "Label13",  "Label14", "Image22",
          "Image7",   "Image10",   "Image11",   "Image12",     "Image25",  "Memo1",   "WebBrowser1",
          "Button15", "Button14",  "Button13",  "Button12",    "Button10", "Label2",  "Button16"})
        EXPECT_NE(window->findChild<QWidget*>(name), nullptr) << name;
}

TEST_F(MainWindowTest, ActivationSelectsMp3WithoutRunningTheFormatChange) {
    makeWindow();
    showActivated();
    EXPECT_EQ(combo("ComboBox1")->currentText(), "MP3");
    EXPECT_EQ(child<QLabel>("Label2")->text(), ".MP3");
    EXPECT_TRUE(presenter.boxes().empty()) << "all three tools are present";

    // A pick by the user does run it.
    combo("ComboBox1")->setCurrentIndex(2);
    emit combo("ComboBox1")->activated(2);
    EXPECT_EQ(child<QLabel>("Label2")->text(), ".AVI");
    EXPECT_FALSE(edit("Edit7")->isEnabled());
}

TEST_F(MainWindowTest, OneMissingToolGivesExactlyOneFrenchPlainBox) {
    for (const char* missing : PresenceCheckTools) {
        fs::remove(programFolder.file(missing));
        presenter.clear();
        makeWindow();
        showActivated();
        ASSERT_EQ(presenter.boxes().size(), 1u) << missing;
        EXPECT_EQ(presenter.boxes()[0].kind, MessageKind::Plain);
        EXPECT_EQ(presenter.boxes()[0].text, MissingToolsFr);
        window.reset();
        testing::writeWholeFile(programFolder.file(missing), "");
    }
    // Two missing still give one box: the check stops at the first.
    fs::remove(programFolder.file(PresenceCheckTools[0]));
    fs::remove(programFolder.file(PresenceCheckTools[2]));
    presenter.clear();
    makeWindow();
    showActivated();
    EXPECT_EQ(presenter.boxes().size(), 1u);

    // The box shows the lone carriage return as a line break.
    const QString shown = displayText(MissingToolsFr);
    EXPECT_FALSE(shown.contains('\r'));
    EXPECT_EQ(shown.count('\n'), 1);
    EXPECT_EQ(displayText("a\r\n\r\nb\rc\nd"), "a\n\nb\nc\nd");
}

TEST_F(MainWindowTest, HiddenStripIsOutOfSightButButton4IsReachedAndPressedByKeyboard) {
    makeWindow();
    showActivated();
    for (const char* name :
         {"Button4", "Button8", "Button7", "Button6", "Button1", "Button3", "Button9", "Button10",
          "Button15", "Button14", "Button13", "Button12", "Memo1", "ListBox1", "WebBrowser1"}) {
        const QWidget* widget = child<QWidget>(name);
        EXPECT_GE(widget->x(), 805) << name;
        EXPECT_FALSE(window->rect().intersects(widget->geometry())) << name;
        EXPECT_TRUE(widget->isVisibleTo(window.get())) << name;
        EXPECT_EQ(widget->parentWidget(), window.get()) << name;
    }
    edit("Edit6")->setText(QString::fromStdString(programFolder.file("no-such-folder")));
    edit("Edit1")->setFocus();
    for (int presses = 0; presses < 80 && QApplication::focusWidget() != button("Button4");
         ++presses) {
        EXPECT_NE(QApplication::focusWidget(), button("Button7")) << "disabled, so skipped";
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    ASSERT_EQ(QApplication::focusWidget(), button("Button4"));
    QTest::keyClick(button("Button4"), Qt::Key_Space);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{FolderMissingFr});
}

TEST_F(MainWindowTest, ListDownloadIsReachedThroughItsPictureWhileButton7IsDisabled) {
    makeWindow();
    showActivated();
    QTest::mouseClick(picture("Image31"), Qt::LeftButton);
    EXPECT_EQ(child<QTabWidget>("PageControl1")->currentWidget()->objectName(), "TabSheet2");
    ASSERT_FALSE(button("Button7")->isEnabled());
    QTest::mouseClick(picture("Image7"), Qt::LeftButton);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{EmptyListFr});
    QTest::mouseClick(picture("Image6"), Qt::LeftButton);
    EXPECT_EQ(child<QTabWidget>("PageControl1")->currentWidget()->objectName(), "TabSheet1");
}

TEST_F(MainWindowTest, OpenFolderExpandsARelativePathAgainstTheCurrentFolder) {
    makeWindow();
    edit("Edit6")->setText("downloads/today");
    QTest::mouseClick(button("Button16"), Qt::LeftButton);
    edit("Edit6")->setText("../elsewhere");
    QTest::mouseClick(button("Button16"), Qt::LeftButton);
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_EQ(shell.opened[0],
              QUrl::fromLocalFile(QDir::current().absoluteFilePath("downloads/today")));
    EXPECT_EQ(shell.opened[1], QUrl::fromLocalFile(QDir::cleanPath(
                                   QDir::current().absoluteFilePath("../elsewhere"))));
}

TEST_F(MainWindowTest, FolderPickersShareTheLastChoiceAndPutItBackOnCancel) {
    makeWindow();
    TempFolder chosen("vantaro-chosen");
    edit("Edit6")->setText("typed");

    shell.folderAnswers = {""}; // cancel, nothing chosen before: the field stays
    QTest::mouseClick(button("Button2"), Qt::LeftButton);
    EXPECT_EQ(edit("Edit6")->text(), "typed");

    shell.folderAnswers = {chosen.path()};
    QTest::mouseClick(button("Button2"), Qt::LeftButton);
    EXPECT_EQ(edit("Edit6")->text().toStdString(), chosen.path());

    edit("Edit6")->setText("typed again");
    shell.folderAnswers = {""};
    QTest::mouseClick(button("Button2"), Qt::LeftButton);
    EXPECT_EQ(edit("Edit6")->text().toStdString(), chosen.path());
    shell.folderAnswers = {""};
    QTest::mouseClick(button("Button11"), Qt::LeftButton);
    EXPECT_EQ(edit("Edit2")->text().toStdString(), chosen.path()) << "the other picker shares it";

    ASSERT_EQ(shell.folderQuestions.size(), 4u);
    EXPECT_EQ(shell.folderQuestions[0].selected, "");
    EXPECT_EQ(shell.folderQuestions[2].selected, chosen.path());
    EXPECT_EQ(shell.folderQuestions[0].caption,
              "Choisissez le dossier où le fichier téléchargé sera crée");
    EXPECT_EQ(shell.folderQuestions[3].caption,
              "Choisissez le dossier où les fichiers téléchargés et transformés seront crées");

    // A remembered folder that has gone is forgotten.
    window->runContext().setLastPickedFolder(programFolder.file("gone"));
    edit("Edit6")->setText("kept");
    shell.folderAnswers = {""};
    QTest::mouseClick(button("Button2"), Qt::LeftButton);
    EXPECT_EQ(edit("Edit6")->text(), "kept");
    EXPECT_EQ(shell.folderQuestions.back().selected, "");
}

// The list loader remembers its folder for the pickers of the same window; a window made
// afterwards starts with nothing remembered.
TEST_F(MainWindowTest, TheLoadedListsFolderIsWhereThisWindowsPickersStart) {
    makeWindow();
    TempFolder listFolder("vantaro-list-folder");
    testing::writeWholeFile(listFolder.file("list.txt"), "http://www.youtube.com/watch?v=a\nA\n");
    edit("Edit2")->setText(QString::fromStdString(listFolder.path()));
    shell.fileAnswers = {listFolder.file("list.txt")};
    QTest::mouseClick(button("Button6"), Qt::LeftButton);
    ASSERT_EQ(window->linkList().entryCount(), 1);

    shell.folderAnswers = {""};
    QTest::mouseClick(button("Button2"), Qt::LeftButton);
    ASSERT_EQ(shell.folderQuestions.size(), 1u);
    EXPECT_EQ(shell.folderQuestions[0].selected, listFolder.path());
    EXPECT_EQ(edit("Edit6")->text().toStdString(), listFolder.path());

    MainWindow other("127.0.0.1:9");
    other.setMessagePresenter(&presenter);
    other.setDesktopShell(&shell);
    shell.folderAnswers = {""};
    QTest::mouseClick(other.findChild<QPushButton*>("Button2"), Qt::LeftButton);
    ASSERT_EQ(shell.folderQuestions.size(), 2u);
    EXPECT_EQ(shell.folderQuestions[1].selected, "") << "each window has a run of its own";
}

TEST_F(MainWindowTest, ProgressBarShowsTheFractionOfCountsBeyond32Bits) {
    makeWindow();
    auto* bar = child<QProgressBar>("ProgressBar1");
    constexpr std::int64_t GiB = 1024LL * 1024 * 1024;
    window->setProgressMax(5 * GiB);
    window->setProgressPosition(2 * GiB);
    EXPECT_EQ(window->progressMax(), 5 * GiB);
    EXPECT_EQ(window->progressPosition(), 2 * GiB);
    EXPECT_NEAR(static_cast<double>(bar->value()) / bar->maximum(), 0.4, 1e-6);
    window->setProgressPosition(5 * GiB);
    EXPECT_EQ(bar->value(), bar->maximum());

    // Small counts are shown as they are; a smaller maximum brings the position down to it.
    window->setProgressMax(100);
    EXPECT_EQ(window->progressPosition(), 100);
    window->setProgressPosition(37);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), 37);
    window->setProgressMax(0); // a fetch without an announced length
    EXPECT_EQ(window->progressPosition(), 0);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_GT(bar->maximum(), 0) << "never the busy indicator";
}

TEST_F(MainWindowTest, WorkerRequestsAreCarriedOutOnTheWindowThreadInOrder) {
    makeWindow();
    for (const char* name : {"a", "b", "c"})
        window->appendListEntry("MP3", "/tmp", name, "-", std::string("http://youtube/") + name);
    auto* grid = child<LinkListGrid>("StringGrid1");
    std::atomic<bool> done = false;
    int rowsBefore = 0;
    int rowsAfter = 0;
    ListRowTexts firstRow;
    bool directReadRefused = false;
    std::int64_t positionSeen = 0;
    std::thread worker([&] {
        window->workStarted(WorkMode::None);
        window->setStatus("Téléchargement de la vidéo d'origine..");
        window->appendLog("une ligne");
        window->setProgressMax(3'000'000'000LL);
        window->setProgressPosition(1'500'000'000LL);
        positionSeen = window->progressPosition();
        rowsBefore = window->listSize();
        firstRow = window->readListRow(1);
        window->deleteFirstListRow();
        rowsAfter = window->listSize();
        try {
            grid->readListRow(1);
        } catch (const std::logic_error&) {
            directReadRefused = true;
        }
        done = true;
    });
    EXPECT_TRUE(waitFor([&] { return done.load(); }, 60000));
    worker.join();

    EXPECT_TRUE(button("Button5")->isEnabled());
    EXPECT_EQ(child<QLabel>("StatusBar1")->text(), q("Téléchargement de la vidéo d'origine.."));
    EXPECT_TRUE(child<QPlainTextEdit>("Memo1")->toPlainText().endsWith("une ligne"));
    EXPECT_EQ(positionSeen, 1'500'000'000LL);
    EXPECT_EQ(rowsBefore, 3);
    EXPECT_EQ(firstRow.destinationFileName, "a");
    EXPECT_EQ(firstRow.videoUrl, "http://youtube/a");
    EXPECT_EQ(rowsAfter, 2);
    EXPECT_EQ(window->linkList().cell(1, 3), "b");
    EXPECT_TRUE(directReadRefused) << "the list is reached only through the hand-over";

    // The Stop button: the list commands come back, Stop goes grey.
    QTest::mouseClick(button("Button5"), Qt::LeftButton);
    EXPECT_TRUE(window->runContext().stopRequested());
    EXPECT_FALSE(button("Button5")->isEnabled());
    EXPECT_TRUE(button("Button6")->isEnabled());
    EXPECT_TRUE(button("Button7")->isEnabled());
}

// What each event of a run, and the Stop command, switches: from all controls off and from all
// on, so that a control an event must leave alone shows as well. Order: Button4 (download),
// Button5 (Stop), Button6 (load list), Button7 (download list), the list grid.
TEST_F(MainWindowTest, RunEventsSwitchTheControlsAsTheWorkerDidItself) {
    makeWindow();
    using States = std::array<bool, 5>;
    const struct {
        const char* event;
        std::function<void()> tell;
        States fromOff;
        States fromOn;
    } cases[] = {
        {"single started",
         [&] { window->workStarted(WorkMode::Single); },
         {false, true, false, false, false},
         {false, true, true, true, true}},
        {"list started",
         [&] { window->workStarted(WorkMode::List); },
         {false, true, false, false, false},
         {true, true, false, false, true}},
        {"no mode started",
         [&] { window->workStarted(WorkMode::None); },
         {false, true, false, false, false},
         {true, true, true, true, true}},
        {"row taken",
         [&] { window->rowTaken(); },
         {false, false, false, false, false},
         {true, true, true, true, false}},
        {"row done",
         [&] { window->rowDone(); },
         {false, false, false, false, true},
         {true, true, true, true, true}},
        {"link done",
         [&] { window->linkDone(); },
         {true, false, false, false, false},
         {true, true, true, true, true}},
        {"single stop cleaned up",
         [&] { window->stopCleanedUp(WorkMode::Single); },
         {true, false, false, false, false},
         {true, false, true, true, true}},
        {"list stop cleaned up",
         [&] { window->stopCleanedUp(WorkMode::List); },
         {false, false, true, true, true},
         {true, false, true, true, true}},
        {"stopped between rows",
         [&] { window->listStoppedBetweenRows(); },
         {false, false, true, true, true},
         {true, true, true, true, true}},
        {"list ended",
         [&] { window->listEnded(); },
         {false, false, true, true, true},
         {true, false, true, true, true}},
        {"Stop pressed",
         [&] { window->workStopping(); },
         {false, false, true, true, false},
         {true, false, true, true, true}},
    };
    const std::array<QWidget*, 5> controls = {button("Button4"), button("Button5"),
                                              button("Button6"), button("Button7"),
                                              child<LinkListGrid>("StringGrid1")};
    const auto states = [&] {
        States now{};
        for (std::size_t i = 0; i < controls.size(); ++i)
            now[i] = controls[i]->isEnabled();
        return now;
    };
    for (const auto& c : cases) {
        for (const bool start : {false, true}) {
            for (QWidget* control : controls)
                control->setEnabled(start);
            c.tell();
            EXPECT_EQ(states(), start ? c.fromOn : c.fromOff)
                << c.event << (start ? ", from all on" : ", from all off");
        }
    }
}

TEST_F(MainWindowTest, QuitRemovesTheTrayIconAndLaterBoxesAreAnsweredAtOnce) {
    makeWindow();
    window->show();
    ASSERT_NE(window->trayIcon(), nullptr);
    EXPECT_EQ(window->trayIcon()->toolTip(), "Vantaro");
    EXPECT_EQ(window->trayIcon()->contextMenu(), window->popupMenu());
    const auto actions = window->popupMenu()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->objectName(), "OuvrirPellorin1");
    EXPECT_EQ(actions[0]->text(), "Ouvrir Vantaro");
    EXPECT_EQ(actions[1]->objectName(), "Quiter1");
    EXPECT_EQ(actions[1]->text(), "Quitter Vantaro");

    window->popUpTrayMenu(); // a left click pops the menu up at the pointer
    EXPECT_TRUE(window->popupMenu()->isVisible());
    window->popupMenu()->hide();

    actions[1]->trigger();
    EXPECT_EQ(window->trayIcon(), nullptr);
    EXPECT_TRUE(window->closing());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->runContext().stopRequested());

    std::atomic<bool> information = false;
    std::atomic<bool> question = true;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        information = window->showMessage(MessageKind::Information, "Erreur de connexion réseau!");
        question = window->showMessage(MessageKind::Confirmation, "?");
        window->restoreMainWindow();
        done = true;
    });
    // The worker's requests are carried out here; none of them may wait for a person. Every
    // request is a hand-over to this thread, so it only joins once the last one has returned.
    EXPECT_TRUE(waitFor([&] { return done.load(); }, 60000));
    if (!done)
        std::abort(); // a hand-over is stuck: joining would hang the whole test program
    worker.join();
    EXPECT_TRUE(information);
    EXPECT_FALSE(question);
    EXPECT_TRUE(presenter.boxes().empty());
    EXPECT_FALSE(window->isVisible()) << "a window being left is not shown again";
}

TEST_F(MainWindowTest, HelpMenuOpensTheTwoPagesOfTheMakersSite) {
    makeWindow();
    const auto items = window->helpMenu()->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0]->text(), "Co&mment utiliser Vantaro");
    EXPECT_EQ(items[1]->text(), "Vantaro sur le &Web");
    EXPECT_EQ(items[2]->text(), "&A propos de Vantaro");
    EXPECT_EQ(items[3]->text(), QString::fromUtf8("Mettre à jour yt-dlp"));
    items[0]->trigger();
    items[1]->trigger();
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_EQ(shell.opened[0], QUrl("http://www.quorlin.com/fr/Vantaro/VantaroUse.html"));
    EXPECT_EQ(shell.opened[1], QUrl("http://www.quorlin.com/fr/Vantaro/Vantaro.html"));
}

// A long list file: the load handles events between entries.
std::string writeListFile(const TempFolder& folder, int entries) {
    std::string text;
    for (int i = 0; i < entries; ++i)
        text += "http://www.youtube.com/watch?v=" + std::to_string(i) + "\nTitre " +
                std::to_string(i) + "\n";
    const std::string path = folder.file("liste.txt");
    testing::writeWholeFile(path, text);
    return path;
}

TEST_F(MainWindowTest, ClosingOrQuittingDuringAListLoadEndsTheLoadSafely) {
    TempFolder work("vantaro-list");
    const std::string file = writeListFile(work, 5000);
    for (const bool fromTray : {false, true}) {
        makeWindow();
        window->show();
        edit("Edit2")->setText(QString::fromStdString(work.path()));
        shell.fileAnswers = {file};
        QTimer::singleShot(0, window.get(), [this, fromTray] {
            if (fromTray)
                window->quitProgram();
            else
                window->close();
        });
        window->loadListFile();
        EXPECT_TRUE(window->closing());
        EXPECT_LT(window->linkList().entryCount(), 5000) << "the load stopped with the window";
        EXPECT_FALSE(button("Button7")->isEnabled());
        EXPECT_TRUE(presenter.boxes().empty());
        window.reset();
    }
    // Left alone, the same load reads every entry.
    makeWindow();
    edit("Edit2")->setText(QString::fromStdString(work.path()));
    shell.fileAnswers = {file};
    window->loadListFile();
    EXPECT_EQ(window->linkList().entryCount(), 5000);
    EXPECT_TRUE(button("Button7")->isEnabled());
}

TEST_F(MainWindowTest, ClosingOrQuittingDuringAPspConversionEndsTheConverter) {
    TempFolder work("vantaro-psp");
    const std::string pidFile = work.file("converter.pid");
    // A converter that runs until it is ended, and says who it is.
    testing::writeWholeFile(programFolder.file(PspConverter),
                            "#!/bin/sh\necho $$ > '" + pidFile + "'\nexec sleep 120\n");
    fs::permissions(programFolder.file(PspConverter), fs::perms::owner_all);
    for (const bool fromTray : {false, true}) {
        fs::remove(pidFile);
        makeWindow();
        window->show();
        edit("Edit1")->setText(QString::fromStdString(work.file("source.flv")));
        shell.folderAnswers = {work.path()};
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, window.get(), [&, fromTray] {
            if (!fs::exists(pidFile) || testing::readWholeFile(pidFile).empty())
                return;
            poll.stop();
            if (fromTray)
                window->quitProgram();
            else
                window->close();
        });
        poll.start(10);
        window->convertForPsp();
        ASSERT_TRUE(window->closing()) << "the conversion ended before the window was closed";
        const pid_t converter = std::stoi(testing::readWholeFile(pidFile));
        EXPECT_NE(::kill(converter, 0), 0) << "the converter was left running";
        EXPECT_TRUE(presenter.boxes().empty());
        window.reset();
    }
}

// Collects the accessible names below an accessible object, depth first.
void collectNames(QAccessibleInterface* node,
                  std::vector<std::pair<QAccessible::Role, QString>>& out) {
    if (node == nullptr)
        return;
    out.emplace_back(node->role(), node->text(QAccessible::Name));
    for (int i = 0; i < node->childCount(); ++i)
        collectNames(node->child(i), out);
}

TEST_F(MainWindowTest, AssistiveTechnologyFindsTheCommandsAndReadsTheStatus) {
    makeWindow();
    window->show();
    std::vector<std::pair<QAccessible::Role, QString>> names;
    collectNames(QAccessible::queryAccessibleInterface(window.get()), names);
    const auto has = [&names](QAccessible::Role role, const QString& name) {
        return std::find(names.begin(), names.end(), std::make_pair(role, name)) != names.end();
    };
    EXPECT_TRUE(has(QAccessible::Button, q("Télécharger la vidéo")));
    EXPECT_TRUE(has(QAccessible::Button, q("Stop")));
    EXPECT_TRUE(has(QAccessible::StaticText, q("Prêt")));
    window->setStatus("Extraction du lien de la vidéo..");
    names.clear();
    collectNames(QAccessible::queryAccessibleInterface(window.get()), names);
    EXPECT_TRUE(has(QAccessible::StaticText, q("Extraction du lien de la vidéo..")));
    // The pictures carry their hints as names.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(picture("Image19"))->text(QAccessible::Name),
              q("Télécharger le lien"));
    EXPECT_EQ(picture("Image19")->toolTip(), q("Télécharger le lien"));
}

// The list kept by an earlier run comes back at start-up; the row that run was working on comes
// back waiting, without the temporary files it left, and nobody else's file goes with them.
TEST_F(MainWindowTest, AKeptListComesBackAndItsInterruptedRowStartsAfresh) {
    TempFolder state;
    TempFolder videos;
    const std::string listPath = state.file("vantaro/list");
    const std::vector<KeptRow> kept{
        {{"", "MP3", videos.path(), "clip", "Titre\tà part", "https://youtu.be/a"}, true},
        {{"", "AVI", videos.path(), "deux", "", "https://www.dailymotion.com/video/x2"}, false},
    };
    const std::vector<std::string> leftovers{"clipxxx.txt", "clipxxx.flv"};
    const std::vector<std::string> strangers{"clipxxx.flv.part", "clip2xxx.flv", "deuxxxx.flv"};
    const struct {
        const char* name;
        Language language;
        std::string fileText;
        std::size_t rows;
        std::string status; // where the moved file goes: "PATH"
    } cases[] = {
        {"french", Language::French, keptListText(kept), 2, "2 liens repris"},
        {"english", Language::English, keptListText(kept), 2, "2 links restored"},
        {"unreadable french", Language::French, "vantaro list 9\nend 0\n", 0,
         "La liste gardée était illisible ; elle a été mise de côté : PATH"},
        {"unreadable english", Language::English, keptListText(kept).substr(0, 40), 0,
         "The kept list could not be read; it was moved to PATH"},
        {"empty", Language::French, keptListText({}), 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(state.path() + "/vantaro");
        fs::create_directories(state.path() + "/vantaro");
        testing::writeWholeFile(listPath, c.fileText);
        for (const std::string& name : leftovers)
            testing::writeWholeFile(videos.file(name), "partial");
        for (const std::string& name : strangers)
            testing::writeWholeFile(videos.file(name), "not ours");
        window.reset();
        makeWindow();
        window->runContext().setLanguage(c.language);
        child<QLabel>("StatusBar1")->clear();
        ASSERT_TRUE(window->keepList(listPath));
        ASSERT_EQ(window->linkList().entryCount(), static_cast<int>(c.rows));
        for (std::size_t row = 0; row < c.rows; ++row)
            EXPECT_EQ(window->linkList().cells(static_cast<int>(row) + 1), kept[row].columns);
        EXPECT_EQ(button("Button7")->isEnabled(), c.rows > 0);
        std::string status = c.status;
        if (const auto at = status.find("PATH"); at != std::string::npos) {
            std::vector<std::string> moved;
            for (const auto& file : fs::directory_iterator(state.path() + "/vantaro"))
                if (file.path().filename().string().starts_with("list.unreadable-"))
                    moved.push_back(file.path().string());
            ASSERT_EQ(moved.size(), 1u);
            EXPECT_EQ(testing::readWholeFile(moved[0]), c.fileText);
            status.replace(at, 4, moved[0]);
        }
        EXPECT_EQ(child<QLabel>("StatusBar1")->text().toStdString(), status);
        for (const std::string& name : leftovers)
            EXPECT_EQ(fs::exists(videos.file(name)), c.rows == 0) << name;
        for (const std::string& name : strangers)
            EXPECT_TRUE(fs::exists(videos.file(name))) << name;
        // The rows are kept again at once, none of them in progress any more.
        std::vector<KeptRow> waiting(kept.begin(), kept.begin() + static_cast<long>(c.rows));
        for (KeptRow& row : waiting)
            row.inProgress = false;
        EXPECT_TRUE(waitFor([&] { return readKeptList(listPath, 0).rows == waiting; }));
    }
}

// Every change of the rows is kept, row 1 marked while a list download works on it; a second
// window finds the list taken, and a list that cannot be written is said once.
TEST_F(MainWindowTest, ChangesOfTheRowsAreKeptAndAFailureIsSaidOnce) {
    TempFolder state;
    const std::string listPath = state.file("vantaro/list");
    makeWindow();
    ASSERT_TRUE(window->keepList(listPath));
    MainWindow second("127.0.0.1:9");
    EXPECT_FALSE(second.keepList(listPath));
    const auto keptRows = [&] { return readKeptList(listPath, 0).rows; };
    for (int n = 0; n < 300; ++n)
        window->linkList().appendListEntry("MP3", state.path(), "f" + std::to_string(n), "", "l");
    ASSERT_TRUE(waitFor([&] { return keptRows().size() == 300; }));
    window->runContext().setListRunning(true);
    window->rowTaken();
    ASSERT_TRUE(waitFor([&] { return !keptRows().empty() && keptRows()[0].inProgress; }));
    EXPECT_FALSE(keptRows()[1].inProgress);
    window->linkList().deleteRow(2);
    window->linkList().replaceEntry(2, DownloadJob{"m", state.path(), "changed", "AVI", ""});
    ASSERT_TRUE(waitFor([&] { return keptRows().size() == 299; }));
    EXPECT_EQ(keptRows()[1].columns[3], "changed");
    window->runContext().setListRunning(false);
    window->listEnded();
    ASSERT_TRUE(waitFor([&] { return !keptRows()[0].inProgress; }));
    window->clearList();
    ASSERT_TRUE(waitFor([&] { return keptRows().empty(); }));

    TempFolder blocked;
    testing::writeWholeFile(blocked.file("state"), "a file where the folder should be");
    window.reset();
    makeWindow();
    ASSERT_TRUE(window->keepList(blocked.file("state/vantaro/list")));
    auto* status = child<QLabel>("StatusBar1");
    window->linkList().appendListEntry("MP3", state.path(), "a", "", "l");
    ASSERT_TRUE(
        waitFor([&] { return status->text().startsWith(q("La liste ne sera pas gardée : ")); }));
    EXPECT_TRUE(status->text().contains(q("state"))) << status->text().toStdString();
    window->setStatus("Prêt");
    window->linkList().appendListEntry("MP3", state.path(), "b", "", "l");
    testing::letEventsRun(200);
    EXPECT_EQ(status->text(), q("Prêt"));
}

} // namespace
} // namespace vantaro
