// SPDX-License-Identifier: GPL-3.0-or-later
// Jobs that yt-dlp takes over: the real yt-dlp reads HTML5 video pages served on 127.0.0.1 while
// the maker's service is absent (a closed port) or answers only some links.
#include "WorkerTestBench.h"
#include "support/ScopedEnvironment.h"

#include "engine/sources/YtDlpSource.h"
#include "update/ReleaseBench.h"

#include <gmock/gmock.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace vantaro {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using testing::steps;
using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;
namespace fr = testing::fr;
namespace fs = std::filesystem;
using testing::NginxServer;
using testing::ScopedEnvironment;
using testing::writeWholeFile;

std::string videoPage(const std::string& source) {
    return "<html><head><title>clip</title></head><body><video controls><source src=\"" + source +
           "\" type=\"video/mp4\"></video></body></html>\n";
}

// A page describing its clip in schema.org terms; the texts go into the JSON as given.
std::string describedPage(const std::string& site, const std::string& jsonTitle,
                          const std::string& jsonAuthor) {
    return "<html><head><script type=\"application/ld+json\">{\"@context\": "
           "\"https://schema.org\", \"@type\": \"VideoObject\", \"name\": " +
           jsonTitle + ", \"author\": {\"@type\": \"Person\", \"name\": " + jsonAuthor +
           "}, \"thumbnailUrl\": \"" + site + "/cover.png\", \"contentUrl\": \"" + site +
           "/clip.mp4\", "
           "\"uploadDate\": \"2026-01-01\"}</script></head><body></body></html>\n";
}

// Files of the user's beside the download, named like what yt-dlp once wrote there (a partial
// download, a cover, another row's MP3 named like a cover, yt-dlp's own default name): each
// with its own content, which no download may change.
std::vector<std::string> plantNeighbours(const std::string& folder, const std::string& name) {
    std::vector<std::string> names = {name + "xxx.flv.part",  name + "xxx.flv.ytdl",
                                      name + "xxx-cover.jpg", name + "xxx-cover.mp3",
                                      name + "xxx.mkv",       "clip [clip].mp4"};
    for (const std::string& neighbour : names)
        writeWholeFile(folder + "/" + neighbour, "the user's " + neighbour);
    return names;
}

void expectNeighboursKept(const std::string& folder, const std::vector<std::string>& names) {
    for (const std::string& neighbour : names)
        EXPECT_EQ(testing::readWholeFile(folder + "/" + neighbour), "the user's " + neighbour);
}

