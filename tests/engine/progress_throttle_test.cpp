// SPDX-License-Identifier: GPL-3.0-or-later
// The worker's progress coalescing in front of the window's host.
#include "engine/ProgressThrottle.h"
#include "engine/WorkerTexts.h"

#include "core/Language.h"

#include "support/RecordingHost.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vantaro {
namespace {

using ::testing::ElementsAre;
using testing::RecordingHost;

TEST(ProgressThrottleTest, ManySmallStepsBecomeFewHandOversEndingOnTheExactCount) {
    RecordingHost window;
    ProgressThrottle throttle(window);
    const std::int64_t total = 1024LL * 1024 * 1024;
    throttle.setProgressMax(total);
    throttle.setProgressPosition(0);
    std::int64_t position = 0;
    for (; position + 32768 < total; position += 32768)
        throttle.setProgressPosition(position + 32768);
    throttle.setProgressPosition(total - 5); // the last block is a short one, held back
    throttle.setStatus("next");

    const std::vector<std::string> positions = window.eventsStartingWith("position:");
    EXPECT_LE(positions.size(), 2u * ProgressThrottle::VisibleSteps + 50)
        << "32768 blocks should not mean 32768 hand-overs";
    EXPECT_EQ(positions.back(), std::to_string(total - 5)) << "the final count is exact";
    const std::vector<std::string> events = window.events();
    EXPECT_EQ(events.back(), "status:next");
    EXPECT_EQ(events[events.size() - 2], "position:" + std::to_string(total - 5))
        << "a held-back position reaches the window before the next request";
    EXPECT_EQ(throttle.positionsForwarded(), static_cast<std::int64_t>(positions.size()));
}

TEST(ProgressThrottleTest, SmallBarsAndEdgesGoThroughAtOnceAndReadsNeedNoHandOver) {
    RecordingHost window;
    ProgressThrottle throttle(window);
    throttle.setProgressMax(100);
    EXPECT_EQ(throttle.progressPosition(), 0) << "read from the window after a new maximum";
    for (int step = 1; step <= 3; ++step)
        throttle.setProgressPosition(throttle.progressPosition() + 1);
    throttle.setProgressPosition(throttle.progressMax());
    throttle.setProgressPosition(100); // already shown
    throttle.setProgressMax(5000);
    throttle.setProgressPosition(0);
    EXPECT_THAT(window.events(), ElementsAre("max:100", "position:1", "position:2", "position:3",
                                             "position:100", "max:5000", "position:0"));
}

// Every event of the run reaches the window, after a position held back: a throttle that kept
// one would leave the window's controls as the run found them.
TEST(ProgressThrottleTest, RunEventsGoThroughAfterAHeldBackPosition) {
    const struct {
        std::function<void(WorkerHost&)> tell;
        std::string seen;
    } cases[] = {
        {[](WorkerHost& h) { h.workStarted(WorkMode::Single); }, "started:single"},
        {[](WorkerHost& h) { h.workStarted(WorkMode::List); }, "started:list"},
        {[](WorkerHost& h) { h.rowTaken(); }, "rowTaken"},
        {[](WorkerHost& h) { h.rowDone(); }, "rowDone"},
        {[](WorkerHost& h) { h.linkDone(); }, "linkDone"},
        {[](WorkerHost& h) { h.stopCleanedUp(WorkMode::Single); }, "stopCleanedUp:single"},
        {[](WorkerHost& h) { h.stopCleanedUp(WorkMode::List); }, "stopCleanedUp:list"},
        {[](WorkerHost& h) { h.listStoppedBetweenRows(); }, "stoppedBetweenRows"},
        {[](WorkerHost& h) { h.listEnded(); }, "listEnded"},
        {[](WorkerHost& h) { h.restoreMainWindow(); }, "restore"},
        {[](WorkerHost& h) { h.deleteFirstListRow(); }, "deleteRow"},
    };
    for (const auto& c : cases) {
        RecordingHost window;
        ProgressThrottle throttle(window);
        throttle.setProgressMax(1000000);
        throttle.setProgressPosition(1000);
        throttle.setProgressPosition(1001); // too small a step: held back
        c.tell(throttle);
        EXPECT_THAT(window.events(),
                    ElementsAre("max:1000000", "position:1000", "position:1001", c.seen))
            << c.seen;
    }
}

TEST(WorkerTextsTest, FilledValuesAreNeverReadAsPlaceholders) {
    EXPECT_EQ(workerText(WorkerText::ListConverting, Language::French, {"{n}{fmt}", 2, 7}),
              "(Lien 2/7) Traitement de la video vers le format {n}{fmt}..");
    EXPECT_EQ(workerText(WorkerText::Converting, Language::English, {"{total", 0, 0}),
              "Processing the video to the format : {total");
}

} // namespace
} // namespace vantaro
