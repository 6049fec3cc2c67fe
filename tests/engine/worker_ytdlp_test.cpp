// SPDX-License-Identifier: GPL-3.0-or-later
// Jobs that yt-dlp takes over: the real yt-dlp reads HTML5 video pages served on 127.0.0.1 while
// the maker's service is absent (a closed port) or answers only some links.
#include "WorkerTestBench.h"

#include "engine/YtDlpSource.h"

#include <gmock/gmock.h>

namespace vantaro {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using testing::steps;
namespace fr = testing::fr;
namespace fs = std::filesystem;
using testing::NginxServer;
using testing::writeWholeFile;

std::string videoPage(const std::string& source) {
    return "<html><head><title>clip</title></head><body><video controls><source src=\"" + source +
           "\" type=\"video/mp4\"></video></body></html>\n";
}

class WorkerYtDlpTest : public testing::WorkerTestBench {
protected:
    // nginx serves an MP4 clip, a page showing it and a page without media.
    void startPages() {
        const std::string clip = testing::testClip(testing::ClipKind::Mp4, 2);
        ASSERT_FALSE(clip.empty());
        fs::copy_file(clip, m_web.file("clip.mp4"));
        fs::create_directories(m_web.file("youtube"));
        writeWholeFile(m_web.file("youtube/clip.html"), videoPage("/clip.mp4"));
        writeWholeFile(m_web.file("youtube/other.html"), videoPage("/clip.mp4"));
        writeWholeFile(m_web.file("youtube/none.html"), "<html><body>nothing</body></html>\n");
        m_nginx = std::make_unique<NginxServer>(m_web.path());
    }
    // Runs one job or the list through a worker that lets yt-dlp take over, with its own host;
    // the service is at a closed port unless one was started.
    void runWith(testing::RecordingHost& host, int mode, const DownloadJob& single = {},
                 const std::string& program = {}) {
        m_worker = std::make_unique<DownloadWorker>(host, m_service ? serviceHost()
                                                                    : std::string("127.0.0.1:9"));
        m_worker->setYtDlpProgram([program] { return program; });
        StopRequested = false;
        WorkMode = mode;
        m_worker->startWorker(single);
        const bool ended = waitForEnd();
        m_worker.reset(); // before the host, which may be the caller's own
        ASSERT_TRUE(ended) << "the worker did not end";
    }
    // Processes still running whose command line holds the link: yt-dlp and its children.
    static std::vector<int> processesLeft(const std::string& link) {
        std::vector<int> alive;
        for (const int pid : testing::processesMentioning(link))
            if (testing::processAlive(pid))
                alive.push_back(pid);
        return alive;
    }
};

TEST_F(WorkerYtDlpTest, SingleLinkWithoutServiceIsDownloadedAndConverted) {
    startPages();
    const struct { std::string format, probedFormat; } cases[] = {{"MP3", "mp3"}, {"AVI", "avi"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        testing::RecordingHost host;
        runWith(host, WorkModeSingle, job(m_nginx->url("/youtube/clip.html"), c.format));
        EXPECT_THAT(steps(host), ElementsAre("Button5 on", "Button4 off", "status:" + fr::S4,
                                             "status:" + fr::S5(c.format, false), "status:" + fr::R,
                                             "status:" + fr::R, "Button4 on", "restore"));
        EXPECT_THAT(host.messages(), IsEmpty());
        EXPECT_GT(host.progressMax(), 0) << "yt-dlp's byte counts drive the bar";
        const std::string result = out("clip." + c.probedFormat);
        EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre(fs::path(result).filename()));
        EXPECT_EQ(testing::probe(result).formatName, c.probedFormat);
        EXPECT_THAT(processesLeft(m_nginx->url("/youtube/clip.html")), IsEmpty());
        EXPECT_FALSE(replyFileLeft());
        fs::remove(result);
    }
}

// Each row picks its own road: the service answers the first row's report only.
TEST_F(WorkerYtDlpTest, ListRowsTakeTheServiceOrYtDlpEachByItsOwnReport) {
    startSite();
    const std::string served = youTubeLink();
    m_service = std::make_unique<testing::ScriptedHttpServer>(
        "{\"routes\": {" + testing::jsonText("/addVantaroURL.php?u=" + served) +
        ": [{\"text\": " + testing::jsonText(testing::httpOk("ok")) +
        "}], \"/fr/Vantaro/kestravo.php\": [{\"text\": " +
        testing::jsonText(testing::httpOk(clipLink())) + ", \"substitute\": false}]}}");
    writeWholeFile(m_web.file("youtube/clip.html"), videoPage("/clip.flv"));
    const std::string page = m_nginx->url("/youtube/clip.html");
    m_host.rows = {row(served, "MP3", "one"), row(page, "FLV", "two"), row(page, "MP3", "three")};
    runWith(m_host, WorkModeList);

    const std::vector<std::string> all = steps(m_host);
    const auto firstRowEnd = std::find(all.begin(), all.end(), "deleteRow");
    ASSERT_NE(firstRowEnd, all.end());
    const std::vector<std::string> tail(firstRowEnd + 1, all.end());
    EXPECT_THAT(
        tail, ElementsAre("StringGrid1 off", "status:" + fr::L1(2, 3), "status:" + fr::L2(2, 3),
                          "status:" + fr::L3(2, 3), "status:" + fr::L4(2, 3, "FLV"),
                          "status:" + fr::R, "StringGrid1 on", "deleteRow", "StringGrid1 off",
                          "status:" + fr::L1(3, 3), "status:" + fr::L2(3, 3),
                          "status:" + fr::L3(3, 3), "status:" + fr::L4(3, 3, "MP3"),
                          "status:" + fr::R, "status:" + fr::R, "StringGrid1 on", "deleteRow",
                          "restore", "Button7 on", "Button6 on", "StringGrid1 on", "Button5 off"));
    EXPECT_THAT(m_host.messages(), IsEmpty());
    EXPECT_THAT(serviceTargets(),
                ElementsAre("/addVantaroURL.php?u=" + served,
                            "/fr/Vantaro/kestravo.php?url=" + served,
                            "/addVantaroURL.php?u=" + page, "/addVantaroURL.php?u=" + page));
    EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("one.mp3", "three.mp3", "two.flv"));
    EXPECT_EQ(testing::probe(out("two.flv")).formatName, "flv");
}

