#include "platform/DateTime.h"

#include <gtest/gtest.h>

namespace hx {
namespace {

    TEST(DateTime, EncodesDaysSince18991230)
    {
        LocalDateTime l { 1899, 12, 30, 0, 0, 0, 0, 0 };
        EXPECT_DOUBLE_EQ(EncodeDateTime(l), 0.0);
        l = { 2024, 1, 1, 12, 0, 0, 0, 0 };
        EXPECT_DOUBLE_EQ(EncodeDateTime(l), 45292.5);
        const auto back = DecodeDateTime(45292.5);
        EXPECT_EQ(back.year, 2024);
        EXPECT_EQ(back.month, 1);
        EXPECT_EQ(back.day, 1);
        EXPECT_EQ(back.hour, 12);
        EXPECT_EQ(back.weekday, 1); // a Monday
    }

    TEST(DateTime, RoundTripsMilliseconds)
    {
        LocalDateTime l { 2026, 12, 10, 23, 59, 59, 999, 0 };
        const auto back = DecodeDateTime(EncodeDateTime(l));
        EXPECT_EQ(back.day, 10);
        EXPECT_EQ(back.hour, 23);
        EXPECT_EQ(back.second, 59);
        EXPECT_EQ(back.millisecond, 999);
    }

} // namespace
} // namespace hx
