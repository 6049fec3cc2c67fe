// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Text and time routines of the capture log.

#include <chrono>
#include <exception>
#include <string>
#include <string_view>

namespace vantaro {

// The text without its leading and trailing characters of code 32 or below.
std::string TrimBlanks(std::string_view text);

// Replaces, in place, every character whose unsigned code is below 32 by a blank. Returns true
// when at least one character was replaced.
bool ControlCharsToBlanks(std::string& text);

// The message of an exception, without leading and trailing characters of code 32 or below;
// empty for an error object that is not a std::exception (or for no error at all).
std::string ExceptionText(const std::exception_ptr& error);

// The user's time separator: the text between the hours and the minutes of the system locale's
// time format, cut to its first character; empty when the locale puts nothing there.
std::string TimeSeparator();

// The local time of day of a moment as hours, minutes, seconds and milliseconds, "hh:nn:ss:zzz",
// every ":" being the given separator.
std::string TimeStampText(std::chrono::system_clock::time_point time, std::string_view separator);
// The same with the user's time separator.
std::string TimeStampText(std::chrono::system_clock::time_point time);

} // namespace vantaro
