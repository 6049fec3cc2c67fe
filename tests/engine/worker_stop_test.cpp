// SPDX-License-Identifier: GPL-3.0-or-later
// Stopping the download worker in each phase of its work, in both modes, and when the program
// is left while it runs.
#include "WorkerTestBench.h"

#include <gmock/gmock.h>

#include <functional>
#include <mutex>

namespace vantaro {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::steps;
namespace fs = std::filesystem;
namespace fr = testing::fr;

enum class Phase { PageFetch, MediaStreaming, MediaStalled, Conversion };

const char* phaseName(Phase phase) {
    switch (phase) {
    case Phase::PageFetch:
        return "page fetch";
    case Phase::MediaStreaming:
        return "media fetch streaming";
    case Phase::MediaStalled:
        return "media fetch stalled";
    case Phase::Conversion:
        return "conversion";
    }
    return "";
}

constexpr Phase AllPhases[] = {Phase::PageFetch, Phase::MediaStreaming, Phase::MediaStalled,
                               Phase::Conversion};
constexpr std::int64_t MediaBytes = 200 * 1024 * 1024;

class StopRecorder : public StopCommandHost {
public:
    void workStopping() override { events.push_back("stopping"); }
    void restoreWaveVolume() override { events.push_back("volume"); }
    std::vector<std::string> events;
};

class WorkerStopTest : public testing::WorkerTestBench {
protected:
    // The page on the service double, pointing at the media: a paced or stalled generated body
    // on a second scripted server, or a long clip on nginx for the conversion.
    void startPhase(Phase phase) {
        startSite(phase == Phase::Conversion ? 60 : 3);
        std::string media = clipLink();
        if (phase == Phase::MediaStreaming || phase == Phase::MediaStalled) {
            const std::string shape = phase == Phase::MediaStreaming ? "\"pace\": [16384, 0.01]"
                                                                     : "\"stall_after\": 1000";
            m_media = std::make_unique<testing::ScriptedHttpServer>(
                "{\"routes\": {\"/media\": [{\"file\": \"generated-length.http\", "
                "\"body_bytes\": " +
                    std::to_string(MediaBytes) + ", " + shape + "}]}}",
                std::map<std::string, std::string>{{"LENGTH", std::to_string(MediaBytes)}});
            media = m_media->url("/media");
        }
        const std::string page = testing::dailymotionPage(media);
        const std::string item = "{\"text\": " + testing::jsonText(testing::httpOk(page)) +
                                 ", \"substitute\": false" +
                                 (phase == Phase::PageFetch ? ", \"stall_after\": 120" : "") + "}";
        startService({}, ", \"/dailymotion/page\": [" + item + "]");
        m_link = m_service->url("/dailymotion/page");
        m_host.onEvent = [this](const std::string& event) {
            if (event == "status:" + fr::S4 || event == "status:" + fr::L3(1, 2))
                m_mediaFetch = true;
            else if (m_mediaFetch && event.rfind("position:", 0) == 0 && event != "position:0")
                m_mediaFlowing = true;
        };
    }

    // Waits, running the calling thread's events, until the worker is inside the phase.
    bool reached(Phase phase) {
        return testing::waitFor([this, phase] { return inside(phase); },
                                static_cast<int>(std::chrono::milliseconds(Ceiling).count()));
    }
    bool inside(Phase phase) const {
        switch (phase) {
        case Phase::PageFetch:
            return requested(*m_service, "/dailymotion/page");
        case Phase::MediaStreaming:
            return m_mediaFlowing.load();
        case Phase::MediaStalled:
            return requested(*m_media, "/media");
        case Phase::Conversion:
            return !testing::processesMentioning(m_out.path()).empty();
        }
        return false;
    }
    static bool requested(const testing::ScriptedHttpServer& server, const std::string& target) {
        for (const auto& request : server.requests()) {
            if (request.target() == target)
                return true;
        }
        return false;
    }

    // Presses Stop and returns how long the worker took to end.
    std::chrono::milliseconds pressStop() {
        const auto pressed = std::chrono::steady_clock::now();
        stopWork(m_context, m_stop);
        EXPECT_TRUE(waitForEnd(std::chrono::seconds(10))) << "the worker did not end";
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - pressed);
    }

    // Nothing of this run may be left: no file in the folder, no reply file, no converter.
    void expectNothingLeft() {
        EXPECT_THAT(testing::filesIn(m_out.path()), IsEmpty());
        EXPECT_FALSE(replyFileLeft());
        EXPECT_THAT(testing::processesMentioning(m_out.path()), IsEmpty());
    }

    std::unique_ptr<testing::ScriptedHttpServer> m_media;
    std::string m_link;
    std::atomic<bool> m_mediaFetch{false};
    std::atomic<bool> m_mediaFlowing{false};
    StopRecorder m_stop;
};

class WorkerStopPhaseTest : public WorkerStopTest, public ::testing::WithParamInterface<Phase> {};

