// SPDX-License-Identifier: GPL-3.0-or-later
// The download worker with one link: against nginx, the service double and the real converters.
#include "WorkerTestBench.h"

#include "support/MountedFolder.h"

#include <iostream>

#include <gmock/gmock.h>

namespace vantaro {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using testing::steps;
namespace fs = std::filesystem;
namespace fr = testing::fr;
namespace en = testing::en;

class WorkerSingleTest : public testing::WorkerTestBench {
protected:
    std::vector<std::string> reports(const std::string& link) const {
        return {"/addVantaroURL.php?u=" + link};
    }
};

TEST_F(WorkerSingleTest, DailymotionLinkToMp3ShowsEachStepAndLeavesOnlyTheResult) {
    startSite();
    startService({});
    run(WorkMode::Single, job(dailymotionLink(), "MP3"));

    EXPECT_THAT(steps(m_host), ElementsAre("started:single", "status:" + fr::S1, "status:" + fr::S2,
                                           "status:" + fr::S3, "status:" + fr::S4,
                                           "status:" + fr::S5("MP3", false), "status:" + fr::R,
                                           "status:" + fr::R, "linkDone", "restore"));
    EXPECT_THAT(m_host.messages(), IsEmpty());
    EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("clip.mp3"));
    const testing::Probe result = testing::probe(out("clip.mp3"));
    ASSERT_TRUE(result.readable);
    EXPECT_THAT(result.codecs, Contains("mp3"));
    EXPECT_THAT(result.tags.count("title") ? result.tags.at("title") : "", StartsWith("Essai"))
        << "the job's MP3 title";
    EXPECT_EQ(serviceTargets(), reports(dailymotionLink())) << "the page needs no resolver";
    EXPECT_FALSE(replyFileLeft());
    EXPECT_EQ(m_host.progressPosition(), m_host.progressMax()) << "the bar ends full";
    EXPECT_FALSE(m_context.stopRequested());
}

TEST_F(WorkerSingleTest, YouTubeLinkToAviResolvesTheLinkAndConverts) {
    startSite();
    startService({clipLink()});
    run(WorkMode::Single, job(youTubeLink(), "AVI"));

    EXPECT_THAT(steps(m_host),
                ElementsAre("started:single", "status:" + fr::S1, "status:" + fr::S2,
                            "status:" + fr::S3, "status:" + fr::S4, "status:" + fr::S5("AVI", true),
                            "status:" + fr::R, "status:" + fr::R, "linkDone", "restore"));
    EXPECT_THAT(m_host.messages(), IsEmpty());
    EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("clip.avi"));
    const testing::Probe result = testing::probe(out("clip.avi"));
    ASSERT_TRUE(result.readable);
    EXPECT_EQ(result.formatName, "avi");
    EXPECT_THAT(serviceTargets(), ElementsAre("/addVantaroURL.php?u=" + youTubeLink(),
                                              "/fr/Vantaro/kestravo.php?url=" + youTubeLink()));
    EXPECT_FALSE(replyFileLeft());
}

// FLV is only renamed; a result already there is never replaced and the download keeps its
// temporary name. The English texts come out of the same run.
TEST_F(WorkerSingleTest, FlvIsMovedWithoutConversionAndNeverOverwrites) {
    startSite();
    startService({clipLink()});
    m_context.setLanguage(Language::English);
    run(WorkMode::Single, job(youTubeLink(), "FLV"));

    EXPECT_THAT(steps(m_host),
                ElementsAre("started:single", "status:" + en::S1, "status:" + en::S2,
                            "status:" + en::S3, "status:" + en::S4, "status:" + en::S5("FLV", true),
                            "status:" + en::R, "linkDone", "restore"));
    EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("clip.flv"));
    EXPECT_EQ(testing::readWholeFile(out("clip.flv")),
              testing::readWholeFile(m_web.file("clip.flv")));

    testing::writeWholeFile(out("clip.flv"), "the user's own file");
    run(WorkMode::Single, job(youTubeLink(), "FLV"));
    EXPECT_EQ(testing::readWholeFile(out("clip.flv")), "the user's own file");
    EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("clip.flv", "clipxxx.flv"));
    EXPECT_THAT(m_host.messages(), IsEmpty());
}

