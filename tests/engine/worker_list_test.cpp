// SPDX-License-Identifier: GPL-3.0-or-later
// The download worker carrying the link list, row by row.
#include "WorkerTestBench.h"

#include <gmock/gmock.h>

#include <mutex>

namespace vantaro {
namespace {

using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using testing::steps;
namespace fs = std::filesystem;
namespace fr = testing::fr;
namespace en = testing::en;

class WorkerListTest : public testing::WorkerTestBench {
protected:
    // The list-running flag, each time a row is deleted.
    void watchRows() {
        m_host.onEvent = [this](const std::string& event) {
            if (event != "deleteRow")
                return;
            std::lock_guard lock(m_watchMutex);
            m_listRunningAtRowEnd.push_back(m_context.listRunning());
        };
    }
    std::vector<bool> listRunningAtRowEnd() {
        std::lock_guard lock(m_watchMutex);
        return m_listRunningAtRowEnd;
    }

    std::mutex m_watchMutex;
    std::vector<bool> m_listRunningAtRowEnd;
};

TEST_F(WorkerListTest, RowsAreCarriedOutDroppedOrRefusedAndDeletedOneByOne) {
    startSite();
    startService({clipLink()});
    testing::writeWholeFile(m_web.file("plain.html"), "<html>no video here</html>\n");
    m_host.rows = {row(dailymotionLink(), "MP3", "one"), row("", "MP3", "two"),
                   ListRowTexts{"MP3", out("missing"), "three", "Essai", youTubeLink()},
                   row(m_nginx->url("/plain.html"), "MP3", "four"),
                   row(youTubeLink(), "FLV", "five")};
    watchRows();
    run(WorkMode::List);

    EXPECT_THAT(
        steps(m_host),
        ElementsAre("started:list",
                    // a Dailymotion row converted to MP3
                    "rowTaken", "status:" + fr::L1(1, 5), "status:" + fr::L2(1, 5),
                    "status:" + fr::L3(1, 5), "status:" + fr::L4(1, 5, "MP3"), "status:" + fr::R,
                    "status:" + fr::R, "rowDone", "deleteRow",
                    // an empty link and a missing folder are dropped without a word, n counts them
                    "deleteRow", "deleteRow",
                    // a link of no known site
                    "rowTaken", "status:" + fr::L1(4, 5), "status:" + fr::L2(4, 5),
                    "message:" + fr::M2, "status:" + fr::R, "status:" + fr::R, "rowDone",
                    "deleteRow",
                    // a YouTube row kept as FLV
                    "rowTaken", "status:" + fr::L1(5, 5), "status:" + fr::L2(5, 5),
                    "status:" + fr::L3(5, 5), "status:" + fr::L4(5, 5, "FLV"), "status:" + fr::R,
                    "rowDone", "deleteRow",
                    // the end of the list
                    "restore", "listEnded"));
    EXPECT_THAT(listRunningAtRowEnd(), ElementsAre(true, true, true, true, true));
    EXPECT_FALSE(m_context.listRunning());
    EXPECT_THAT(m_host.rows, IsEmpty());

    std::vector<std::string> targets = serviceTargets();
    EXPECT_EQ(std::count_if(targets.begin(), targets.end(),
                            [](const std::string& t) { return t.rfind("/addVantaroURL", 0) == 0; }),
              5)
        << "every row is reported, even a dropped one";
    EXPECT_THAT(targets, Contains("/addVantaroURL.php?u="));
    EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("five.flv", "one.mp3"));
    const testing::Probe one = testing::probe(out("one.mp3"));
    ASSERT_TRUE(one.readable);
    EXPECT_THAT(one.codecs, Contains("mp3"));
    EXPECT_FALSE(replyFileLeft());
}

// In the list the resolver's reply is not examined: an error code is fetched as a link, which
// fails with the network error, and the row ends there, unconverted. English texts throughout.
TEST_F(WorkerListTest, ResolverReplyIsFetchedAsItIsAndEnglishTextsAreShown) {
    startSite();
    startService({"ERROR_SERVER"});
    m_context.setLanguage(Language::English);
    m_host.rows = {row("http://127.0.0.1:9/unknown", "MP3", "one"),
                   row(youTubeLink(), "MP3", "two")};
    run(WorkMode::List);

    EXPECT_THAT(steps(m_host),
                ElementsAre("started:list", "rowTaken", "message:Network error!",
                            "status:" + en::L1(1, 2), "status:" + en::L2(1, 2), "message:" + en::M2,
                            "status:" + en::R, "status:" + en::R, "rowDone", "deleteRow",
                            "rowTaken", "status:" + en::L1(2, 2), "status:" + en::L2(2, 2),
                            "status:" + en::L3(2, 2), "message:Network error!", "status:" + en::R,
                            "rowDone", "deleteRow", "restore", "listEnded"));
    EXPECT_THAT(testing::filesIn(m_out.path()), IsEmpty());
}

// A page or a download that did not arrive whole drops its row after the fetch's one box, with
// nothing converted or left; the next row runs.
TEST_F(WorkerListTest, AFetchThatDidNotArriveWholeDropsItsRowAndTheListGoesOn) {
    startSite();
    testing::ScriptedHttpServer media(R"({"routes": {
        "/dailymotion/cut": ["short-body.http"],
        "/cut": [{"file": "generated-length.http", "body_bytes": 300000, "reset_after": 150000}]}})",
                                      {{"LENGTH", "300000"}});
    startService({media.url("/cut"), clipLink()});
    m_host.rows = {row(media.url("/dailymotion/cut"), "MP3", "one"),
                   row(youTubeLink(), "MP3", "two"), row(youTubeLink(), "FLV", "three")};
    watchRows();
    run(WorkMode::List);

    const std::string box = "message:" + fr::NetworkError;
    EXPECT_THAT(steps(m_host),
                ElementsAre("started:list",
                            // the page arrived cut: no extraction from half a page
                            "rowTaken", box, "status:" + fr::L1(1, 3), "status:" + fr::L2(1, 3),
                            "status:" + fr::R, "rowDone", "deleteRow",
                            // the download arrived cut: no conversion
                            "rowTaken", "status:" + fr::L1(2, 3), "status:" + fr::L2(2, 3),
                            "status:" + fr::L3(2, 3), box, "status:" + fr::R, "rowDone",
                            "deleteRow",
                            // the next row runs as ever
                            "rowTaken", "status:" + fr::L1(3, 3), "status:" + fr::L2(3, 3),
                            "status:" + fr::L3(3, 3), "status:" + fr::L4(3, 3, "FLV"),
                            "status:" + fr::R, "rowDone", "deleteRow", "restore", "listEnded"));
    EXPECT_THAT(listRunningAtRowEnd(), ElementsAre(true, true, true));
    EXPECT_THAT(m_host.rows, IsEmpty());
    EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("three.flv"));
    EXPECT_FALSE(replyFileLeft());
}

