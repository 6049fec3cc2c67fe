// SPDX-License-Identifier: GPL-3.0-or-later
// The figures line under the Stop button and the notice at the end of a run.
#include "app/TransferFigures.h"
#include "app/WorkNotice.h"

#include <gtest/gtest.h>

namespace vantaro {
namespace {

using namespace std::chrono;
using Clock = TransferMeter::Clock;

struct FiguresCase {
    std::int64_t bytes;
    std::int64_t total; // 0: unknown
    microseconds elapsed;
    const char* french;
    const char* english;
};

TEST(TransferFiguresTest, BytesTotalSpeedAndTimeLeftInBothLanguages) {
    const FiguresCase cases[] = {
        {12'300'000, 45'600'000, microseconds(3'843'750),
         "12,3 Mo sur 45,6 Mo \u00b7 3,2 Mo/s \u00b7 encore 0:11",
         "12.3 MB of 45.6 MB \u00b7 3.2 MB/s \u00b7 0:11 left"},
        // Unknown total: no "of", no time left.
        {5'000'000, 0, seconds(2), "5,0 Mo \u00b7 2,5 Mo/s", "5.0 MB \u00b7 2.5 MB/s"},
        // Nothing arrived: a speed of zero and no time left.
        {0, 1'000'000, seconds(5), "0 o sur 1,0 Mo \u00b7 0 o/s", "0 B of 1.0 MB \u00b7 0 B/s"},
        // Too early for a speed.
        {100, 1'000'000, milliseconds(100), "100 o sur 1,0 Mo", "100 B of 1.0 MB"},
        // Hours left.
        {1'000'000, 4'000'000'000, seconds(1),
         "1,0 Mo sur 4,0 Go \u00b7 1,0 Mo/s \u00b7 encore 1:06:39",
         "1.0 MB of 4.0 GB \u00b7 1.0 MB/s \u00b7 1:06:39 left"},
        // Beyond 4 GiB, and a rounding that moves up a unit.
        {5'000'000'000, 6'442'450'944, seconds(50),
         "5,0 Go sur 6,4 Go \u00b7 100,0 Mo/s \u00b7 encore 0:15",
         "5.0 GB of 6.4 GB \u00b7 100.0 MB/s \u00b7 0:15 left"},
        {999'960, 999'960, seconds(1), "1,0 Mo sur 1,0 Mo \u00b7 1,0 Mo/s",
         "1.0 MB of 1.0 MB \u00b7 1.0 MB/s"},
    };
    for (const FiguresCase& c : cases) {
        for (const bool english : {false, true}) {
            TransferMeter meter;
            const Clock::time_point start{};
            meter.setMaximum(c.total, start);
            meter.setPosition(c.bytes, start + c.elapsed);
            EXPECT_EQ(meter.text(start + c.elapsed, english), english ? c.english : c.french)
                << c.bytes << " of " << c.total;
        }
    }
}

TEST(TransferFiguresTest, SpeedFollowsTheLastSecondsAndFallsToZeroWhenStalled) {
    TransferMeter meter;
    const Clock::time_point start{};
    meter.setMaximum(100'000'000, start);
    std::int64_t bytes = 0;
    for (int tenth = 1; tenth <= 100; ++tenth) // 1 MB/s for ten seconds
        meter.setPosition(bytes += 100'000, start + milliseconds(100 * tenth));
    for (int tenth = 1; tenth <= 40; ++tenth) // then 4 MB/s for four
        meter.setPosition(bytes += 400'000, start + seconds(10) + milliseconds(100 * tenth));
    EXPECT_EQ(meter.text(start + seconds(14), true),
              "26.0 MB of 100.0 MB \u00b7 4.0 MB/s \u00b7 0:19 left");
    EXPECT_EQ(meter.text(start + seconds(30), false), "26,0 Mo sur 100,0 Mo \u00b7 0 o/s");
    EXPECT_DOUBLE_EQ(*meter.fraction(), 0.26);

    meter.startConversion(start + seconds(40));
    EXPECT_EQ(meter.text(start + seconds(82), false), "Conversion \u00b7 0:42");
    EXPECT_EQ(meter.text(start + seconds(82), true), "Converting \u00b7 0:42");
    EXPECT_FALSE(meter.fraction());
    meter.clear();
    EXPECT_EQ(meter.text(start + seconds(90), true), "");
}

TEST(WorkNoticeTest, NamesTheFileTheFailureOrTheListCounts) {
    struct Case {
        WorkSummary summary;
        std::string message;
        bool english;
        std::optional<std::pair<std::string, std::string>> expected;
    };
    const Case cases[] = {
        {{false, false, "/out/clip.mp3", 0, 0},
         "",
         false,
         {{"T\u00e9l\u00e9chargement termin\u00e9", "/out/clip.mp3"}}},
        {{false, false, "", 0, 0},
         "\r\nErreur de connexion r\u00e9seau!\r\nD\u00e9tails",
         false,
         {{"\u00c9chec du t\u00e9l\u00e9chargement", "Erreur de connexion r\u00e9seau!"}}},
        {{false, false, "", 0, 0}, "", true, {{"Download failed", "No file was made."}}},
        {{true, false, "", 3, 1},
         "",
         false,
         {{"Liste termin\u00e9e", "3 fichiers cr\u00e9\u00e9s, 1 ligne \u00e9cart\u00e9e"}}},
        {{true, false, "", 1, 2}, "", true, {{"List finished", "1 file made, 2 rows dropped"}}},
        {{false, true, "/out/clip.mp3", 0, 0}, "", false, std::nullopt},
        {{true, true, "", 2, 0}, "", true, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<WorkNotice> notice = workNotice(c.summary, c.message, c.english);
        ASSERT_EQ(notice.has_value(), c.expected.has_value()) << c.summary.madeFile;
        if (notice) {
            EXPECT_EQ(notice->title, c.expected->first);
            EXPECT_EQ(notice->body, c.expected->second);
        }
    }
}

} // namespace
} // namespace vantaro