TEST_F(WorkerSingleTest, KeywordCombinationsChooseThePageFetchAndThePaths) {
    startSite();
    // Pages on the service double itself, so that its record shows whether they were fetched.
    const std::string page = "<html>a WAT page</html>\n";
    startService(
        {clipLink()},
        ", \"/wat.tv/videos.tf1.fr/v\": [{\"text\": " + testing::jsonText(testing::httpOk(page)) +
            "}], \"/wat.tv/v\": [{\"text\": " + testing::jsonText(testing::httpOk(page)) + "}]");
    const std::string both = m_service->url("/wat.tv/videos.tf1.fr/v");
    const std::string watOnly = m_service->url("/wat.tv/v");

    SCOPED_TRACE("WAT and TF1 keywords together: no page fetch, no page texts");
    run(WorkMode::Single, job(both, "FLV", "both"));
    EXPECT_THAT(steps(m_host), ElementsAre("started:single", "status:" + fr::S6, "status:" + fr::S4,
                                           "status:" + fr::S5("FLV", false), "status:" + fr::R,
                                           "linkDone", "restore"));
    EXPECT_THAT(serviceTargets(), ElementsAre("/addVantaroURL.php?u=" + both,
                                              "/fr/Vantaro/kestravo.php?url=" + both));
    EXPECT_TRUE(fs::exists(out("both.flv")));

    SCOPED_TRACE("WAT keyword alone: the page is fetched, then deleted before resolving");
    run(WorkMode::Single, job(watOnly, "FLV", "wat"));
    const std::vector<std::string> targets = serviceTargets();
    ASSERT_EQ(targets.size(), 5u);
    EXPECT_EQ(targets[3], "/wat.tv/v");
    EXPECT_EQ(targets[4], "/fr/Vantaro/kestravo.php?url=" + watOnly);
    EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("both.flv", "wat.flv"));
}

// A link holding both "youtube" and "dailymotion" goes through both paths: the YouTube path
// deletes the page source, so the Dailymotion path then finds none, which the user is told.
TEST_F(WorkerSingleTest, YouTubeAndDailymotionKeywordsRunBothPaths) {
    startSite();
    startService({clipLink()});
    const std::string link = dailymotionLink() + "?from=youtube";
    run(WorkMode::Single, job(link, "FLV"));

    const std::vector<std::string> seen = steps(m_host);
    ASSERT_GE(seen.size(), 8u);
    EXPECT_THAT(std::vector<std::string>(seen.begin(), seen.begin() + 8),
                ElementsAre("started:single", "status:" + fr::S1, "status:" + fr::S2,
                            "status:" + fr::S3, "status:" + fr::S4, "status:" + fr::S5("FLV", true),
                            "message:" + fr::Failed + "Impossible d'ouvrir le fichier de page " +
                                out("clipxxx.txt") + " : le fichier ou le dossier n'existe pas",
                            "status:" + fr::R));
    EXPECT_THAT(serviceTargets(), Contains("/fr/Vantaro/kestravo.php?url=" + link));
    EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("clip.flv"))
        << "the YouTube path's result stays, no temporary file";
    EXPECT_THAT(seen, Contains("stopCleanedUp:single")) << "the window is usable again";
}

TEST_F(WorkerSingleTest, ResolverErrorsAreReportedAndEndThePath) {
    startSite();
    startService({"ERROR_SERVER_DWNLD", "ERROR_SOMETHING_ELSE"});

    run(WorkMode::Single, job(youTubeLink(), "MP3"));
    const std::vector<testing::RecordingHost::Message> boxes = m_host.messages();
    ASSERT_EQ(boxes.size(), 2u) << "the reply holds two known codes";
    EXPECT_EQ(boxes[0].kind, MessageKind::Plain);
    EXPECT_EQ(boxes[1].kind, MessageKind::Plain);
    std::vector<std::string> seen = steps(m_host);
    EXPECT_THAT(std::vector<std::string>(seen.end() - 4, seen.end()),
                ElementsAre("status:" + fr::R, "status:" + fr::R, "linkDone", "restore"));
    EXPECT_THAT(seen, Not(Contains("status:" + fr::S4))) << "no media fetch after an error";

    run(WorkMode::Single, job(youTubeLink(), "MP3"));
    EXPECT_EQ(m_host.messages().size(), 2u) << "an unknown code shows no box";
    EXPECT_THAT(testing::filesIn(m_out.path()), IsEmpty());
    EXPECT_FALSE(replyFileLeft());
}