TEST_P(WorkerStopPhaseTest, SingleLinkCleansUpAndEnds) {
    const Phase phase = GetParam();
    startPhase(phase);
    start(WorkMode::Single, job(m_link, phase == Phase::Conversion ? "iPod" : "MP3"));
    ASSERT_TRUE(reached(phase)) << phaseName(phase);
    const auto took = pressStop();
    RecordProperty("stop_to_end_ms", static_cast<int>(took.count()));

    EXPECT_THAT(m_stop.events, ElementsAre("stopping", "volume"));
    const std::vector<std::string> seen = steps(m_host);
    EXPECT_THAT(std::vector<std::string>(seen.end() - 2, seen.end()),
                ElementsAre("status:" + fr::R, "stopCleanedUp:single"));
    EXPECT_THAT(seen, ::testing::Not(Contains("restore")));
    EXPECT_FALSE(m_context.stopRequested()) << "the cleanup clears the flag";
    EXPECT_EQ(m_host.progressPosition(), m_host.progressMax());
    expectNothingLeft();
}

TEST_P(WorkerStopPhaseTest, ListCleansUpKeepsTheRowAndEnds) {
    const Phase phase = GetParam();
    startPhase(phase);
    m_host.rows = {row(m_link, phase == Phase::Conversion ? "iPod" : "MP3", "one"),
                   row(m_link, "MP3", "two")};
    start(WorkMode::List);
    ASSERT_TRUE(reached(phase)) << phaseName(phase);
    pressStop();

    const std::vector<std::string> seen = steps(m_host);
    EXPECT_THAT(std::vector<std::string>(seen.end() - 2, seen.end()),
                ElementsAre("status:" + fr::R, "stopCleanedUp:list"));
    EXPECT_THAT(seen, ::testing::Not(Contains("deleteRow")));
    EXPECT_EQ(m_host.rows.size(), 2u) << "the current row stays in the list";
    EXPECT_FALSE(m_context.listRunning());
    EXPECT_FALSE(m_context.stopRequested());
    expectNothingLeft();
}

INSTANTIATE_TEST_SUITE_P(Phases, WorkerStopPhaseTest, ::testing::ValuesIn(AllPhases),
                         [](const ::testing::TestParamInfo<Phase>& param) {
                             std::string name = phaseName(param.param);
                             std::erase(name, ' ');
                             return name;
                         });

// A stop after the conversion deletes only an output file this run created: a file of another
// format, or one that was there before, is the user's.
TEST_F(WorkerStopTest, StopAfterConversionDeletesOnlyThisRunsOutput) {
    startSite();
    startService({});
    m_host.onEvent = [this](const std::string& event) {
        if (event.rfind("status:Traitement", 0) == 0)
            requestStop(m_context);
    };
    testing::writeWholeFile(out("clip.mp3"), "the user's earlier MP3");

    run(WorkMode::Single, job(dailymotionLink(), "AVI"));
    EXPECT_EQ(testing::readWholeFile(out("clip.mp3")), "the user's earlier MP3");
    EXPECT_THAT(testing::filesIn(m_out.path()), ElementsAre("clip.mp3")) << "clip.avi stays";

    run(WorkMode::Single, job(dailymotionLink(), "MP3"));
    EXPECT_TRUE(fs::exists(out("clip.mp3"))) << "it existed before this conversion";
    EXPECT_THAT(testing::processesMentioning(m_out.path()), IsEmpty());
    const std::vector<std::string> seen = steps(m_host);
    EXPECT_THAT(std::vector<std::string>(seen.end() - 2, seen.end()),
                ElementsAre("status:" + fr::R, "stopCleanedUp:single"));
}

// Leaving the program: the window asks the worker to stop and waits on the user-interface
// thread, whose events must keep running for the worker's hand-overs to complete.
class WorkerLeaveTest : public WorkerStopTest {
protected:
    void leaveDuring(Phase phase, bool throughStopAndWait) {
        startPhase(phase);
        testing::QueuedHost queued(m_host);
        auto worker = std::make_unique<DownloadWorker>(m_context, queued, serviceHost());
        m_context.clearStop();
        m_context.setWorkMode(WorkMode::Single);
        worker->startWorker(job(m_link, phase == Phase::Conversion ? "iPod" : "MP3"));
        ASSERT_TRUE(reached(phase));
        if (throughStopAndWait) {
            EXPECT_TRUE(worker->stopAndWait(std::chrono::seconds(10)));
            EXPECT_FALSE(worker->workerRunning());
        }
        worker.reset(); // the destructor stops and waits as well
        expectNothingLeft();
        EXPECT_THAT(steps(m_host), Contains("stopCleanedUp:single"))
            << "the cleanup ran to its end";
    }
};

TEST_F(WorkerLeaveTest, StopAndWaitDuringAStalledFetchLeavesNothing) {
    leaveDuring(Phase::MediaStalled, true);
}

TEST_F(WorkerLeaveTest, DestroyingTheLauncherDuringAConversionLeavesNothing) {
    leaveDuring(Phase::Conversion, false);
}

} // namespace
} // namespace vantaro
