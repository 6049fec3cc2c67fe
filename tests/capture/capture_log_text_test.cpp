// SPDX-License-Identifier: GPL-3.0-or-later
// Text and time routines of the capture log, and the ordered list.
#include "capture/CaptureLogText.h"
#include "capture/magclasses.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <stdexcept>

namespace vantaro {
namespace {

TEST(ControlChars, BecomeBlanksInPlace) {
    std::string text = "GET / HTTP/1.1\r\nHost: x\r\n";
    EXPECT_TRUE(ControlCharsToBlanks(text));
    EXPECT_EQ(text, "GET / HTTP/1.1  Host: x  ");
    std::string binary("a\0b\x1f"
                       "c\x7f\xff",
                       7);
    EXPECT_TRUE(ControlCharsToBlanks(binary));
    EXPECT_EQ(binary, std::string("a b c\x7f\xff", 7));
    std::string plain = "nothing to do";
    EXPECT_FALSE(ControlCharsToBlanks(plain));
    EXPECT_EQ(plain, "nothing to do");
}

TEST(ExceptionTexts, TrimTheMessageOfExceptionsOnly) {
    EXPECT_EQ(ExceptionText(std::make_exception_ptr(std::runtime_error("  \r\nfailed here \t"))),
              "failed here");
    EXPECT_EQ(ExceptionText(std::make_exception_ptr(std::runtime_error("Error 1\r\nText"))),
              "Error 1\r\nText");
    EXPECT_EQ(ExceptionText(std::make_exception_ptr(42)), "");
    EXPECT_EQ(ExceptionText(nullptr), "");
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
    EXPECT_EQ(TimeStampText(localMoment(14, 3, 7, 45), ":"), "14:03:07:045");
    EXPECT_EQ(TimeStampText(localMoment(0, 0, 0, 999), ":"), "00:00:00:999");
    EXPECT_EQ(TimeStampText(localMoment(23, 59, 59, 0), "."), "23.59.59.000");
    EXPECT_EQ(TimeStampText(localMoment(9, 5, 1, 7), ""), "090501007");
}

// The separator comes from the user's locale; Finnish writes "9.05.01", so its time separator
// is a dot. (Qt reads the locale name from the environment the first time it is asked.)
TEST(TimeStamps, SeparatorFollowsTheUsersLocale) {
    setenv("LC_ALL", "fi_FI.UTF-8", 1);
    EXPECT_EQ(TimeSeparator(), ".");
    EXPECT_EQ(TimeStampText(localMoment(14, 3, 7, 45)), "14.03.07.045");
}

TEST(FindList, LocateGivesFirstEqualOrInsertionPlace) {
    TFindList<std::uint32_t> list;
    std::size_t index = 99;
    EXPECT_FALSE(list.Locate(10, CompareAddrs, index));
    EXPECT_EQ(index, 0u);
    for (std::uint32_t value : {10u, 20u, 20u, 30u})
        list.add(value);
    EXPECT_TRUE(list.Locate(20, CompareAddrs, index));
    EXPECT_EQ(index, 1u);
    EXPECT_FALSE(list.Locate(25, CompareAddrs, index));
    EXPECT_EQ(index, 3u);
    EXPECT_FALSE(list.Locate(5, CompareAddrs, index));
    EXPECT_EQ(index, 0u);
    EXPECT_TRUE(list.Locate(30, CompareAddrs, index));
    EXPECT_EQ(index, 3u);
    EXPECT_FALSE(list.Locate(31, CompareAddrs, index));
    EXPECT_EQ(index, 4u);
}

TEST(FindList, AddOrderedKeepsOneSortedElementPerValue) {
    TFindList<std::uint32_t> sorted;
    sorted.KeepSorted = true;
    EXPECT_EQ(sorted.AddOrdered(30, CompareAddrs), 0u);
    EXPECT_EQ(sorted.AddOrdered(10, CompareAddrs), 0u);
    EXPECT_EQ(sorted.AddOrdered(20, CompareAddrs), 1u);
    EXPECT_EQ(sorted.AddOrdered(20, CompareAddrs), 1u);
    EXPECT_EQ(sorted.AddOrdered(0x80000000u, CompareAddrs), 3u);
    ASSERT_EQ(sorted.count(), 4u);
    EXPECT_EQ(sorted[0], 10u);
    EXPECT_EQ(sorted[1], 20u);
    EXPECT_EQ(sorted[2], 30u);
    EXPECT_EQ(sorted[3], 0x80000000u);

    TFindList<std::uint32_t> appended;
    EXPECT_EQ(appended.AddOrdered(30, CompareAddrs), 0u);
    EXPECT_EQ(appended.AddOrdered(10, CompareAddrs), 1u);
    EXPECT_EQ(appended.AddOrdered(10, CompareAddrs), 2u);
    EXPECT_EQ(appended.count(), 3u);
}

TEST(FindList, CompareAddrsIsUnsigned) {
    EXPECT_EQ(CompareAddrs(0x80000000u, 1u), 1);
    EXPECT_EQ(CompareAddrs(1u, 0xFFFFFFFFu), -1);
    EXPECT_EQ(CompareAddrs(7u, 7u), 0);
}

} // namespace
} // namespace vantaro
