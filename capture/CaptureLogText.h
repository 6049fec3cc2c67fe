// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Text and time routines of the capture log, and the limits of the log itself.

#include <chrono>
#include <exception>
#include <string>
#include <string_view>

namespace vantaro {

// The capture log keeps its newest lines only: older ones are dropped beyond this count.
inline constexpr int CaptureLogLineLimit = 5000;
// Lines for the capture log are gathered and written together this often at most.
inline constexpr int CaptureLogFlushMs = 50;
inline constexpr int CaptureLogFlushLines = 500; // the most lines written at once

// The text without its leading and trailing characters of code 32 or below.
std::string trimBlanks(std::string_view text);

// Replaces, in place, every character whose unsigned code is below 32 by a blank. Returns true
// when at least one character was replaced.
bool controlCharsToBlanks(std::string& text);

// The message of an exception, without leading and trailing characters of code 32 or below;
// empty for an error object that is not a std::exception (or for no error at all).
std::string exceptionText(const std::exception_ptr& error);

// The user's time separator: the text between the hours and the minutes of the system locale's
// time format, cut to its first character; empty when the locale puts nothing there.
std::string timeSeparator();

// The local time of day of a moment as hours, minutes, seconds and milliseconds, "hh:nn:ss:zzz",
// every ":" being the given separator.
std::string timeStampText(std::chrono::system_clock::time_point time, std::string_view separator);
// The same with the user's time separator.
std::string timeStampText(std::chrono::system_clock::time_point time);

} // namespace vantaro
