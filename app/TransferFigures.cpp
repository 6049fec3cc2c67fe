// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TransferFigures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace vantaro {
namespace {

const char* const Separator = " \u00b7 ";

// One decimal, with the decimal sign of the language.
std::string oneDecimal(double value, bool english) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", value);
    std::string text = buffer;
    if (!english)
        for (char& c : text)
            if (c == '.')
                c = ',';
    return text;
}

double seconds(TransferMeter::Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

} // namespace

std::string byteSizeText(std::int64_t bytes, bool english) {
    static const std::array<const char*, 5> English{"B", "kB", "MB", "GB", "TB"};
    static const std::array<const char*, 5> French{"o", "ko", "Mo", "Go", "To"};
    const auto& units = english ? English : French;
    if (bytes < 1000)
        return std::to_string(std::max<std::int64_t>(bytes, 0)) + " " + units[0];
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    // The rounded figure decides the unit, so that 999 960 bytes read "1.0 MB", not "1000.0 kB".
    while (unit + 1 < units.size() && std::round(value * 10.0) / 10.0 >= 1000.0) {
        value /= 1000.0;
        ++unit;
    }
    return oneDecimal(value, english) + " " + units[unit];
}

std::string durationText(std::int64_t totalSeconds) {
    const std::int64_t s = std::max<std::int64_t>(totalSeconds, 0);
    char buffer[48];
    if (s >= 3600)
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                      static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
    else
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld", static_cast<long long>(s / 60),
                      static_cast<long long>(s % 60));
    return buffer;
}

std::string transferFiguresText(std::int64_t bytes, std::int64_t total, double bytesPerSecond,
                                bool english) {
    std::string line = byteSizeText(bytes, english);
    if (total > 0)
        line += (english ? " of " : " sur ") + byteSizeText(total, english);
    if (bytesPerSecond < 0)
        return line;
    line += Separator + byteSizeText(std::llround(bytesPerSecond), english) + "/s";
    // Time left only while it can be known: a total, bytes still to come and a speed.
    if (total > 0 && bytes < total && bytesPerSecond >= 1.0) {
        const auto left = static_cast<std::int64_t>(
            std::ceil(static_cast<double>(total - bytes) / bytesPerSecond));
        line +=
            Separator + (english ? durationText(left) + " left" : "encore " + durationText(left));
    }
    return line;
}

std::string conversionFiguresText(std::int64_t elapsedSeconds, bool english) {
    return std::string(english ? "Converting" : "Conversion") + Separator +
           durationText(elapsedSeconds);
}

void TransferMeter::setMaximum(std::int64_t maximum, Clock::time_point now) {
    m_phase = Phase::Bytes;
    m_total = maximum;
    m_position = 0;
    m_since = now;
    m_samples.assign(1, Sample{now, 0});
}

void TransferMeter::setPosition(std::int64_t position, Clock::time_point now) {
    if (m_phase == Phase::Idle)
        setMaximum(0, now);
    m_position = position;
    if (m_phase != Phase::Bytes)
        return;
    m_samples.push_back(Sample{now, position});
    // Keep the last sample at or before the window's start: the speed interpolates from it.
    const Clock::time_point start = now - SpeedWindow;
    while (m_samples.size() > 2 && m_samples[1].at <= start)
        m_samples.pop_front();
}

void TransferMeter::startConversion(Clock::time_point now) {
    m_phase = Phase::Converting;
    m_since = now;
    m_samples.clear();
}

void TransferMeter::clear() {
    m_phase = Phase::Idle;
    m_samples.clear();
}

std::optional<double> TransferMeter::fraction() const {
    if (m_phase != Phase::Bytes || m_total <= 0)
        return std::nullopt;
    return std::clamp(static_cast<double>(m_position) / static_cast<double>(m_total), 0.0, 1.0);
}

// Bytes per second over the window that ends now; below a fifth of a second of history there is
// no figure yet.
double TransferMeter::speed(Clock::time_point now) const {
    if (m_samples.empty())
        return -1.0;
    const Clock::time_point start = now - SpeedWindow;
    if (m_samples.front().at > start) {
        const double span = seconds(now - m_samples.front().at);
        if (span < 0.2)
            return -1.0;
        return static_cast<double>(m_position - m_samples.front().bytes) / span;
    }
    double atStart = static_cast<double>(m_samples.back().bytes);
    for (std::size_t i = 0; i + 1 < m_samples.size(); ++i) {
        const Sample& before = m_samples[i];
        const Sample& after = m_samples[i + 1];
        if (before.at <= start && start < after.at) {
            const double share = seconds(start - before.at) / seconds(after.at - before.at);
            atStart = static_cast<double>(before.bytes) +
                      share * static_cast<double>(after.bytes - before.bytes);
            break;
        }
    }
    return std::max(0.0, (static_cast<double>(m_position) - atStart) / seconds(SpeedWindow));
}

std::string TransferMeter::text(Clock::time_point now, bool english) const {
    switch (m_phase) {
    case Phase::Idle:
        return {};
    case Phase::Converting:
        return conversionFiguresText(
            std::chrono::duration_cast<std::chrono::seconds>(now - m_since).count(), english);
    case Phase::Bytes:
        break;
    }
    return transferFiguresText(m_position, m_total, speed(now), english);
}

} // namespace vantaro