class WorkerYtDlpTest : public testing::WorkerTestBench {
protected:
    // nginx serves an MP4 clip, a page showing it and a page without media.
    void startPages() {
        const std::string clip = testing::testClip(testing::ClipKind::Mp4, 2);
        ASSERT_FALSE(clip.empty());
        fs::copy_file(clip, m_web.file("clip.mp4"));
        // A clip whose streams (VP8, Vorbis) an FLV holds only after a new encoding.
        const testing::ToolRun webm =
            testing::runTool("ffmpeg", {"-v", "error", "-f", "lavfi", "-i",
                                        "testsrc=duration=2:size=320x240:rate=25", "-f", "lavfi",
                                        "-i", "sine=duration=2", "-c:v", "libvpx", "-c:a",
                                        "libvorbis", m_web.file("clip.webm")});
        ASSERT_EQ(webm.exitCode, 0) << webm.output;
        fs::create_directories(m_web.file("youtube"));
        writeWholeFile(m_web.file("youtube/clip.html"), videoPage("/clip.mp4"));
        writeWholeFile(m_web.file("youtube/other.html"), videoPage("/clip.mp4"));
        writeWholeFile(m_web.file("youtube/webm.html"), videoPage("/clip.webm"));
        writeWholeFile(m_web.file("youtube/none.html"), "<html><body>nothing</body></html>\n");
        m_nginx = std::make_unique<NginxServer>(m_web.path());
    }
    // Runs one job or the list through a worker that lets yt-dlp take over, with its own host;
    // the service is at a closed port unless one was started.
    void runWith(testing::RecordingHost& host, WorkMode mode, const DownloadJob& single = {},
                 const std::string& program = {},
                 std::optional<UpdateSettings> updates = std::nullopt) {
        m_worker = std::make_unique<DownloadWorker>(
            m_context, host, m_service ? serviceHost() : std::string("127.0.0.1:9"));
        m_worker->setYtDlpProgram([program] { return program; });
        if (updates)
            m_worker->setEngineUpdates([updates] { return updates; });
        m_context.clearStop();
        m_context.setWorkMode(mode);
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

// The names yt-dlp writes are the program's own, whatever the job's name: the user's files
// beside the download stay, and what yt-dlp left running when it ended is ended too (the
// program given leaves a process behind, holding the link in its command line).
TEST_F(WorkerYtDlpTest, SingleLinkWithoutServiceIsDownloadedAndConverted) {
    startPages();
    const std::string leaving = m_work.file("leaving-yt-dlp");
    writeWholeFile(leaving, "#!/bin/sh\nfor last; do :; done\nsh -c 'sleep 300; :' \"$last\" "
                            "> /dev/null 2>&1 &\nexec yt-dlp \"$@\"\n");
    fs::permissions(leaving, fs::perms::owner_all);
    // An FLV is really FLV: H.264 and AAC copied into it, other streams encoded anew.
    const struct {
        std::string format, probedFormat, name;
        std::string page = "clip";
        std::vector<std::string> codecs = {};
    } cases[] = {{"MP3", "mp3", "clip"},
                 {"AVI", "avi", "thumbnail:clip"},
                 {"MP3", "mp3", "~$HOME%(id)s"},
                 {"AVI", "avi", "subtitle:x"},
                 {"FLV", "flv", "clip", "clip", {"h264", "aac"}},
                 {"FLV", "flv", "webm", "webm", {"h264", "aac"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format + " " + c.name);
        const std::vector<std::string> neighbours = plantNeighbours(m_out.path(), c.name);
        testing::RecordingHost host;
        runWith(host, WorkMode::Single,
                job(m_nginx->url("/youtube/" + c.page + ".html"), c.format, c.name), leaving);
        EXPECT_THAT(steps(host), ElementsAre("started:single", "status:" + fr::S4,
                                             "status:" + fr::S5(c.format, false), "status:" + fr::R,
                                             "status:" + fr::R, "linkDone", "restore"));
        EXPECT_THAT(host.messages(), IsEmpty());
        EXPECT_GT(host.progressMax(), 0) << "yt-dlp's byte counts drive the bar";
        const std::string result = out(c.name + "." + c.probedFormat);
        std::vector<std::string> expected = neighbours;
        expected.push_back(fs::path(result).filename().string());
        EXPECT_THAT(testing::filesIn(m_out.path()), UnorderedElementsAreArray(expected));
        expectNeighboursKept(m_out.path(), neighbours);
        const testing::Probe probed = testing::probe(result);
        EXPECT_EQ(probed.formatName, c.probedFormat);
        if (c.format == "FLV") {
            EXPECT_THAT(probed.codecs, UnorderedElementsAreArray(c.codecs));
        }
        EXPECT_THAT(processesLeft(m_nginx->url("/youtube/" + c.page + ".html")), IsEmpty());
        EXPECT_FALSE(replyFileLeft());
        for (const std::string& name : testing::filesIn(m_out.path()))
            fs::remove(out(name));
    }
}

// What a page says reaches the MP3 as its artist with no control characters and at most 250
// bytes; a report line beyond 64 KiB is dropped, and the MP3 keeps its cover without artist.
TEST_F(WorkerYtDlpTest, ThePagesTextsReachTheMp3CleanedAndBounded) {
    startPages();
    ASSERT_EQ(testing::runTool("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=64x64",
                                          "-frames:v", "1", m_web.file("cover.png")})
                  .exitCode,
              0);
    // 25 bytes once cleaned, then two-byte characters: 112 of them fit before 250 bytes.
    std::string accents, keptAccents;
    for (int i = 0; i < 300; ++i)
        accents += "\\u00e9";
    for (int i = 0; i < 112; ++i)
        keptAccents += "\u00e9";
    const std::string huge(1 << 20, 'u');
    const struct {
        std::string title, author;
        std::optional<std::string> artist;
    } cases[] = {
        {"\"clip\"", "\"Ann\\nvantaro-progress 1 2 3\\u0001\\u0085" + accents + "\"",
         "Annvantaro-progress 1 2 3" + keptAccents},
        {"\"" + huge + "\"", "\"" + huge + "\"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.author.substr(0, 40));
        writeWholeFile(m_web.file("youtube/described.html"),
                       describedPage(m_nginx->url(""), c.title, c.author));
        testing::RecordingHost host;
        runWith(host, WorkMode::Single, job(m_nginx->url("/youtube/described.html"), "MP3"));
        EXPECT_THAT(host.messages(), IsEmpty());
        testing::Probe mp3 = testing::probe(out("clip.mp3"));
        EXPECT_THAT(mp3.codecs, ElementsAre("mp3", "mjpeg")) << "the cover is attached";
        if (c.artist)
            EXPECT_EQ(mp3.tags["artist"], *c.artist);
        else
            EXPECT_EQ(mp3.tags.count("artist"), 0u);
        EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("clip.mp3"));
        fs::remove(out("clip.mp3"));
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
    runWith(m_host, WorkMode::List);

    const std::vector<std::string> all = steps(m_host);
    const auto firstRowEnd = std::find(all.begin(), all.end(), "deleteRow");
    ASSERT_NE(firstRowEnd, all.end());
    const std::vector<std::string> tail(firstRowEnd + 1, all.end());
    EXPECT_THAT(tail, ElementsAre("rowTaken", "status:" + fr::L1(2, 3), "status:" + fr::L2(2, 3),
                                  "status:" + fr::L3(2, 3), "status:" + fr::L4(2, 3, "FLV"),
                                  "status:" + fr::R, "status:" + fr::R, "rowDone", "deleteRow",
                                  "rowTaken", "status:" + fr::L1(3, 3), "status:" + fr::L2(3, 3),
                                  "status:" + fr::L3(3, 3), "status:" + fr::L4(3, 3, "MP3"),
                                  "status:" + fr::R, "status:" + fr::R, "rowDone", "deleteRow",
                                  "restore", "listEnded"));
    EXPECT_THAT(m_host.messages(), IsEmpty());
    EXPECT_THAT(serviceTargets(),
                ElementsAre("/addVantaroURL.php?u=" + served,
                            "/fr/Vantaro/kestravo.php?url=" + served,
                            "/addVantaroURL.php?u=" + page, "/addVantaroURL.php?u=" + page));
    EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("one.mp3", "three.mp3", "two.flv"));
    // yt-dlp's FLV1 and MP3 streams went into the FLV as they were.
    const testing::Probe two = testing::probe(out("two.flv"));
    EXPECT_EQ(two.formatName, "flv");
    EXPECT_THAT(two.codecs, UnorderedElementsAre("flv1", "mp3")); // in the order packets come
}

// Failures end in the failure box with yt-dlp's reason and leave nothing behind. An https link
// is not sent to the maker's service; a link made like an option is only a bad link.
TEST_F(WorkerYtDlpTest, FailuresShowYtDlpsReasonAndLeaveNothing) {
    startPages();
    m_service = std::make_unique<testing::ScriptedHttpServer>("{\"routes\": {}}");
    const std::string pwned = m_out.file("pwned");
    // The sentence saying what to do comes before yt-dlp's own reason.
    const struct {
        std::string link, reason, advice;
    } cases[] = {
        {m_nginx->url("/youtube/none.html"),
         "Unsupported URL: " + m_nginx->url("/youtube/none.html"),
         "yt-dlp ne reconna\u00eet pas ce lien"},
        {"https://127.0.0.1:" + std::to_string(m_nginx->port()) + "/youtube/clip.html",
         "Unable to download webpage", ""},
        {"--exec=touch " + pwned + " youtube", "is not a valid URL", ""},
    };
    const std::vector<std::string> neighbours = plantNeighbours(m_out.path(), "clip");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        testing::RecordingHost host;
        runWith(host, WorkMode::Single, job(c.link, "MP3"));
        ASSERT_EQ(host.messages().size(), 1u);
        EXPECT_THAT(host.messages()[0].text, StartsWith(fr::Failed + c.advice));
        EXPECT_THAT(host.messages()[0].text, HasSubstr(c.reason));
        EXPECT_THAT(host.messages()[0].text, Not(HasSubstr("ERROR:")));
        EXPECT_THAT(testing::filesIn(m_out.path()), UnorderedElementsAreArray(neighbours));
        expectNeighboursKept(m_out.path(), neighbours);
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
        stopped = true;
        m_context.requestStop();
    };
    runWith(m_host, WorkMode::Single, job(page, "AVI"));
    EXPECT_TRUE(seenRunning);
    EXPECT_THAT(processesLeft(page), IsEmpty());
    EXPECT_THAT(testing::filesIn(m_out.path()), IsEmpty());
    const std::vector<std::string> all = steps(m_host);
    EXPECT_THAT(std::vector<std::string>(all.end() - 2, all.end()),
                ElementsAre("status:" + fr::R, "stopCleanedUp:single"));
    EXPECT_FALSE(m_context.stopRequested());
}

// Without a yt-dlp, or with a service that answers, the site paths run as they always did.
TEST_F(WorkerYtDlpTest, TheSitePathsRunWhenYtDlpIsMissingOrTheServiceAnswers) {
    startSite();
    const std::string marker = m_work.file("yt-dlp-started");
    const std::string watched = m_work.file("watched-yt-dlp");
    writeWholeFile(watched, "#!/bin/sh\ntouch '" + marker + "'\nexec yt-dlp \"$@\"\n");
    fs::permissions(watched, fs::perms::owner_all);

    {
        // A configured program that is not there leaves the own copy and PATH: neither has one.
        fs::create_directories(m_work.file("empty-bin"));
        const ScopedEnvironment path("PATH", m_work.file("empty-bin"));
        const ScopedEnvironment data("XDG_DATA_HOME", m_work.path());
        runWith(m_host, WorkMode::Single, job(youTubeLink(), "MP3"), m_work.file("no-such-yt-dlp"));
    }
    EXPECT_EQ(m_host.messages().size(), 2u) << "report and resolve fail, and the job ends there";
    for (const auto& message : m_host.messages())
        EXPECT_EQ(message.text, fr::NetworkError);

    startService({clipLink()});
    testing::RecordingHost host;
    runWith(host, WorkMode::Single, job(youTubeLink(), "MP3"), watched);
    EXPECT_THAT(host.messages(), IsEmpty());
    ASSERT_GE(steps(host).size(), 2u);
    EXPECT_EQ(steps(host)[1], "status:" + fr::S1);
    EXPECT_TRUE(fs::exists(out("clip.mp3")));
    EXPECT_FALSE(fs::exists(marker)) << "yt-dlp was started while the service answered";
}

// A release page on 127.0.0.1 offering yt-dlp TAG: a zipapp that answers --version and
// otherwise leaves a mark, then runs the system's yt-dlp; its checksum list is signed by key.
std::string releasePage(const std::string& folder, const testing::SigningKey& key,
                        const std::string& mark, bool withFile) {
    const std::string tag = "2025.10.22";
    const std::string source = folder + "/new-yt-dlp";
    fs::create_directories(source);
    writeWholeFile(source + "/__main__.py",
                   "import os, shutil, sys\nif sys.argv[1:] == ['--version']:\n    print('" + tag +
                       "')\n    sys.exit(0)\nopen('" + mark +
                       "', 'w').close()\nos.execv(shutil.which('yt-dlp'), ['yt-dlp'] + "
                       "sys.argv[1:])\n");
    testing::runShell("python3 -m zipapp " + testing::quoted(source) + " -o " +
                      testing::quoted(folder + "/new.pyz") + " -p '/usr/bin/env python3'");
    const std::string program = testing::readWholeFile(folder + "/new.pyz");
    const std::string sums = testing::sha256Hex(folder, program) + "  yt-dlp\n";
    writeWholeFile(folder + "/SHA2-256SUMS", sums);
    key.sign(folder + "/SHA2-256SUMS", folder + "/SHA2-256SUMS.sig");
    const std::string download = "/yt-dlp/download/" + tag + "/";
    std::string routes = "\"/yt-dlp/latest\": [" + testing::redirectItem("/yt-dlp/tag/" + tag) +
                         "], \"/yt-dlp/tag/" + tag + "\": [" + testing::EmptyOk + "]";
    const auto serve = [&](const std::string& name, const std::string& body) {
        writeWholeFile(folder + "/answer-" + name, testing::OkHead + body);
        routes += ", \"" + download + name + "\": [" +
                  testing::fileItem(folder + "/answer-" + name, ", \"length\": true") + "]";
    };
    serve("SHA2-256SUMS", sums);
    serve("SHA2-256SUMS.sig", testing::readWholeFile(folder + "/SHA2-256SUMS.sig"));
    if (withFile)
        serve("yt-dlp", program);
    return "{\"routes\": {" + routes + "}}";
}

// The yt-dlp on PATH is years old: one question a run offers the program's own copy. No goes on
// with the old one; Yes fetches the new one and the job runs with it; a release that cannot be
// fetched says why, and the job goes on with the old one. An own copy that fails as an old one
// does asks with its failure, and the job is tried again with the new copy.
TEST_F(WorkerYtDlpTest, AnOldYtDlpIsOfferedOnceAndReplacedOnYes) {
    startPages();
    const testing::SigningKey key("release");
    // A recent own copy that fails the way an old one does: the question comes with the failure.
    const auto today = std::chrono::year_month_day(
        std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()));
    char version[16];
    std::snprintf(version, sizeof version, "%04d.%02u.%02u", int(today.year()),
                  unsigned(today.month()), unsigned(today.day()));
    const std::string failing = std::string("#!/bin/sh\nif [ \"$1\" = --version ]; then echo ") +
                                version +
                                "; exit 0; fi\necho 'ERROR: [generic] clip: unable to download "
                                "video data: HTTP Error 403: Forbidden'\nexit 1\n";
    const struct {
        std::string name;
        bool yes, withFile, list;
        bool newCopyRan;
        std::size_t informations;
        std::string ownCopy = {};
        std::string asked = "plus de 90 jours";
    } cases[] = {
        {"no", false, true, false, false, 0},
        {"yes", true, true, false, true, 0},
        {"yes, but no file", true, false, false, false, 1},
        {"no, a list of two", false, true, true, false, 0},
        {"a failing copy, yes", true, true, false, true, 0, failing, "HTTP Error 403"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const testing::TempFolder work("offer");
        const std::string mark = work.file("new-copy-ran");
        testing::ScriptedHttpServer releases(releasePage(work.path(), key, mark, c.withFile));
        UpdateSettings updates;
        updates.enginesFolder = work.file("engines/");
        updates.releasesKey = releases.url("");
        updates.keyringPath = key.exportKeyring(work.file("release.gpg"));
        updates.pathValue = std::getenv("PATH");
        updates.ytDlpAsset = "yt-dlp";
        if (!c.ownCopy.empty()) {
            fs::create_directories(updates.enginesFolder);
            writeWholeFile(updates.enginesFolder + "yt-dlp", c.ownCopy);
            fs::permissions(updates.enginesFolder + "yt-dlp", fs::perms(0755));
        }
        testing::RecordingHost host;
        host.queueAnswer(c.yes);
        const std::string page = m_nginx->url("/youtube/clip.html");
        if (c.list)
            host.rows = {row(page, "FLV", "one"), row(page, "FLV", "two")};
        runWith(host, c.list ? WorkMode::List : WorkMode::Single, job(page, "FLV", "one"), {},
                updates);
        std::size_t questions = 0;
        std::size_t informations = 0;
        for (const auto& message : host.messages()) {
            questions += message.kind == MessageKind::Confirmation;
            informations += message.kind == MessageKind::Information;
        }
        EXPECT_EQ(questions, 1u);
        EXPECT_EQ(informations, c.informations);
        ASSERT_FALSE(host.messages().empty());
        EXPECT_THAT(host.messages()[0].text, HasSubstr(c.asked));
        EXPECT_EQ(fs::exists(mark), c.newCopyRan);
        EXPECT_EQ(fs::exists(work.file("engines/yt-dlp")), c.yes && c.withFile);
        EXPECT_EQ(releases.requests().empty(), !c.yes) << "fetched only on Yes";
        EXPECT_EQ(testing::probe(out("one.flv")).formatName, "flv") << "the job went on";
        if (c.list) {
            EXPECT_EQ(testing::probe(out("two.flv")).formatName, "flv");
        }
        for (const std::string& name : testing::filesIn(m_out.path()))
            fs::remove(out(name));
    }
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
        // Numbers or "NA" only, three of them: anything else a page could print is no progress.
        {"vantaro-progress 10 NA NA 4", std::nullopt},
        {"vantaro-progress 10 -20 NA", std::nullopt},
        {"vantaro-progress 10 NA 5e3", std::nullopt},
        {"vantaro-progress 10  NA", std::nullopt},
        {"vantaro-progress 10 20 NA /home/me/notes.txt", std::nullopt},
        {"vantaro-progress 1234567890123456789 NA NA", std::nullopt},
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

    const auto args = ytDlpArguments("-x", "WAVE");
    ASSERT_GE(args.size(), 2u);
    EXPECT_EQ(args[args.size() - 2], "--");
    EXPECT_EQ(args.back(), "-x");
    const auto after = [](const std::vector<std::string>& all, const std::string& option) {
        const auto it = std::find(all.begin(), all.end(), option);
        return it == all.end() || it + 1 == all.end() ? std::string() : *(it + 1);
    };
    // yt-dlp writes only names of ours, in its working folder, never a name of the job's.
    EXPECT_EQ(after(args, "--output"), "download.flv");
    EXPECT_EQ(after(args, "--paths"), ".");
    EXPECT_EQ(after(args, "--format"), "ba/b");
    EXPECT_EQ(ytDlpArguments("l", "AVI")[0], "--ignore-config");
    const auto mp3 = ytDlpArguments("l", "MP3");
    EXPECT_EQ(std::count(mp3.begin(), mp3.end(), "thumbnail:cover"), 1);
}

// What yt-dlp reports is one JSON string, and a path it names counts only inside the work
// folder; the folder goes whole without following a link out of it.
TEST(YtDlpSourceTest, ReportsAndTheWorkFolder) {
    const struct {
        std::string line;
        std::optional<std::string> text;
    } lines[] = {
        {"\"/dl/a b.mkv\"\n", "/dl/a b.mkv"},
        {R"("Ann\nvantaro-file /etc/passwd\u00e9\ud83c\udfb5")",
         "Ann\nvantaro-file /etc/passwd\u00e9\U0001f3b5"},
        {R"("\udcff\ud800x")", "\xff\ufffdx"}, // a byte of a name that is not UTF-8; a lone half
        {"\"a\"\n\"b\"\n", std::nullopt},
        {"\"a\" \"b\"", std::nullopt},
        {"\"a\nb\"", std::nullopt}, // a raw line break
        {R"("a\")", std::nullopt},
        {R"("\u12")", std::nullopt},
        {R"("\x")", std::nullopt},
        {"null", std::nullopt},
        {"NA", std::nullopt},
        {"\"", std::nullopt},
    };
    for (const auto& c : lines)
        EXPECT_EQ(parseYtDlpJsonString(c.line), c.text) << c.line;

    testing::TempFolder scratch("ytdlp-work");
    const std::string outside = scratch.file("notes.txt");
    writeWholeFile(outside, "the user's notes");
    fs::create_directories(scratch.file("other"));
    writeWholeFile(scratch.file("other/kept"), "kept");
    std::string folderPath;
    {
        const JobWorkFolder folder(scratch.path());
        folderPath = folder.path();
        EXPECT_EQ(fs::path(folderPath).parent_path(), fs::path(scratch.path()));
        writeWholeFile(folder.file("download.mkv"), "media");
        fs::create_directories(folder.file("sub/deeper"));
        writeWholeFile(folder.file("sub/deeper/part"), "part");
        fs::create_symlink(outside, folder.file("link"));
        fs::create_directory_symlink(scratch.file("other"), folder.file("sub/folder-link"));
        const struct {
            std::string reported;
            bool accepted;
        } paths[] = {
            {folder.file("download.mkv"), true},
            {"download.mkv", true},
            {folder.file("sub/../download.mkv"), true},
            {outside, false},
            {folder.file("../notes.txt"), false},
            {folder.file("link"), false},
            {folder.file("sub"), false},
            {folder.file("missing.mkv"), false},
            {folder.path(), false},
            {"", false},
            {folder.file("download.mkv") + std::string(1, '\0') + "x", false},
        };
        for (const auto& p : paths)
            EXPECT_EQ(fileInsideFolder(folder.path(), p.reported).has_value(), p.accepted)
                << p.reported;
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(folderPath)));
    EXPECT_EQ(testing::readWholeFile(outside), "the user's notes");
    EXPECT_EQ(testing::readWholeFile(scratch.file("other/kept")), "kept");
}

