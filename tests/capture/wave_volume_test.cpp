// SPDX-License-Identifier: GPL-3.0-or-later
// The wave volume: levels against the mixer's ranges, and a card that is not there.
#include "capture/WaveVolume.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace vantaro {
namespace {

TEST(WaveVolumeLevels, EveryMixerValueSurvivesAReadAndASet) {
    // Ranges of real mixers: a 7-bit and a 16-bit control, one in hundredths of dB, one empty.
    const std::vector<std::pair<long, long>> ranges{{0, 87}, {0, 65536}, {-10239, 400}, {3, 3}};
    for (const auto& [minimum, maximum] : ranges) {
        EXPECT_EQ(mixerValueOfLevel(0, minimum, maximum), minimum);
        EXPECT_EQ(mixerValueOfLevel(65535, minimum, maximum), maximum);
        long previous = minimum;
        for (long value = minimum; value <= maximum; value += 1 + (maximum - minimum) / 500) {
            const std::uint16_t level = levelOfMixerValue(value, minimum, maximum);
            EXPECT_EQ(mixerValueOfLevel(level, minimum, maximum), value)
                << minimum << ".." << maximum;
            EXPECT_GE(mixerValueOfLevel(level, minimum, maximum), previous);
            previous = value;
        }
    }
    // Values outside the range read as its ends.
    EXPECT_EQ(levelOfMixerValue(-5, 0, 87), 0);
    EXPECT_EQ(levelOfMixerValue(100, 0, 87), 65535);
    EXPECT_EQ(levelOfMixerValue(3, 3, 3), 0);
}

TEST(WaveVolumeAlsa, AMissingCardReadsNothingAndSaysNothing) {
    AlsaWaveVolume volume("vantaro-no-such-card", "Master");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(volume.level(), std::nullopt);
    volume.setLevel(1000);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

    AlsaWaveVolume noElement("default", "Vantaro No Such Element");
    EXPECT_EQ(noElement.level(), std::nullopt);
}

} // namespace
} // namespace vantaro
