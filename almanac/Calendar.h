// One Gregorian day seen through the Chinese calendar: lunar date, the three stem-branch
// pillars, the solar term and the 建除 officer of the day, all looked up in LunarTable.
#pragma once

#include "almanac/CivilDate.h"

#include <optional>

namespace hx::almanac {

struct DayInfo {
    CivilDate date;
    long dayNumber = 0; // Julian day number
    int weekday = 0; // 0 Monday .. 6 Sunday

    int lunarYear = 0; // Gregorian number of the year in which its 正月初一 falls
    int lunarMonth = 0; // 1 正月 .. 12 腊月
    bool leapMonth = false;
    int lunarDay = 0; // 1 .. 30

    // Sexagenary indices, 0 = 甲子 .. 59 = 癸亥: stem = index % 10, branch = index % 12.
    int yearPillar = 0; // changes at 立春
    int monthPillar = 0; // changes at each 节
    int dayPillar = 0;

    int solarTerm = -1; // the term falling on this day (LunarTable order, 0 = 小寒), or -1
    int officer = 0; // 建除十二值星: 0 建 .. 11 闭
};

// The first and last days the table covers.
inline constexpr CivilDate kFirstDay { 1900, 1, 31 };
inline constexpr CivilDate kLastDay { 2100, 12, 31 };

// Nothing for an impossible date or one outside [kFirstDay, kLastDay].
std::optional<DayInfo> DescribeDay(int year, int month, int day);

} // namespace hx::almanac
