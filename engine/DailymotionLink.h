// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/SystemReasons.h"
#include "engine/WorkerHost.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace vantaro {

// The page file could not be opened or read; it is left in place.
class PageFileError : public SystemFailure {
public:
    using SystemFailure::SystemFailure;
};

// Reads the stream links out of the lines of a Dailymotion page, one line at a time.
class DailymotionPageScanner {
public:
    // Takes one line (without its line break). Returns the log line when it holds the marker.
    std::string addLine(std::string_view line);
    // The best link of the last marker line, its decoded remainder when it offers none, or
    // empty when no line held the marker.
    std::string result() const;

private:
    std::string m_remainder;
    std::string m_hd720;
    std::string m_hq;
    std::string m_sd;
    std::string m_ld;
};

// Replaces the page's percent codes by the characters they stand for, in the fixed order.
std::string decodePageCodes(std::string text);

// Extracts the stream link from a saved Dailymotion page, logs each marker line through the
// host and deletes the page file. Throws PageFileError when the file cannot be read.
std::string extractDailymotionLink(const std::string& pageFile, WorkerHost& host);

} // namespace vantaro
