// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <compare>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantaro {

// A yt-dlp release number: the day of the release, and a revision when one day saw several
// ("2025.11.12", "2025.11.12.1"; nightly builds carry a time of day there).
struct DateVersion {
    int year = 0;
    int month = 0;
    int day = 0;
    long long revision = 0;

    auto operator<=>(const DateVersion&) const = default;
    std::chrono::sys_days date() const;
    std::string text() const;
};

// The version in a yt-dlp release tag or in the first line yt-dlp's --version prints: exactly
// YYYY.MM.DD or YYYY.MM.DD.N, a real calendar day. Anything else gives nothing.
std::optional<DateVersion> parseDateVersion(std::string_view text);

// True when the release is more than maxDays days older than today.
bool isOlderThan(const DateVersion& version, std::chrono::sys_days today, int maxDays = 90);

// A three-part release number: "v2.5.6" (a deno tag), "2.5.6" (deno --version after "deno "),
// "v22.11.0" (node --version).
struct TripleVersion {
    int major = 0;
    int minor = 0;
    int patch = 0;

    auto operator<=>(const TripleVersion&) const = default;
};

// Exactly [v]X.Y.Z with decimal parts (leading "v" allowed when allowV); anything else gives
// nothing.
std::optional<TripleVersion> parseTripleVersion(std::string_view text, bool allowV = true);

// A JavaScript runtime yt-dlp may use: its yt-dlp name ("deno", "node") and absolute path. An
// empty name means none was found.
struct JsRuntime {
    std::string name;
    std::string path;
};

// The first yt-dlp release that takes --js-runtimes.
inline constexpr DateVersion FirstJsRuntimesRelease{2025, 11, 12, 0};

// The arguments that depend on which yt-dlp runs: the one place where they are chosen from its
// version. --js-runtimes NAME:PATH goes only to a release that knows the option, and only with
// a runtime at an absolute path.
std::vector<std::string> ytDlpVersionArguments(const std::optional<DateVersion>& version,
                                               const JsRuntime& runtime);

} // namespace vantaro
