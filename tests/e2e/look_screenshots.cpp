// SPDX-License-Identifier: GPL-3.0-or-later
// Takes the pictures a user sees first: both pages of the main window, both list dialogs, the
// two folder pickers (in French), the splash and the about dialog, in French and in English, on a
// real X server. Each is saved as a PNG file under <build>/artifacts/screenshots and checked: the
// size of its window, and more than a few colours.
#include "app/AboutDialog.h"
#include "app/AddLinkDialog.h"
#include "app/EditLinkDialog.h"
#include "app/FolderTreeDialog.h"
#include "app/MainWindow.h"
#include "app/SplashScreen.h"
#include "app/WindowTexts.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "support/LinkDialogFakes.h"
#include "support/QtTestRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QSet>
#include <QTabWidget>
#include <QTest>

#include <filesystem>
#include <string>

namespace vantaro {
namespace {

const QString ShotFolder = QStringLiteral(VANTARO_BINARY_DIR "/artifacts/screenshots");

class SilentBoxes : public MessagePresenter {
public:
    bool showMessage(MessageKind, const std::string&, const std::string&) override { return true; }
};

// Lets the window finish painting before its picture is taken.
void settle() {
    testing::letEventsRun(150);
}

int colourCount(const QImage& image) {
    QSet<QRgb> colours;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); y += 2)
        for (int x = 0; x < rgb.width(); x += 2)
            colours.insert(rgb.pixel(x, y));
    return static_cast<int>(colours.size());
}

// Saves the window's picture and checks it. A window whose shape lets the desktop through is
// taken from the screen, so that the desktop shows where it should.
void shoot(QWidget& window, const QString& name, QSize expected, bool fromScreen = false) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window)) << name.toStdString();
    settle();
    const QImage image =
        fromScreen ? window.screen()
                         ->grabWindow(0, window.x(), window.y(), window.width(), window.height())
                         .toImage()
                   : window.grab().toImage();
    const QString path = ShotFolder + "/" + name + ".png";
    ASSERT_TRUE(image.save(path)) << path.toStdString();
    const QImage saved(path);
    EXPECT_EQ(saved.size(), expected * window.devicePixelRatio()) << name.toStdString();
    EXPECT_GT(colourCount(saved), 24) << name.toStdString() << " looks blank";
    window.hide();
}

class LookScreenshots : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QDir().mkpath(ShotFolder);
        setProgramFolder(VANTARO_PROGRAM_DIR "/");
    }
    void TearDown() override { setMainWindowLanguageCode("FR"); }
};

void shootMainWindow(const std::string& code) {
    setMainWindowLanguageCode(code);
    SilentBoxes boxes;
    MainWindow window;
    window.setMessagePresenter(&boxes);
    LinkList& list = window.linkList();
    list.appendListEntry("MP3", "/home/anne/Musique", "concert-live", "concert-live",
                         "http://www.youtube.com/watch?v=dQw4w9WgXcQ");
    list.appendListEntry("AVI", "/home/anne/Vidéos", "reportage", "-",
                         "http://www.dailymotion.com/video/x1a2b3c");
    list.appendListEntry("MP3", "/home/anne/Musique", "interview", "interview",
                         "http://www.youtube.com/watch?v=9bZkp7q19f0");
    const QString suffix = QString::fromStdString(code).toLower();
    shoot(window, "main-page1-" + suffix, {782, 603});
    window.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);
    shoot(window, "main-page2-" + suffix, {782, 603});
    window.finishWork();
}

void shootDialogs(const std::string& code) {
    RunContext context(languageFromCode(code));
    const QString suffix = QString::fromStdString(code).toLower();
    testing::FakeDialogHost host;
    host.preferencesFile = true;
    host.listFolder = "/home/anne/Musique";
    testing::FakeFolderPicker picker;
    testing::FakeCommandHost commandHost;
    LinkList list;
    list.appendListEntry("AVI", "/home/anne/Vidéos", "reportage", "-",
                         "http://www.dailymotion.com/video/x1a2b3c");

    AddLinkDialog add(context, list, host, picker);
    add.applyOpeningDefaults();
    LinkDialogFields fields = add.fields();
    fields.link = "http://www.youtube.com/watch?v=dQw4w9WgXcQ";
    add.setFields(fields);
    shoot(add, "add-dialog-" + suffix, add.size());
    EXPECT_EQ(add.width(), 470);

    EditLinkDialog modify(context, list, commandHost, host, picker);
    modify.setEntryId(list.entryId(1));
    modify.fillFromEntry();
    shoot(modify, "modify-dialog-" + suffix, modify.size());
}

TEST_F(LookScreenshots, MainWindowInFrenchAndEnglish) {
    shootMainWindow("FR");
    shootMainWindow("EN");
}

TEST_F(LookScreenshots, ListDialogsInFrenchAndEnglish) {
    shootDialogs("FR");
    shootDialogs("EN");
}

// The two pickers of the main window, the first opening on an earlier choice.
TEST_F(LookScreenshots, FolderPickersOfTheTwoPages) {
    testing::TempFolder home("picker-home");
    for (const char* folder :
         {"Documents", "Musique", "Vid\u00e9os/Concerts", "Vid\u00e9os/Voyages"})
        std::filesystem::create_directories(home.file(folder));
    FolderTreeDialog download(
        nullptr,
        "Choisissez le dossier o\u00f9 le fichier t\u00e9l\u00e9charg\u00e9 sera cr\u00e9e",
        home.file("Vid\u00e9os/Concerts"), Language::French);
    shoot(download, "folder-picker-download-fr", download.size());
    EXPECT_EQ(download.selectedFolder(), home.file("Vid\u00e9os/Concerts"));
    FolderTreeDialog list(nullptr,
                          "Choisissez le dossier o\u00f9 les fichiers t\u00e9l\u00e9charg\u00e9s "
                          "et transform\u00e9s seront cr\u00e9es",
                          {}, Language::French);
    shoot(list, "folder-picker-list-fr", list.size());
    EXPECT_EQ(list.selectedFolder(), "");
}

TEST_F(LookScreenshots, SplashAndAboutAreFrenchInBothLanguages) {
    for (const std::string code : {"FR", "EN"}) {
        setMainWindowLanguageCode(code);
        const QString suffix = QString::fromStdString(code).toLower();
        AboutDialog about;
        shoot(about, "about-" + suffix, {486, 379});
        EXPECT_EQ(about.windowTitle(), QString::fromUtf8("A porpos de Vantaro"));
        EXPECT_EQ(about.findChild<QLabel*>("Label2")->text(), "Vantaro, version 2.0");

        SplashScreen splash;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            splash.move(screen->availableGeometry().center() - splash.rect().center());
        shoot(splash, "splash-" + suffix, {592, 411}, true);
        EXPECT_EQ(splash.findChild<QLabel*>("Label1")->text(), "Vantaro, version 2.0");
        // The face colour is cut out of the window: the corners show the desktop.
        EXPECT_FALSE(splash.mask().contains(QPoint(0, 0)));
        EXPECT_TRUE(splash.mask().contains(QPoint(296, 200)));
    }
}

} // namespace
} // namespace vantaro

int main(int argc, char** argv) {
    vantaro::testing::makeApplication("look_screenshots");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
