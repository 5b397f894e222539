// Gregorian dates and Julian day numbers (the day count the pillars and the tables run on).
#pragma once

namespace hx::almanac {

struct CivilDate {
    int year = 0, month = 0, day = 0;
    bool operator==(const CivilDate&) const = default;
};

constexpr bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

constexpr int DaysInMonth(int y, int m)
{
    constexpr int kDays[12] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

constexpr bool IsValidDate(int y, int m, int d) { return m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m); }

// Julian day number of a proleptic Gregorian date (2000-01-01 is 2451545); Fliegel & Van
// Flandern's integer form, valid for every year after -4800.
constexpr long DayNumber(int y, int m, int d)
{
    const long a = (14 - m) / 12;
    const long yy = y + 4800L - a;
    const long mm = m + 12 * a - 3;
    return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

constexpr CivilDate FromDayNumber(long jdn)
{
    const long a = jdn + 32044;
    const long b = (4 * a + 3) / 146097;
    const long c = a - 146097 * b / 4;
    const long d = (4 * c + 3) / 1461;
    const long e = c - 1461 * d / 4;
    const long m = (5 * e + 2) / 153;
    return { static_cast<int>(100 * b + d - 4800 + m / 10), static_cast<int>(m + 3 - 12 * (m / 10)),
        static_cast<int>(e - (153 * m + 2) / 5 + 1) };
}

} // namespace hx::almanac
