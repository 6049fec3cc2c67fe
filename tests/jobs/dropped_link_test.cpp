// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/DroppedLink.h"

#include <gtest/gtest.h>

namespace vantaro {
namespace {

TEST(DroppedLinkTest, FirstUriElseFirstLineOfText) {
    struct Case {
        const char* uriList;
        const char* text;
        const char* link;
    };
    const Case cases[] = {
        {"# from the address bar\r\nhttp://a/watch?v=1\r\nhttp://b/\r\n", "ignored",
         "http://a/watch?v=1"},
        {"", "\n  http://www.dailymotion.com/video/x1  \nsecond line",
         "http://www.dailymotion.com/video/x1"},
        {"#only a comment\r\n", "plain words", "plain words"},
        {"", " \r\n\t", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(droppedLink(c.uriList, c.text), c.link) << c.uriList << "|" << c.text;
}

} // namespace
} // namespace vantaro