// Failures end in the failure box with yt-dlp's reason and leave nothing behind. An https link
// is not sent to the maker's service; a link made like an option is only a bad link.
TEST_F(WorkerYtDlpTest, FailuresShowYtDlpsReasonAndLeaveNothing) {
    startPages();
    m_service = std::make_unique<testing::ScriptedHttpServer>("{\"routes\": {}}");
    const std::string pwned = m_out.file("pwned");
    const struct {
        std::string link, reason;
    } cases[] = {
        {m_nginx->url("/youtube/none.html"),
         "Unsupported URL: " + m_nginx->url("/youtube/none.html")},
        {"https://127.0.0.1:" + std::to_string(m_nginx->port()) + "/youtube/clip.html",
         "Unable to download webpage"},
        {"--exec=touch " + pwned + " youtube", "is not a valid URL"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        testing::RecordingHost host;
        runWith(host, WorkModeSingle, job(c.link, "MP3"));
        ASSERT_EQ(host.messages().size(), 1u);
        EXPECT_THAT(host.messages()[0].text, StartsWith(fr::Failed));
        EXPECT_THAT(host.messages()[0].text, HasSubstr(c.reason));
        EXPECT_THAT(host.messages()[0].text, Not(HasSubstr("ERROR:")));
        EXPECT_THAT(testing::filesIn(m_out.path()), IsEmpty());
        EXPECT_THAT(processesLeft(c.link), IsEmpty());
    }
    for (const std::string& target : serviceTargets())
        EXPECT_THAT(target, Not(HasSubstr("https"))) << "the https link was reported";
    EXPECT_EQ(serviceTargets().size(), 2u);
}

TEST_F(WorkerYtDlpTest, StopDuringTheDownloadEndsYtDlpAndLeavesNoFile) {
    // The media comes slowly: a kilobyte every 50 ms of a 2 MB body.
    m_service = std::make_unique<testing::ScriptedHttpServer>(
        "{\"routes\": {\"/youtube/slow.html\": [{\"text\": " +
        testing::jsonText(testing::httpOk(videoPage("/slow.mp4"))) + "}], \"/slow.mp4\": " +
        "[{\"text\": \"HTTP/1.1 200 OK\\r\\nContent-Type: video/mp4\\r\\nContent-Length: "
        "2000000\\r\\n\\r\\n\", \"body_bytes\": 2000000, \"pace\": [1024, 0.05]}]}}");
    const std::string page = "http://" + serviceHost() + "/youtube/slow.html";
    // Stop as soon as the bar first moves, once, and see that yt-dlp was running then.
    bool seenRunning = false;
    m_host.onEvent = [&, stopped = false](const std::string& event) mutable {
        if (stopped || event.rfind("position:", 0) != 0 || event == "position:0")
            return;
        seenRunning = !processesLeft(page).empty();
        stopped = StopRequested = true;
    };
    runWith(m_host, WorkModeSingle, job(page, "AVI"));
    EXPECT_TRUE(seenRunning);
    EXPECT_THAT(processesLeft(page), IsEmpty());
    EXPECT_THAT(testing::filesIn(m_out.path()), IsEmpty());
    const std::vector<std::string> all = steps(m_host);
    EXPECT_THAT(std::vector<std::string>(all.end() - 3, all.end()),
                ElementsAre("status:" + fr::R, "Button4 on", "Button5 off"));
    EXPECT_FALSE(StopRequested.load());
}

// Without a yt-dlp, or with a service that answers, the site paths run as they always did.
TEST_F(WorkerYtDlpTest, TheSitePathsRunWhenYtDlpIsMissingOrTheServiceAnswers) {
    startSite();
    const std::string marker = m_work.file("yt-dlp-started");
    const std::string watched = m_work.file("watched-yt-dlp");
    writeWholeFile(watched, "#!/bin/sh\ntouch '" + marker + "'\nexec yt-dlp \"$@\"\n");
    fs::permissions(watched, fs::perms::owner_all);

    runWith(m_host, WorkModeSingle, job(youTubeLink(), "MP3"), m_work.file("no-such-yt-dlp"));
    EXPECT_EQ(m_host.messages().size(), 2u) << "report and resolve fail, and the job ends there";
    for (const auto& message : m_host.messages())
        EXPECT_EQ(message.text, fr::NetworkError);

    startService({clipLink()});
    testing::RecordingHost host;
    runWith(host, WorkModeSingle, job(youTubeLink(), "MP3"), watched);
    EXPECT_THAT(host.messages(), IsEmpty());
    ASSERT_GE(steps(host).size(), 3u);
    EXPECT_EQ(steps(host)[2], "status:" + fr::S1);
    EXPECT_TRUE(fs::exists(out("clip.mp3")));
    EXPECT_FALSE(fs::exists(marker)) << "yt-dlp was started while the service answered";
}

TEST(YtDlpSourceTest, ProgressLinesAndArguments) {
    const struct {
        std::string line;
        std::optional<std::pair<std::int64_t, std::int64_t>> progress;
    } lines[] = {
        {"vantaro-progress 1024 46166 NA", std::pair<std::int64_t, std::int64_t>{1024, 46166}},
        {"vantaro-progress 10 NA 5000.7", std::pair<std::int64_t, std::int64_t>{10, 5000}},
        {"vantaro-progress 10 NA NA", std::pair<std::int64_t, std::int64_t>{10, 0}},
        {"vantaro-progress NA NA NA", std::nullopt},
        {"[download] 10%", std::nullopt},
    };
    for (const auto& c : lines) {
        const auto parsed = parseYtDlpProgress(c.line);
        ASSERT_EQ(parsed.has_value(), c.progress.has_value()) << c.line;
        if (parsed) {
            EXPECT_EQ(std::make_pair(parsed->received, parsed->total), *c.progress) << c.line;
        }
    }
    EXPECT_EQ(ytDlpErrorReason("ERROR: Unsupported URL: x"), "Unsupported URL: x");
    EXPECT_EQ(ytDlpErrorReason("WARNING: ERROR: x"), std::nullopt);

    const auto args = ytDlpArguments("-x", "100%xxx.flv", "WAVE");
    ASSERT_GE(args.size(), 2u);
    EXPECT_EQ(args[args.size() - 2], "--");
    EXPECT_EQ(args.back(), "-x");
    const auto after = [&](const std::string& option) {
        const auto it = std::find(args.begin(), args.end(), option);
        return it == args.end() || it + 1 == args.end() ? std::string() : *(it + 1);
    };
    EXPECT_EQ(after("--output"), "100%%xxx.flv");
    EXPECT_EQ(after("--format"), "ba/b");
    EXPECT_EQ(ytDlpArguments("l", "n", "AVI")[0], "--ignore-config");
}

} // namespace
} // namespace vantaro
