// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/KeptList.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vantaro {
namespace {

using testing::readWholeFile;
using testing::TempFolder;
using testing::writeWholeFile;
using Outcome = KeptListRead::Outcome;

const std::vector<KeptRow> SampleRows{
    {{"", "MP3", "/home/u/Musique", "tab\there", "new\nline \\ back\\nslash", "http://a/?v=1"},
     true},
    {{"", "AVI", "/tmp/Видео", "日本語 ÿ", "\r", "https://www.dailymotion.com/video/x1"}, false},
    {{"", "", "", "", "", ""}, false},
};

const std::time_t Noon = 1'796'947'200; // a fixed moment for the names of moved files

TEST(KeptListTest, EveryColumnComesBackAsWritten) {
    TempFolder folder;
    const std::string path = folder.file("state/vantaro/list");
    ASSERT_EQ(writeKeptList(path, SampleRows), "");
    const KeptListRead read = readKeptList(path, Noon);
    EXPECT_EQ(read.outcome, Outcome::Read);
    EXPECT_EQ(read.rows, SampleRows);
    // Rewriting replaces the file whole and leaves no temporary file beside it.
    ASSERT_EQ(writeKeptList(path, {}), "");
    EXPECT_EQ(readKeptList(path, Noon).rows.size(), 0u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.file("state/vantaro")),
                            std::filesystem::directory_iterator()),
              1);
}

// Whatever a file holds that is not a whole kept list is moved aside, never lost or read.
TEST(KeptListTest, AFileThatIsNotAWholeListIsMovedAsideUnderItsDate) {
    const std::string whole = keptListText(SampleRows);
    const std::size_t lastRow = whole.rfind('\n', whole.rfind("end ") - 2) + 1;
    std::vector<std::pair<std::string, std::string>> cases{
        {"foreign", "[Settings]\nfolder=/tmp\n"},
        {"unknown version", "vantaro list 2\nend 0\n"},
        {"bad escape", "vantaro list 1\n-\t\\x\t\t\t\t\t\nend 1\n"},
        {"wrong count", "vantaro list 1\nend 1\n"},
    };
    for (std::size_t cut = lastRow; cut < whole.size(); ++cut)
        cases.emplace_back("cut at byte " + std::to_string(cut), whole.substr(0, cut));
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        TempFolder folder;
        const std::string path = folder.file("list");
        writeWholeFile(path, text);
        const KeptListRead first = readKeptList(path, Noon);
        writeWholeFile(path, text);
        const KeptListRead second = readKeptList(path, Noon); // the same second: a new name
        EXPECT_EQ(first.outcome, Outcome::Unreadable);
        EXPECT_TRUE(first.rows.empty());
        EXPECT_NE(first.movedTo.find("list.unreadable-2026"), std::string::npos);
        EXPECT_NE(second.movedTo, first.movedTo);
        EXPECT_EQ(readWholeFile(first.movedTo), text);
        EXPECT_EQ(readWholeFile(second.movedTo), text);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

TEST(KeptListTest, AFolderThatCannotBeWrittenIsReportedOnce) {
    TempFolder folder;
    writeWholeFile(folder.file("state"), "a file where the folder should be");
    std::vector<std::string> reasons;
    {
        KeptListWriter writer(folder.file("state/vantaro/list"),
                              [&](const std::string& reason) { reasons.push_back(reason); });
        writer.submit(SampleRows);
        writer.flush();
        writer.submit({});
    }
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_NE(reasons[0].find("state"), std::string::npos);
}

TEST(KeptListTest, TheWriterWritesTheLastRowsGivenAndOneProgramHoldsTheLock) {
    TempFolder folder;
    const std::string path = folder.file("list");
    {
        KeptListWriter writer(path, nullptr);
        for (std::size_t n = 0; n <= SampleRows.size(); ++n)
            writer.submit({SampleRows.begin(), SampleRows.begin() + static_cast<long>(n)});
    }
    EXPECT_EQ(readKeptList(path, Noon).rows, SampleRows);
    KeptListLock first(path);
    KeptListLock second(path);
    EXPECT_TRUE(first.held());
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(second.takenElsewhere());
    KeptListLock outOfReach(folder.file("list/below/list"));
    EXPECT_FALSE(outOfReach.held());
    EXPECT_FALSE(outOfReach.takenElsewhere());
}

} // namespace
} // namespace vantaro
