// SPDX-License-Identifier: GPL-3.0-or-later
// Text and time routines of the capture log.
#include "capture/CaptureLogText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <stdexcept>

namespace vantaro {
namespace {

TEST(ControlChars, BecomeBlanksInPlace) {
    std::string text = "GET / HTTP/1.1\r\nHost: x\r\n";
    EXPECT_TRUE(controlCharsToBlanks(text));
    EXPECT_EQ(text, "GET / HTTP/1.1  Host: x  ");
    std::string binary("a\0b\x1f"
                       "c\x7f\xff",
                       7);
    EXPECT_TRUE(controlCharsToBlanks(binary));
    EXPECT_EQ(binary, std::string("a b c\x7f\xff", 7));
    std::string plain = "nothing to do";
    EXPECT_FALSE(controlCharsToBlanks(plain));
    EXPECT_EQ(plain, "nothing to do");
}

TEST(ExceptionTexts, TrimTheMessageOfExceptionsOnly) {
    EXPECT_EQ(exceptionText(std::make_exception_ptr(std::runtime_error("  \r\nfailed here \t"))),
              "failed here");
    EXPECT_EQ(exceptionText(std::make_exception_ptr(std::runtime_error("Error 1\r\nText"))),
              "Error 1\r\nText");
    EXPECT_EQ(exceptionText(std::make_exception_ptr(42)), "");
    EXPECT_EQ(exceptionText(nullptr), "");
}

std::chrono::system_clock::time_point localMoment(int hour, int minute, int second, int millis) {
    std::tm parts{};
    parts.tm_year = 2014 - 1900;
    parts.tm_mon = 0;
    parts.tm_mday = 15;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&parts)) +
           std::chrono::milliseconds(millis);
}

TEST(TimeStamps, HoursMinutesSecondsAndMilliseconds) {
    EXPECT_EQ(timeStampText(localMoment(14, 3, 7, 45), ":"), "14:03:07:045");
    EXPECT_EQ(timeStampText(localMoment(0, 0, 0, 999), ":"), "00:00:00:999");
    EXPECT_EQ(timeStampText(localMoment(23, 59, 59, 0), "."), "23.59.59.000");
    EXPECT_EQ(timeStampText(localMoment(9, 5, 1, 7), ""), "090501007");
}

// The separator comes from the user's locale; Finnish writes "9.05.01", so its time separator
// is a dot. (Qt reads the locale name from the environment the first time it is asked.)
TEST(TimeStamps, SeparatorFollowsTheUsersLocale) {
    setenv("LC_ALL", "fi_FI.UTF-8", 1);
    EXPECT_EQ(timeSeparator(), ".");
    EXPECT_EQ(timeStampText(localMoment(14, 3, 7, 45)), "14.03.07.045");
}

} // namespace
} // namespace vantaro
