// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/EngineVersion.h"

#include <charconv>
#include <cstdio>

namespace vantaro {
namespace {

// A run of 1 to maxDigits decimal digits at the front of text, taken off it.
std::optional<long long> takeNumber(std::string_view& text, std::size_t minDigits,
                                    std::size_t maxDigits) {
    std::size_t length = 0;
    while (length < text.size() && length < maxDigits + 1 && text[length] >= '0' &&
           text[length] <= '9')
        ++length;
    if (length < minDigits || length > maxDigits)
        return std::nullopt;
    long long value = 0;
    std::from_chars(text.data(), text.data() + length, value);
    text.remove_prefix(length);
    return value;
}

bool takeDot(std::string_view& text) {
    if (text.empty() || text.front() != '.')
        return false;
    text.remove_prefix(1);
    return true;
}

} // namespace

std::chrono::sys_days DateVersion::date() const {
    return std::chrono::year_month_day{std::chrono::year{year},
                                       std::chrono::month{static_cast<unsigned>(month)},
                                       std::chrono::day{static_cast<unsigned>(day)}};
}

std::string DateVersion::text() const {
    char buffer[48];
    if (revision > 0)
        std::snprintf(buffer, sizeof buffer, "%04d.%02d.%02d.%lld", year, month, day, revision);
    else
        std::snprintf(buffer, sizeof buffer, "%04d.%02d.%02d", year, month, day);
    return buffer;
}

std::optional<DateVersion> parseDateVersion(std::string_view text) {
    const auto year = takeNumber(text, 4, 4);
    if (!year || !takeDot(text))
        return std::nullopt;
    const auto month = takeNumber(text, 2, 2);
    if (!month || !takeDot(text))
        return std::nullopt;
    const auto day = takeNumber(text, 2, 2);
    if (!day)
        return std::nullopt;
    DateVersion version{static_cast<int>(*year), static_cast<int>(*month), static_cast<int>(*day),
                        0};
    if (!text.empty()) {
        const auto revision = takeDot(text) ? takeNumber(text, 1, 15) : std::nullopt;
        if (!revision || !text.empty())
            return std::nullopt;
        version.revision = *revision;
    }
    const std::chrono::year_month_day date{std::chrono::year{version.year},
                                           std::chrono::month{static_cast<unsigned>(version.month)},
                                           std::chrono::day{static_cast<unsigned>(version.day)}};
    if (!date.ok())
        return std::nullopt;
    return version;
}

bool isOlderThan(const DateVersion& version, std::chrono::sys_days today, int maxDays) {
    return today - version.date() > std::chrono::days{maxDays};
}

std::optional<TripleVersion> parseTripleVersion(std::string_view text, bool allowV) {
    if (allowV && !text.empty() && text.front() == 'v')
        text.remove_prefix(1);
    TripleVersion version;
    int* parts[] = {&version.major, &version.minor, &version.patch};
    for (std::size_t i = 0; i < 3; ++i) {
        if (i > 0 && !takeDot(text))
            return std::nullopt;
        const auto number = takeNumber(text, 1, 6);
        if (!number)
            return std::nullopt;
        *parts[i] = static_cast<int>(*number);
    }
    if (!text.empty())
        return std::nullopt;
    return version;
}

std::vector<std::string> ytDlpVersionArguments(const std::optional<DateVersion>& version,
                                               const JsRuntime& runtime) {
    std::vector<std::string> arguments;
    const bool knowsRuntimes = version && *version >= FirstJsRuntimesRelease;
    if (knowsRuntimes && !runtime.name.empty() && runtime.path.starts_with('/'))
        arguments.insert(arguments.end(), {"--js-runtimes", runtime.name + ":" + runtime.path});
    return arguments;
}

} // namespace vantaro