// What yt-dlp is asked for: the format's picture and sort, and the arguments its version calls
// for, before the link.
TEST(YtDlpSourceTest, ArgumentsPerFormatAndVersion) {
    const std::optional<DateVersion> old = DateVersion{2023, 3, 4, 0};
    const std::optional<DateVersion> lastWithout = DateVersion{2025, 11, 11, 0};
    const std::optional<DateVersion> recent = DateVersion{2026, 2, 1, 0};
    const JsRuntime deno{"deno", "/opt/deno/deno"};
    const struct {
        std::string format;
        std::optional<DateVersion> version;
        JsRuntime runtime;
        std::string selection, sort, runtimes;
    } cases[] = {
        {"MP3", old, deno, "ba/b", "", ""},
        {"WAVE", recent, deno, "ba/b", "", "deno:/opt/deno/deno"},
        {"MPEG", old, {}, "bv*+ba/b", "res:240,vcodec:h264,acodec:aac", ""},
        {"PSP", old, {}, "bv*+ba/b", "res:240,vcodec:h264,acodec:aac", ""},
        {"iPod", old, {}, "bv*+ba/b", "res:480,vcodec:h264,acodec:aac", ""},
        {"Xvid", old, {}, "bv*+ba/b", "res:480,vcodec:h264,acodec:aac", ""},
        {"DV 16/9", old, {}, "bv*+ba/b", "res:576,vcodec:h264,acodec:aac", ""},
        {"VOB", old, {}, "bv*+ba/b", "res:576,vcodec:h264,acodec:aac", ""},
        {"HD", lastWithout, deno, "bv*+ba/b", "res:720,vcodec:h264,acodec:aac", ""},
        {"AVI", recent, deno, "bv*+ba/b", "res:1080,vcodec:h264,acodec:aac", "deno:/opt/deno/deno"},
        {"FLV", recent, {"node", "node"}, "bv*+ba/b", "res:1080,vcodec:h264,acodec:aac", ""},
        {"WMV", std::nullopt, deno, "bv*+ba/b", "res:1080,vcodec:h264,acodec:aac", ""},
        {"no such format", old, {}, "bv*+ba/b", "vcodec:h264,acodec:aac", ""},
    };
    const auto after = [](const std::vector<std::string>& all, const std::string& option) {
        const auto it = std::find(all.begin(), all.end(), option);
        return it == all.end() || it + 1 == all.end() ? std::string() : *(it + 1);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const auto args =
            ytDlpArguments("-S", c.format, ytDlpVersionArguments(c.version, c.runtime));
        EXPECT_EQ(after(args, "--format"), c.selection);
        EXPECT_EQ(std::count(args.begin(), args.end(), "--format"), 1);
        EXPECT_EQ(std::count(args.begin(), args.end(), "-S"), c.sort.empty() ? 1 : 2);
        if (!c.sort.empty()) {
            EXPECT_EQ(after(args, "-S"), c.sort);
        }
        EXPECT_EQ(after(args, "--js-runtimes"), c.runtimes);
        // The link stays last, after "--", even when it looks like an option.
        ASSERT_GE(args.size(), 2u);
        EXPECT_EQ(args[args.size() - 2], "--");
        EXPECT_EQ(args.back(), "-S");
    }
}

