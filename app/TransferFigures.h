// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace vantaro {

// The one line of figures shown under the Stop button while a download runs, in the user's
// language and number format: "12.3 MB of 45.6 MB · 3.2 MB/s · 0:10 left" or
// "12,3 Mo sur 45,6 Mo · 3,2 Mo/s · encore 0:10". A total of zero or less is unknown; a
// negative speed is unknown (no figure yet). Sizes are decimal (1 MB = 1000000 bytes).
std::string transferFiguresText(std::int64_t bytes, std::int64_t total, double bytesPerSecond,
                                bool english);
// "Converting · 0:42" / "Conversion · 0:42".
std::string conversionFiguresText(std::int64_t elapsedSeconds, bool english);
// "512 B", "12.3 MB", "4.3 GB" / "512 o", "12,3 Mo", "4,3 Go".
std::string byteSizeText(std::int64_t bytes, bool english);
// "0:07", "12:34", "1:02:03".
std::string durationText(std::int64_t seconds);

// Follows the progress the worker hands to the window and turns it into the figures line. A
// new maximum starts a new byte transfer; the conversion is told apart by its own call. The
// speed is taken over the last few seconds, so a stalled transfer falls to zero.
class TransferMeter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds SpeedWindow{3000};

    void setMaximum(std::int64_t maximum, Clock::time_point now);
    void setPosition(std::int64_t position, Clock::time_point now);
    void startConversion(Clock::time_point now);
    // Nothing runs any more: the line is empty.
    void clear();

    bool running() const { return m_phase != Phase::Idle; }
    std::int64_t total() const { return m_total; }
    // The share of a byte transfer of known total that has arrived; none otherwise.
    std::optional<double> fraction() const;
    std::string text(Clock::time_point now, bool english) const;

private:
    enum class Phase { Idle, Bytes, Converting };
    struct Sample {
        Clock::time_point at;
        std::int64_t bytes;
    };

    double speed(Clock::time_point now) const;

    Phase m_phase = Phase::Idle;
    std::int64_t m_total = 0;
    std::int64_t m_position = 0;
    Clock::time_point m_since{};
    std::deque<Sample> m_samples; // oldest first; the first may lie just before the window
};

} // namespace vantaro