TEST_F(WorkerListTest, EmptyListEndsAtOnce) {
    watchRows();
    run(WorkMode::List);
    EXPECT_THAT(steps(m_host), ElementsAre("started:list", "restore", "listEnded"));
    EXPECT_FALSE(m_context.listRunning());
}

// A stop found after a row ends the list with the window usable and row 1 no longer marked as
// in progress; the flag stays for the next start to clear.
TEST_F(WorkerListTest, StopAfterARowClearsListRunningAndGivesTheControlsBack) {
    startSite();
    startService({});
    m_host.rows = {row("", "MP3", "one"), row(dailymotionLink(), "MP3", "two")};
    m_host.onEvent = [this](const std::string& event) {
        if (event == "started:list")
            requestStop(m_context);
    };
    run(WorkMode::List);

    EXPECT_THAT(steps(m_host), ElementsAre("started:list", "deleteRow", "stoppedBetweenRows"));
    EXPECT_FALSE(m_context.listRunning()) << "row 1 would keep the in-progress mark";
    EXPECT_TRUE(m_context.stopRequested());
    ASSERT_EQ(m_host.rows.size(), 1u);
    EXPECT_EQ(m_host.rows[0].destinationFileName, "two");
}

// An error no step handles ends only its row: the user is told, the row goes, the list goes on.
TEST_F(WorkerListTest, UncaughtErrorDropsTheRowAndGoesOn) {
    startSite();
    startService({clipLink()});
    m_host.rows = {row(dailymotionLink(), "MP3", "no-such-folder/one"),
                   row(youTubeLink(), "FLV", "two")};
    watchRows();
    run(WorkMode::List);

    const std::vector<testing::RecordingHost::Message> boxes = m_host.messages();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, MessageKind::Information);
    EXPECT_EQ(boxes[0].text, fr::Failed + "Impossible de créer le fichier " +
                                 out("no-such-folder/onexxx.txt") +
                                 " : le fichier ou le dossier n'existe pas");
    const std::vector<std::string> seen = steps(m_host);
    EXPECT_THAT(std::vector<std::string>(seen.begin() + 1, seen.begin() + 6),
                ElementsAre("rowTaken", "message:" + boxes[0].text, "status:" + fr::R, "rowDone",
                            "deleteRow"));
    EXPECT_THAT(std::vector<std::string>(seen.end() - 2, seen.end()),
                ElementsAre("restore", "listEnded"));
    EXPECT_THAT(listRunningAtRowEnd(), ElementsAre(true, true));
    EXPECT_FALSE(m_context.listRunning());
    EXPECT_THAT(m_host.rows, IsEmpty());
    EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("two.flv"));
}

} // namespace
} // namespace vantaro