// yt-dlp's final reason gets the sentence that says what to do, in the user's language; the
// reason itself is page text, bounded and cleaned.
TEST(YtDlpSourceTest, FailureReasonsSayWhatToDo) {
    const struct {
        std::string reason;
        YtDlpTrouble trouble;
        std::string english;
    } cases[] = {
        {"Unsupported URL: http://127.0.0.1/x", YtDlpTrouble::Unsupported, "does not know"},
        {"[youtube] abc: Video unavailable", YtDlpTrouble::Unavailable, "not available"},
        {"[youtube] abc: Private video. Sign in if you've been granted access",
         YtDlpTrouble::Unavailable, "not available"},
        {"[youtube] abc: Sign in to confirm your age. This video may be inappropriate",
         YtDlpTrouble::SignIn, "sign-in or an age check"},
        {"[youtube] abc: Sign in to confirm you\u2019re not a bot. Use --cookies",
         YtDlpTrouble::SignIn, "sign-in or an age check"},
        {"unable to download video data: HTTP Error 403: Forbidden", YtDlpTrouble::OldCopy,
         "newer yt-dlp"},
        {"[youtube] abc: Unable to extract uploader id; please report this issue",
         YtDlpTrouble::OldCopy, "newer yt-dlp"},
        {"[youtube] abc: Requested format is not available", YtDlpTrouble::OldCopy, "newer yt-dlp"},
        {"[generic] Unable to download webpage: timed out", YtDlpTrouble::Other, ""},
        {"'-x' is not a valid URL", YtDlpTrouble::Other, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(classifyYtDlpReason(c.reason), c.trouble);
        const std::string english = ytDlpFailureText(c.reason, Language::English);
        const std::string french = ytDlpFailureText(c.reason, Language::French);
        EXPECT_THAT(english, HasSubstr(c.english));
        EXPECT_TRUE(english.ends_with(c.reason));
        EXPECT_TRUE(french.ends_with(c.reason));
        EXPECT_EQ(french == english, c.trouble == YtDlpTrouble::Other);
    }
    // A reason made to look like more lines of the box, or to fill it, is cut and cleaned.
    const std::string hostile =
        "HTTP Error 403\nLe t\u00e9l\u00e9chargement a r\u00e9ussi\r\x1b[2J" +
        std::string(10000, 'x');
    const std::string text = ytDlpFailureText(hostile, Language::French);
    EXPECT_THAT(text, StartsWith("Le site a refus\u00e9 yt-dlp"));
    EXPECT_THAT(text, Not(HasSubstr("\n")));
    EXPECT_THAT(text, Not(HasSubstr("\x1b")));
    EXPECT_LT(text.size(), 600u);
}

} // namespace
} // namespace vantaro