TEST_F(WorkerSingleTest, UnsupportedLinkShowsTheBoxInBothLanguagesAndLeavesNoPage) {
    startSite();
    startService({});
    testing::writeWholeFile(m_web.file("plain.html"), "<html>no video here</html>\n");
    const std::string link = m_nginx->url("/plain.html");

    run(WorkMode::Single, job(link, "MP3"));
    m_context.setLanguage(Language::English);
    run(WorkMode::Single, job(link, "MP3"));

    const std::vector<testing::RecordingHost::Message> boxes = m_host.messages();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].kind, MessageKind::Information);
    EXPECT_EQ(boxes[0].text, fr::M1);
    EXPECT_EQ(boxes[1].text, en::M1);
    const std::vector<std::string> seen = steps(m_host);
    EXPECT_THAT(std::vector<std::string>(seen.begin() + 4, seen.begin() + 9),
                ElementsAre("message:" + fr::M1, "status:" + fr::R, "status:" + fr::R, "linkDone",
                            "restore"));
    EXPECT_THAT(testing::filesIn(m_out.path()), IsEmpty()) << "the page source was left behind";
}

// Errors no step handles: the user is told, the temporary files go, and the window is usable.
TEST_F(WorkerSingleTest, UncaughtErrorsAreShownAndEndLikeAStop) {
    startSite();
    startService({clipLink()});
    const std::vector<std::string> cleanupEnd = {"status:" + fr::R, "stopCleanedUp:single"};

    SCOPED_TRACE("the page file cannot be created");
    run(WorkMode::Single, job(dailymotionLink(), "MP3", "no-such-folder/clip"));
    std::vector<std::string> seen = steps(m_host);
    EXPECT_THAT(
        m_host.messages().back().text,
        StartsWith(fr::Failed + "Impossible de créer le fichier " + out("no-such-folder/clipxxx")));
    EXPECT_EQ(m_host.messages().back().kind, MessageKind::Information);
    EXPECT_THAT(std::vector<std::string>(seen.end() - 2, seen.end()), ElementsAreArray(cleanupEnd));

    SCOPED_TRACE("the converter cannot be started");
    testing::TempFolder emptyProgramFolder("no-converters");
    setProgramFolder(emptyProgramFolder.path());
    m_context.setLanguage(Language::English);
    run(WorkMode::Single, job(youTubeLink(), "MP3"));
    seen = steps(m_host);
    // Like a failed conversion: the download is kept and the box says why and where.
    EXPECT_EQ(m_host.messages().back().text,
              "The conversion to the format MP3 failed. Cannot start " + emptyProgramFolder.path() +
                  "/QrlBin/utilitymff4: the converter cannot be found. The downloaded video was "
                  "kept: " +
                  out("clip.flv"));
    EXPECT_THAT(seen, Contains("status:The conversion to the format MP3 failed"));
    EXPECT_THAT(std::vector<std::string>(seen.end() - 3, seen.end()),
                ElementsAre("status:" + en::R, "linkDone", "restore"));
    EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("clip.flv"));
    fs::remove(out("clip.flv"));
    setProgramFolder(VANTARO_PROGRAM_DIR);

    SCOPED_TRACE("the reply file cannot be written in the current directory");
    m_context.setLanguage(Language::French);
    fs::create_directory(m_work.file(ServiceReplyFileName));
    run(WorkMode::Single, job(youTubeLink(), "MP3"));
    EXPECT_EQ(m_host.messages().back().text, fr::Failed + "Impossible de créer le fichier " +
                                                 std::string(ServiceReplyFileName) +
                                                 " : c'est un dossier");
    seen = steps(m_host);
    EXPECT_THAT(std::vector<std::string>(seen.end() - 2, seen.end()), ElementsAreArray(cleanupEnd));
    EXPECT_TRUE(fs::is_directory(m_work.file(ServiceReplyFileName))) << "not the worker's file";
    EXPECT_THAT(testing::filesIn(m_out.path()), IsEmpty());
}

