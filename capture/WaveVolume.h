// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The wave-output volume: the playback volume of the sound card's master control, as a level
// from 0 (silent) to 65535 (full), the same in both channels.

#include <cstdint>
#include <optional>
#include <string>

namespace vantaro {

class WaveVolume {
public:
    virtual ~WaveVolume() = default;
    // The current level (of the left channel), or nothing when no volume can be read.
    virtual std::optional<std::uint16_t> level() = 0;
    // Sets both channels to the level; does nothing when the platform has no such volume.
    virtual void setLevel(std::uint16_t level) = 0;
};

// The ALSA simple mixer: one playback element of one card. Every call opens the mixer and
// closes it again; a machine without that card or element reads nothing and changes nothing,
// without a word on the standard error.
class AlsaWaveVolume final : public WaveVolume {
public:
    explicit AlsaWaveVolume(std::string card = "default", std::string element = "Master");
    std::optional<std::uint16_t> level() override;
    void setLevel(std::uint16_t level) override;

private:
    std::string m_card;
    std::string m_element;
};

// The raw mixer value of a level on a range, and back; rounded so that a value read and set
// again is the same value.
long mixerValueOfLevel(std::uint16_t level, long minimum, long maximum);
std::uint16_t levelOfMixerValue(long value, long minimum, long maximum);

} // namespace vantaro
