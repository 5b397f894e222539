// The calendar data the library looks up: for every lunar year its new-year date, month
// lengths and leap month, and for every Gregorian year the days of its 24 solar terms.
// LunarTable.cpp is written by the almanac_gen tool (tools/almanac_gen.cpp) from Astro.h.
#pragma once

#include <cstdint>

namespace hx::almanac {

inline constexpr int kFirstYear = 1900;
inline constexpr int kLastYear = 2100;
inline constexpr int kYearCount = kLastYear - kFirstYear + 1;

// The 24 solar terms in the order they fall in a Gregorian year, 小寒 (285°) first; the Sun's
// apparent longitude at term i is (285 + 15 i) mod 360. Even i are the 节, odd i the 中气.
inline constexpr int kTermCount = 24;

struct LunarYearInfo {
    // Day of the Gregorian year (1 = January 1) on which 正月初一 falls.
    std::uint8_t newYear;
    // 0 for a common year, else N when 闰N月 follows month N.
    std::uint8_t leapMonth;
    // Bit i set when the i-th month of the year (counted in order, a leap month included) has
    // 30 days; clear when it has 29.
    std::uint16_t bigMonths;

    bool operator==(const LunarYearInfo&) const = default;
};

extern const LunarYearInfo kLunarYears[kYearCount];
// Day of the month on which each solar term falls at Beijing time; index [year - kFirstYear][i].
extern const std::uint8_t kSolarTermDays[kYearCount][kTermCount];

} // namespace hx::almanac
