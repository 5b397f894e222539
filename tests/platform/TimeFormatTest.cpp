#include "platform/TimeFormat.h"

#include <gtest/gtest.h>

namespace hx {
namespace {

    LocalDateTime At(int h, int m, int s)
    {
        LocalDateTime t;
        t.hour = h;
        t.minute = m;
        t.second = s;
        return t;
    }

    struct FormatCase {
        const char* fmt;
        const char* am;
        const char* pm;
        int h, m, s;
        const char* expected;
    };

    TEST(TimeFormat, ReducesLocaleFormatsToTheClockRule)
    {
        const FormatCase cases[] = {
            { "%H:%M:%S", "", "", 9, 5, 7, "09:05:07" }, // C / POSIX, zh_CN
            { "%k:%M:%S", "", "", 9, 5, 7, "9:05:07" }, { "%-H:%M:%S", "", "", 14, 30, 0, "14:30:00" },
            { "%T", "", "", 0, 0, 1, "00:00:01" },
            { "%r", "AM", "PM", 0, 15, 0, "12:15:00 AM" }, // en_US: hour runs 1..12
            { "%I:%M:%S %p", "AM", "PM", 13, 1, 2, "01:01:02 PM" },
            { "%p %I时%M分%S秒", "上午", "下午", 21, 5, 7, "下午 09:05:07" }, // designator first
            { "%l:%M:%S %p", "am", "pm", 12, 0, 0, "12:00:00 pm" },
            { "%I:%M:%S %p", "", "", 13, 0, 0, "13:00:00" }, // 12-hour without designators: 24 h
        };
        for (const auto& c : cases) {
            const auto f = ParseTimeFormat(c.fmt, c.am, c.pm);
            EXPECT_EQ(FormatLongTime(f, At(c.h, c.m, c.s)), c.expected) << c.fmt;
        }
    }

} // namespace
} // namespace hx