// A download that did not arrive whole ends its job after the fetch's one box: nothing is
// converted or moved, nothing of the job stays, and the window is as after a failure.
TEST_F(WorkerSingleTest, ADownloadThatDidNotArriveWholeEndsTheJobAfterTheFetchsBox) {
    startSite();
    testing::ScriptedHttpServer media(R"({"routes": {
        "/cut": [{"file": "generated-length.http", "body_bytes": 300000, "reset_after": 150000}],
        "/short": ["short-body.http"],
        "/bad-chunks": ["chunked-malformed.http"],
        "/big": [{"file": "generated-length.http", "body_bytes": 300000}]}})",
                                      {{"LENGTH", "300000"}});
    testing::MountedFolder small(m_web.file("small"), testing::MountedFolder::Kind::Small);
    const struct {
        std::string target, format, folder, box;
    } cases[] = {
        {"/cut", "MP3", m_out.path(), fr::NetworkError},
        {"/short", "FLV", m_out.path(), fr::NetworkError},
        {"/bad-chunks", "AVI", m_out.path(), fr::NetworkError},
        {"/big", "MP3", small.path(),
         "Erreur d'\u00e9criture du fichier " + small.path() + "/clipxxx.flv"},
    };
    std::vector<std::string> replies;
    for (const auto& c : cases)
        replies.push_back(media.url(c.target));
    startService(replies);
    for (const auto& c : cases) {
        if (c.folder == small.path() && !small.mounted()) {
            std::cout << "skipped the full folder: " << small.whyUnavailable() << "\n";
            continue;
        }
        SCOPED_TRACE(c.target);
        const auto before = static_cast<long>(steps(m_host).size());
        run(WorkMode::Single, DownloadJob{youTubeLink(), c.folder, "clip", c.format, "Essai"});
        const std::vector<std::string> seen = steps(m_host);
        EXPECT_THAT(std::vector<std::string>(seen.begin() + before, seen.end()),
                    ElementsAre("started:single", "status:" + fr::S1, "status:" + fr::S2,
                                "status:" + fr::S3, "status:" + fr::S4, "message:" + c.box,
                                "status:" + fr::R, "stopCleanedUp:single"));
        EXPECT_THAT(testing::filesIn(c.folder), IsEmpty());
        EXPECT_FALSE(replyFileLeft());
        EXPECT_EQ(m_host.progressPosition(), m_host.progressMax());
    }
}

TEST_F(WorkerSingleTest, StartSequenceKeepsToOneWorkerAtTheLowestPriority) {
    startSite();
    startService({clipLink()});
    std::atomic<int> priority{-1};
    std::atomic<bool> release{false};
    m_host.onEvent = [&](const std::string& event) {
        if (event == "started:single") {
            priority = static_cast<int>(QThread::currentThread()->priority());
            while (!release.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    start(WorkMode::Single, job(youTubeLink(), "FLV"));
    EXPECT_TRUE(m_worker->workerRunning());
    m_worker->startWorker(job(dailymotionLink(), "FLV", "second"));
    release = true;
    ASSERT_TRUE(waitForEnd());
    EXPECT_FALSE(m_worker->workerRunning());
    EXPECT_EQ(priority.load(), static_cast<int>(QThread::LowestPriority));
    EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("clip.flv")) << "a second worker ran";

    // Another mode than the two does nothing but tell that work started.
    m_host.onEvent = nullptr;
    const std::size_t before = m_host.events().size();
    run(WorkMode::None);
    const std::vector<std::string> events = m_host.events();
    EXPECT_THAT(std::vector<std::string>(events.begin() + static_cast<long>(before), events.end()),
                ElementsAre("started:none"));
}

} // namespace
} // namespace vantaro
