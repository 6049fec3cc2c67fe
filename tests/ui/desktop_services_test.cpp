// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's desktop ties on the offscreen platform: links and list files dropped on its
// pages, and the figures line that follows the worker's progress.
#include "app/MainWindow.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "support/QtTestRun.h"
#include "support/TempFolder.h"
#include "support/WindowFakes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QSystemTrayIcon>
#include <QTest>
#include <QUrl>

#include <memory>

namespace vantaro {
namespace {

using testing::FakeShell;
using testing::RecordingPresenter;
using testing::TempFolder;

class DesktopServicesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::makeApplication("desktop_services_test"); }
    void SetUp() override {
        setProgramFolder(work.path() + "/");
        window = std::make_unique<MainWindow>("127.0.0.1:9");
        window->setMessagePresenter(&presenter);
        window->setDesktopShell(&shell);
        window->findChild<QLineEdit*>("Edit2")->setText(QString::fromStdString(work.path()));
    }
    void TearDown() override {
        window.reset();
        setProgramFolder({});
    }

    // A drag entering the widget and dropped there, as the desktop delivers it.
    static bool drop(QWidget* target, const QMimeData& data) {
        const QPointF at(5, 5);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                           Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        QTest::qWait(20); // a list load runs once the drop has returned
        return dropped.isAccepted();
    }
    QWidget* child(const char* name) const { return window->findChild<QWidget*>(name); }
    QString edit1() const { return window->findChild<QLineEdit*>("Edit1")->text(); }

    TempFolder work{"vantaro-desktop"};
    RecordingPresenter presenter;
    FakeShell shell;
    std::unique_ptr<MainWindow> window;
};

TEST_F(DesktopServicesTest, ALinkDroppedOnTheFirstPageFillsTheLinkField) {
    // From an address bar: a uri-list, on the page or on the field itself; an unsupported site
    // is taken as it is (the download command's own checks answer later).
    QMimeData fromBrowser;
    fromBrowser.setUrls({QUrl("http://127.0.0.1:9/not-a-video-site?id=1")});
    ASSERT_TRUE(drop(child("TabSheet1"), fromBrowser));
    EXPECT_EQ(edit1(), "http://127.0.0.1:9/not-a-video-site?id=1");

    QMimeData plain;
    plain.setText("  http://www.dailymotion.com/video/x7  \nmore");
    ASSERT_TRUE(drop(child("Edit1"), plain));
    EXPECT_EQ(edit1(), "http://www.dailymotion.com/video/x7");
    EXPECT_TRUE(presenter.boxes().empty());
}

TEST_F(DesktopServicesTest, AFileDroppedOnTheListPageLoadsAsAChosenFileWould) {
    const std::string list = work.file("links.txt");
    testing::writeWholeFile(list, "http://www.youtube.com/watch?v=a\nA\nhttp://www.youtube.com/"
                                  "watch?v=b\nB\n");
    QMimeData textFile;
    textFile.setUrls({QUrl::fromLocalFile(QString::fromStdString(list))});
    ASSERT_TRUE(drop(child("TabSheet2"), textFile));
    EXPECT_EQ(window->linkList().entryCount(), 2);

    // A binary file: whatever the loader says of it when chosen, it says of it when dropped.
    const std::string binary = work.file("clip.bin");
    testing::writeWholeFile(binary, std::string("\0\x01\xff\xfe\nxx\0\r\n", 10));
    shell.fileAnswers = {binary};
    window->loadListFile();
    const std::vector<std::string> chosen = presenter.texts();
    const int chosenEntries = window->linkList().entryCount();
    presenter.clear();
    textFile.setUrls({QUrl::fromLocalFile(QString::fromStdString(binary))});
    ASSERT_TRUE(drop(child("TabSheet2"), textFile));
    EXPECT_EQ(presenter.texts(), chosen);
    EXPECT_EQ(window->linkList().entryCount(), chosenEntries);
    EXPECT_EQ(shell.fileFilters.size(), 1u) << "a drop opens no file dialog";
}

TEST_F(DesktopServicesTest, FiguresLineFollowsTheProgressAndEmptiesAtTheEnd) {
    auto* figures = window->findChild<QLabel*>("TransferFigures");
    ASSERT_NE(figures, nullptr);
    EXPECT_EQ(figures->text(), "");
    // Between the Stop button and the progress bar.
    EXPECT_GE(figures->y(), child("Button5")->geometry().bottom());
    EXPECT_LE(figures->geometry().bottom(), child("ProgressBar1")->y());

    window->setProgressMax(45'600'000);
    window->setProgressPosition(12'300'000);
    EXPECT_TRUE(figures->text().startsWith("12,3 Mo sur 45,6 Mo")) << figures->text().toStdString();
    if (QSystemTrayIcon* tray = window->trayIcon()) {
        EXPECT_EQ(tray->toolTip(), figures->text());
    }
    window->conversionStarted();
    EXPECT_EQ(figures->text(), QString::fromUtf8("Conversion \u00b7 0:00"));
    WorkSummary stopped;
    stopped.stopped = true; // no notice
    window->workEnded(stopped);
    EXPECT_EQ(figures->text(), "");
    if (QSystemTrayIcon* tray = window->trayIcon()) {
        EXPECT_EQ(tray->toolTip(), "Vantaro");
    }
    // Figures with no worker running, as a worker whose host threw leaves them: they go too.
    window->setProgressMax(45'600'000);
    window->setProgressPosition(12'300'000);
    ASSERT_FALSE(figures->text().isEmpty());
    EXPECT_TRUE(testing::waitFor([figures] { return figures->text().isEmpty(); }, 10000));
}

} // namespace
} // namespace vantaro
