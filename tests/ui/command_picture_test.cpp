// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandPicture.h"
#include "app/EditLinkDialog.h"
#include "app/MainWindow.h"
#include "app/MainWindowLook.h"
#include "app/Pictures.h"
#include "app/WindowTexts.h"
#include "core/Language.h"
#include "support/LinkDialogFakes.h"
#include "support/QtTestRun.h"
#include "support/WindowFakes.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <memory>

namespace vantaro {
namespace {

using State = CommandPicture::State;

// The modify dialog, counting its openings instead of showing itself.
class CountingModifyDialog : public EditLinkDialog {
public:
    using EditLinkDialog::EditLinkDialog;
    int exec() override {
        ++openings;
        return Accepted;
    }
    int openings = 0;
};

class CommandPictureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::makeApplication("command_picture_test"); }
    void SetUp() override {
        m_host.resize(200, 100);
        m_picture = new CommandPicture(&m_host);
        const PictureTriple pictures = commandPictures(Picture::Add);
        m_picture->setPictures(pictures.normal, pictures.highlighted, pictures.pressed);
        m_picture->setGeometry(20, 20, 58, 45);
        m_host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_host));
        QObject::connect(m_picture, &CommandPicture::activated, m_picture,
                         [this] { m_statesAtCommand.push_back(m_picture->state()); });
    }

    QWidget m_host;
    CommandPicture* m_picture = nullptr;
    std::vector<State> m_statesAtCommand;
};

TEST_F(CommandPictureTest, AnyButtonRunsTheCommandOnceAfterThePicturesAreReset) {
    const QPoint inside(10, 10);
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        m_statesAtCommand.clear();
        QTest::mouseMove(m_picture, inside);
        EXPECT_EQ(m_picture->state(), State::Highlighted);
        QTest::mousePress(m_picture, button, {}, inside);
        EXPECT_EQ(m_picture->state(), State::Pressed);
        QTest::mouseRelease(m_picture, button, {}, inside);
        ASSERT_EQ(m_statesAtCommand.size(), 1u) << button;
        EXPECT_EQ(m_statesAtCommand[0], State::Normal);
        EXPECT_EQ(m_picture->state(), State::Normal);
        // The pointer still over it lights it again at its next move.
        QTest::mouseMove(m_picture, inside + QPoint(1, 0));
        EXPECT_EQ(m_picture->state(), State::Highlighted);
    }
}

TEST_F(CommandPictureTest, AReleaseOnThePressedPictureOrAwayRunsNothing) {
    const QPoint inside(10, 10);
    // A second button: its release lands on the pressed picture, which resets the pictures.
    QTest::mousePress(m_picture, Qt::LeftButton, {}, inside);
    QTest::mousePress(m_picture, Qt::RightButton, {}, inside);
    EXPECT_EQ(m_picture->state(), State::Pressed);
    QTest::mouseRelease(m_picture, Qt::RightButton, {}, inside);
    EXPECT_EQ(m_picture->state(), State::Normal);
    QTest::mouseRelease(m_picture, Qt::LeftButton, {}, inside);
    EXPECT_TRUE(m_statesAtCommand.empty());

    // Pressed on the picture, released away from it.
    QTest::mousePress(m_picture, Qt::LeftButton, {}, inside);
    QTest::mouseRelease(m_picture, Qt::LeftButton, {}, QPoint(150, 90));
    EXPECT_TRUE(m_statesAtCommand.empty());
    EXPECT_EQ(m_picture->state(), State::Normal);

    // Leaving puts the normal picture back.
    QTest::mouseMove(m_picture, inside);
    EXPECT_EQ(m_picture->state(), State::Highlighted);
    QTest::mouseMove(&m_host, QPoint(150, 90));
    EXPECT_EQ(m_picture->state(), State::Normal);
}

class MainWindowPicturesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::makeApplication("command_picture_test"); }
    void SetUp() override {
        setMainWindowLanguageCode("FR");
        m_window = std::make_unique<MainWindow>();
        m_window->setMessagePresenter(&m_boxes);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void TearDown() override { m_window->finishWork(); }

    template <typename T> T* child(const char* name) {
        T* found = m_window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    testing::RecordingPresenter m_boxes;
    std::unique_ptr<MainWindow> m_window;
};

TEST_F(MainWindowPicturesTest, BannerSwitchKeepsItsLightOverItsLabelAndSwitchesThePage) {
    auto* image6 = child<CommandPicture>("Image6");
    auto* label13 = child<QLabel>("Label13");
    auto* pages = child<QTabWidget>("PageControl1");
    const auto colour = [label13] { return label13->palette().color(QPalette::WindowText); };
    EXPECT_EQ(colour(), SwitchLabelIdle);
    pages->setCurrentIndex(1);

    QTest::mouseMove(image6, QPoint(40, 40));
    EXPECT_EQ(image6->state(), State::Highlighted);
    EXPECT_EQ(colour(), SwitchLabelLit);
    // Onto the label: still lit, still blue.
    const QPoint onLabel = label13->geometry().center();
    QTest::mouseMove(image6, onLabel);
    EXPECT_EQ(image6->state(), State::Highlighted);
    EXPECT_EQ(colour(), SwitchLabelLit);

    // Released over the label: the first page, and the light stays.
    QTest::mouseClick(image6, Qt::RightButton, {}, onLabel);
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(image6->state(), State::Highlighted);
    EXPECT_EQ(colour(), SwitchLabelLit);

    // The list switch takes the second page; the first switch goes dark when left.
    auto* image31 = child<CommandPicture>("Image31");
    QTest::mouseMove(image31, child<QLabel>("Label14")->geometry().center() - image31->pos());
    EXPECT_EQ(image6->state(), State::Normal);
    EXPECT_EQ(colour(), SwitchLabelIdle);
    QTest::mouseClick(image31, Qt::LeftButton, {}, QPoint(200, 40));
    EXPECT_EQ(pages->currentIndex(), 1);
    EXPECT_EQ(child<QLabel>("Label14")->palette().color(QPalette::WindowText), SwitchLabelLit);
}

TEST_F(MainWindowPicturesTest, HelpButtonPopsTheHelpMenuBelowItsBottomLeftCorner) {
    auto* image5 = child<CommandPicture>("Image5");
    QTest::mouseMove(image5, QPoint(20, 20));
    EXPECT_EQ(image5->state(), State::Highlighted);
    QTest::mouseClick(image5, Qt::LeftButton, {}, QPoint(20, 20));
    QMenu* menu = m_window->helpMenu();
    ASSERT_TRUE(menu->isVisible());
    const QPoint corner = image5->mapToGlobal(QPoint(1, image5->height() + 1));
    EXPECT_EQ(menu->pos().y(), corner.y());
    // The desktop moves a menu that would leave the screen to the left, never to the right.
    const QRect screen = image5->screen()->geometry();
    if (corner.x() + menu->width() <= screen.right())
        EXPECT_EQ(menu->pos().x(), corner.x());
    else
        EXPECT_LT(menu->pos().x(), corner.x());
    menu->hide();
}

TEST_F(MainWindowPicturesTest, ModifyPictureOpensTheDialogOnlyForAnEntryRow) {
    testing::FakeDialogHost host;
    testing::FakeFolderPicker picker;
    testing::FakeCommandHost commandHost;
    LinkList& list = m_window->linkList();
    CountingModifyDialog dialog(m_window->runContext(), list, commandHost, host, picker);
    m_window->setDialogs(nullptr, &dialog, nullptr);
    list.appendListEntry("MP3", "/tmp", "name", "title", "http://www.youtube.com/watch?v=a");
    child<QTabWidget>("PageControl1")->setCurrentIndex(1);
    auto* image25 = child<CommandPicture>("Image25");

    for (const int row : {0, 2}) { // the header and the empty last row
        list.setSelectedRow(row);
        QTest::mouseClick(image25, Qt::LeftButton, {}, QPoint(10, 10));
        EXPECT_EQ(dialog.openings, 0) << row;
        EXPECT_EQ(image25->state(), State::Normal);
    }
    list.setSelectedRow(1);
    QTest::mouseClick(image25, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(dialog.openings, 1);
    EXPECT_EQ(dialog.entryId(), list.entryId(1));
}

TEST_F(MainWindowPicturesTest, WhereTheSwitchesOverlapTheLinkSwitchWins) {
    auto* panel = child<QWidget>("Panel1");
    auto* image6 = child<CommandPicture>("Image6");
    auto* image31 = child<CommandPicture>("Image31");
    auto* pages = child<QTabWidget>("PageControl1");
    pages->setCurrentIndex(1);
    const QPoint overlap((image31->x() + image6->geometry().right()) / 2, 40);
    ASSERT_TRUE(image6->geometry().contains(overlap) && image31->geometry().contains(overlap));

    QTest::mouseMove(panel, overlap);
    EXPECT_EQ(image6->state(), State::Highlighted);
    EXPECT_EQ(image31->state(), State::Normal);
    QTest::mouseClick(panel->childAt(overlap), Qt::LeftButton, {},
                      overlap - panel->childAt(overlap)->pos());
    EXPECT_EQ(pages->currentIndex(), 0);
    // The labels and the help button still lie above both switches.
    EXPECT_EQ(panel->childAt(child<QWidget>("Image5")->geometry().center()),
              child<QWidget>("Image5"));
    EXPECT_TRUE(child<QLabel>("Label14")->isVisible());
}

TEST_F(MainWindowPicturesTest, FormatListShowsItsGreyAndTheSpeedListOpensWide) {
    auto* formats = child<QComboBox>("ComboBox1");
    auto* speeds = child<QComboBox>("ComboBox2");
    // The closed box as drawn, beside an empty list of the desktop's colours: the format list's
    // face is the fields' grey.
    QComboBox plain(formats->parentWidget());
    plain.setGeometry(formats->geometry());
    const auto face = [](QComboBox* list) {
        return list->grab().toImage().pixelColor(list->width() / 2, list->height() / 2);
    };
    EXPECT_NE(face(formats), face(&plain));
    // The style shades the face a little: within a few steps of the fields' grey.
    for (const auto& [drawn, meant] : {std::pair{face(formats).red(), FieldColour.red()},
                                       {face(formats).green(), FieldColour.green()},
                                       {face(formats).blue(), FieldColour.blue()}})
        EXPECT_NEAR(drawn, meant, 3);

    EXPECT_EQ(speeds->width(), 240);
    speeds->showPopup();
    QAbstractItemView* open = speeds->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(open->window()));
    for (int row = 0; row < speeds->count(); ++row) {
        const QString entry = speeds->itemText(row);
        EXPECT_GE(open->viewport()->width(), open->fontMetrics().horizontalAdvance(entry))
            << entry.toStdString();
    }
    speeds->hidePopup();
    EXPECT_EQ(speeds->width(), 240);
}

} // namespace
} // namespace vantaro
