// SPDX-License-Identifier: GPL-3.0-or-later
// The capture log's writer: lines split at line breaks, written in order in batches, and the
// box never holding more than its limit however many lines arrive.
#include "app/CaptureLog.h"

#include "capture/CaptureLogText.h"
#include "support/QtTestRun.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextBlock>

#include <string>

namespace vantaro {
namespace {

class CaptureLogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::makeApplication("capture_log_test"); }
    static std::string line(const QPlainTextEdit& box, int number) {
        return box.document()->findBlockByNumber(number).text().toStdString();
    }
};

TEST_F(CaptureLogTest, LinesArriveInOrderSplitAtLineBreaks) {
    QPlainTextEdit box;
    box.appendPlainText("developer note");
    CaptureLogWriter writer(box, 100);
    writer.append("Failed to Start Monitor - Error 1 in function Bind\r\nOperation not permitted");
    EXPECT_EQ(box.blockCount(), 3) << "the first text is written at once";
    writer.append("");
    writer.append("a\nb\rc");
    EXPECT_EQ(box.blockCount(), 3) << "texts that follow at once wait for the event loop";
    testing::waitFor([&writer] { return writer.pendingLines() == 0; });
    ASSERT_EQ(box.blockCount(), 7);
    EXPECT_EQ(line(box, 0), "developer note");
    EXPECT_EQ(line(box, 1), "Failed to Start Monitor - Error 1 in function Bind");
    EXPECT_EQ(line(box, 2), "Operation not permitted");
    EXPECT_EQ(line(box, 3), "");
    EXPECT_EQ(line(box, 4), "a");
    EXPECT_EQ(line(box, 5), "b");
    EXPECT_EQ(line(box, 6), "c");
}

TEST_F(CaptureLogTest, TheBoxKeepsOnlyTheNewestLines) {
    QPlainTextEdit box;
    CaptureLogWriter writer(box, 1000);
    for (int i = 0; i < 3000; ++i) {
        writer.append("line " + std::to_string(i));
        EXPECT_LE(writer.pendingLines(), 1000);
        if (i % 700 == 0)
            writer.flush();
        EXPECT_LE(box.blockCount(), 1000);
    }
    while (writer.pendingLines() > 0)
        writer.flush();
    EXPECT_EQ(box.blockCount(), 1000);
    EXPECT_EQ(line(box, 0), "line 2000");
    EXPECT_EQ(line(box, 999), "line 2999");

    // One flush writes a batch at most; the next interval writes the rest.
    for (int i = 0; i < CaptureLogFlushLines + 10; ++i)
        writer.append("more " + std::to_string(i));
    writer.flush();
    EXPECT_EQ(writer.pendingLines(), 10);
    EXPECT_EQ(box.blockCount(), 1000);
}

} // namespace
} // namespace vantaro
