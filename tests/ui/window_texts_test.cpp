// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AddLinkDialog.h"
#include "app/CommandPicture.h"
#include "app/EditLinkDialog.h"
#include "app/LinkListModel.h"
#include "app/MainWindow.h"
#include "app/Pictures.h"
#include "app/WindowTexts.h"
#include "core/Constants.h"
#include "core/Language.h"
#include "support/LinkDialogFakes.h"
#include "support/QtTestRun.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include <memory>

namespace vantaro {
namespace {

class SilentBoxes : public MessagePresenter {
public:
    bool showMessage(MessageKind, const std::string&, const std::string&) override { return true; }
};

// The text a control shows for an entry of a table, found as the window applies it.
QString shownText(QWidget& window, const WindowText& entry) {
    static const QHash<QString, QString> hintHolders = {
        {"Image20", "Image19"}, {"Image23", "Image22"}, {"Image8", "Image7"},
        {"Image14", "Image10"}, {"Image18", "Image11"}, {"Image16", "Image12"},
        {"Image26", "Image25"}, {"Image29", "Image28"}};
    QString name = QString::fromStdString(entry.control);
    name = hintHolders.value(name, name);
    QObject* control = window.objectName() == name ? &window : window.findChild<QObject*>(name);
    if (!control)
        return "<missing " + name + ">";
    auto* widget = qobject_cast<QWidget*>(control);
    switch (entry.kind) {
    case TextKind::Title:
        return widget->windowTitle();
    case TextKind::Hint:
        return widget->toolTip();
    case TextKind::TabCaption: {
        auto* tabs = window.findChild<QTabWidget*>("PageControl1");
        return tabs->tabText(tabs->indexOf(widget));
    }
    case TextKind::InitialText:
        return qobject_cast<QLineEdit*>(control)->text();
    case TextKind::StatusText:
    case TextKind::Caption:
        if (auto* label = qobject_cast<QLabel*>(control))
            return label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            return button->text();
        if (auto* group = qobject_cast<QGroupBox*>(control))
            return group->title();
        if (auto* action = qobject_cast<QAction*>(control))
            return action->text();
        return "<no text on " + name + ">";
    }
    return {};
}

class WindowTextsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::makeApplication("window_texts_test"); }
    void TearDown() override { setMainWindowLanguageCode("FR"); }

    std::unique_ptr<MainWindow> createMainWindow(const std::string& code) {
        setMainWindowLanguageCode(code);
        auto window = std::make_unique<MainWindow>();
        window->setMessagePresenter(&m_boxes);
        return window;
    }

    // Every entry of the table shows its French text, or its English one exactly when English.
    void expectTable(QWidget& window, const WindowTextTable& table, bool english) {
        for (const WindowText& entry : table) {
            // The modify picture is one widget: the hint of its highlighted picture, which lies
            // under a resting pointer, is the one it shows.
            if (entry.control == "Image25")
                continue;
            const std::string& expected = english && entry.english ? *entry.english : entry.french;
            EXPECT_EQ(shownText(window, entry).toStdString(), expected)
                << entry.control << (english ? " in English" : " in French");
        }
    }

    SilentBoxes m_boxes;
};

TEST_F(WindowTextsTest, MainWindowShowsTheColumnOfItsLanguageCode) {
    struct Case {
        const char* code;
        bool english;
    };
    for (const Case& c : {Case{"FR", false}, Case{"EN", true}, Case{"en", false}}) {
        auto window = createMainWindow(c.code);
        SCOPED_TRACE(c.code);
        EXPECT_EQ(window->runContext().english(), c.english);
        expectTable(*window, mainWindowTexts(), c.english);
        EXPECT_EQ(window->windowTitle(),
                  QString::fromUtf8(DesignCaption) + "-" + QString::fromUtf8(c.code));
        // The entries whose English text is the French one stay French.
        auto* tabs = window->findChild<QTabWidget*>("PageControl1");
        EXPECT_EQ(tabs->tabText(1), QString::fromUtf8("Liste des vidéos à télécharger"));
        EXPECT_EQ(window->findChild<QAbstractButton*>("Button9")->text(), "Edit stringGrid");
        EXPECT_EQ(window->findChild<QWidget*>("Image28")->toolTip(), "Charger une liste MP3");
        // The big download pictures carry the word of the language.
        const QImage expected =
            picture(c.english ? Picture::DownloadEn : Picture::DownloadFr).toImage();
        EXPECT_EQ(window->findChild<CommandPicture*>("Image19")->normalPicture().toImage(),
                  expected);
        EXPECT_EQ(window->findChild<CommandPicture*>("Image7")->normalPicture().toImage(),
                  expected);
        window->finishWork();
    }
}

TEST_F(WindowTextsTest, GridHeadersAreWrittenInBothLanguagesAndBeginWithABlank) {
    for (const char* code : {"FR", "EN"}) {
        auto window = createMainWindow(code);
        const auto* grid = window->findChild<LinkListGrid*>("StringGrid1");
        ASSERT_NE(grid, nullptr);
        QStringList headers;
        for (int column = 1; column < ListColumnCount; ++column) {
            const QString header =
                grid->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
            EXPECT_TRUE(header.startsWith(' ')) << header.toStdString();
            headers << header;
        }
        EXPECT_EQ(headers[1], " Destination");
        EXPECT_EQ(headers[0], QString(code == std::string("EN") ? " Format" : " Format souhaité"));
        window->finishWork();
    }
}

TEST_F(WindowTextsTest, ExamplesOfTheTwoFolderFields) {
    const WindowText& label6 = findText(mainWindowTexts(), "Label6", TextKind::Caption);
    const WindowText& label10 = findText(mainWindowTexts(), "Label10", TextKind::Caption);
    ASSERT_TRUE(label6.english && label10.english);
    EXPECT_EQ(*label6.english, *label10.english);
    EXPECT_EQ(*label10.english, "(example : C:\\myfolder)");
    EXPECT_EQ(label10.french, "(exemple : C:\\mondossier)");
    EXPECT_EQ(label6.french, "(exemple : C:\\mondossier\\)");
}

TEST_F(WindowTextsTest, DialogsTakeTheCodeSetBeforeTheyAreCreated) {
    testing::FakeDialogHost host;
    testing::FakeFolderPicker picker;
    testing::FakeCommandHost commandHost;
    LinkList list;
    for (const char* code : {"FR", "EN", "en"}) {
        RunContext context(languageFromCode(code));
        const bool english = std::string(code) == "EN";
        AddLinkDialog add(context, list, host, picker);
        EditLinkDialog modify(context, list, commandHost, host, picker);
        expectTable(add, addDialogTexts(), english);
        expectTable(modify, modifyDialogTexts(), english);
    }
}

} // namespace
} // namespace vantaro
