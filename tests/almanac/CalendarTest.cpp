// Lunar dates, pillars and solar terms against dates from the published Chinese calendar.
#include "almanac/Calendar.h"

#include <gtest/gtest.h>
#include <ostream>

namespace hx::almanac {
namespace {

    struct Lunar {
        CivilDate date;
        int year, month;
        bool leap;
        int day;
    };
    void PrintTo(const Lunar& l, std::ostream* os) { *os << l.date.year << "-" << l.date.month << "-" << l.date.day; }

    class LunarDates : public testing::TestWithParam<Lunar> { };

    TEST_P(LunarDates, MatchPublishedCalendar)
    {
        const Lunar& want = GetParam();
        const auto got = DescribeDay(want.date.year, want.date.month, want.date.day);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->lunarYear, want.year);
        EXPECT_EQ(got->lunarMonth, want.month);
        EXPECT_EQ(got->leapMonth, want.leap);
        EXPECT_EQ(got->lunarDay, want.day);
    }

    INSTANTIATE_TEST_SUITE_P(Published, LunarDates,
        testing::Values(
            // The first and last days of the range.
            Lunar { { 1900, 1, 31 }, 1900, 1, false, 1 }, Lunar { { 1901, 2, 19 }, 1901, 1, false, 1 },
            Lunar { { 2099, 12, 31 }, 2099, 11, false, 20 },
            // Lunar new years, and the eves before them (2025-2029 have no 三十 on New Year's Eve).
            Lunar { { 1949, 1, 29 }, 1949, 1, false, 1 }, Lunar { { 2000, 2, 5 }, 2000, 1, false, 1 },
            Lunar { { 2024, 2, 9 }, 2023, 12, false, 30 }, Lunar { { 2024, 2, 10 }, 2024, 1, false, 1 },
            Lunar { { 2025, 1, 28 }, 2024, 12, false, 29 }, Lunar { { 2025, 1, 29 }, 2025, 1, false, 1 },
            Lunar { { 2026, 2, 16 }, 2025, 12, false, 29 }, Lunar { { 2026, 2, 17 }, 2026, 1, false, 1 },
            Lunar { { 2027, 2, 5 }, 2026, 12, false, 29 }, Lunar { { 2027, 2, 6 }, 2027, 1, false, 1 },
            Lunar { { 2029, 2, 12 }, 2028, 12, false, 29 }, Lunar { { 2030, 2, 2 }, 2029, 12, false, 30 },
            // Leap months: their first days, their last days and the months after them.
            Lunar { { 2020, 5, 22 }, 2020, 4, false, 30 }, Lunar { { 2020, 5, 23 }, 2020, 4, true, 1 },
            Lunar { { 2020, 6, 20 }, 2020, 4, true, 29 }, Lunar { { 2020, 6, 21 }, 2020, 5, false, 1 },
            Lunar { { 2023, 3, 22 }, 2023, 2, true, 1 }, Lunar { { 2023, 4, 20 }, 2023, 3, false, 1 },
            Lunar { { 2025, 7, 25 }, 2025, 6, true, 1 }, Lunar { { 2025, 8, 23 }, 2025, 7, false, 1 },
            Lunar { { 2033, 12, 22 }, 2033, 11, true, 1 }, // the leap month after 冬月 of 2033
            // 1916's new year fell on February 3: the new moon came before midnight at the
            // Beijing meridian, which the calendar of the time reckoned with.
            Lunar { { 1916, 2, 3 }, 1916, 1, false, 1 },
            // Today's entry and the date of 十月廿二 in 丙午年.
            Lunar { { 2026, 11, 30 }, 2026, 10, false, 22 }, Lunar { { 2026, 12, 10 }, 2026, 11, false, 2 }));

    struct Pillars {
        CivilDate date;
        int year, month, day; // sexagenary indices
    };
    void PrintTo(const Pillars& p, std::ostream* os) { *os << p.date.year << "-" << p.date.month << "-" << p.date.day; }

    constexpr int Index(int stem, int branch) { return (6 * stem - 5 * branch + 60) % 60; }
    // Stems 甲0 乙1 丙2 丁3 戊4 己5 庚6 辛7 壬8 癸9; branches 子0 丑1 寅2 卯3 辰4 巳5 午6 未7 申8 酉9 戌10 亥11.

    class PillarDates : public testing::TestWithParam<Pillars> { };

    TEST_P(PillarDates, MatchPublishedCalendar)
    {
        const Pillars& want = GetParam();
        const auto got = DescribeDay(want.date.year, want.date.month, want.date.day);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->yearPillar, want.year);
        EXPECT_EQ(got->monthPillar, want.month);
        EXPECT_EQ(got->dayPillar, want.day);
    }

    INSTANTIATE_TEST_SUITE_P(Published, PillarDates,
        testing::Values(
            // Day pillars with well-known anchors: 1900-01-31 甲辰, 1949-10-01 甲子, 2000-01-01 戊午.
            Pillars { { 1900, 1, 31 }, Index(5, 11), Index(3, 1), Index(0, 4) }, // 己亥 丁丑 甲辰
            Pillars { { 1949, 10, 1 }, Index(5, 1), Index(9, 9), Index(0, 0) }, // 己丑 癸酉 甲子
            Pillars { { 2000, 1, 1 }, Index(5, 3), Index(2, 0), Index(4, 6) }, // 己卯 丙子 戊午
            // 立春 2026-02-04 before the new year of 02-17: the year pillar turns at 立春 ...
            Pillars { { 2026, 2, 3 }, Index(1, 5), Index(5, 1), Index(4, 8) }, // 乙巳 己丑 戊申
            Pillars { { 2026, 2, 4 }, Index(2, 6), Index(6, 2), Index(5, 9) }, // 丙午 庚寅 己酉
            // ... and 立春 2023-02-04 after the new year of 01-22.
            Pillars { { 2023, 1, 25 }, Index(8, 2), Index(9, 1), Index(9, 7) }, // 壬寅 癸丑 癸未
            Pillars { { 2023, 2, 4 }, Index(9, 3), Index(0, 2), Index(9, 5) }, // 癸卯 甲寅 癸巳
            // The month pillar turns at each 节: 大雪 2026-12-07; the 庚子月 辛酉日.
            Pillars { { 2026, 12, 6 }, Index(2, 6), Index(5, 11), Index(0, 2) }, // 丙午 己亥 甲寅
            Pillars { { 2026, 12, 7 }, Index(2, 6), Index(6, 0), Index(1, 3) }, // 丙午 庚子 乙卯
            Pillars { { 2026, 12, 13 }, Index(2, 6), Index(6, 0), Index(7, 9) }, // 丙午 庚子 辛酉
            // 小寒 2027-01-05 opens 辛丑月 while the year is still 丙午.
            Pillars { { 2027, 1, 5 }, Index(2, 6), Index(7, 1), Index(0, 8) })); // 丙午 辛丑 甲申

    struct Term {
        CivilDate date;
        int term;
    };

    TEST(SolarTerms, FallOnPublishedDays)
    {
        const Term terms[] = {
            { { 2026, 2, 4 }, 2 }, // 立春
            { { 2026, 12, 7 }, 22 }, // 大雪
            { { 2026, 12, 22 }, 23 }, // 冬至
            { { 2021, 12, 21 }, 23 }, // 冬至 at 23:59 Beijing time
            { { 2024, 3, 20 }, 5 }, // 春分
            { { 2008, 8, 7 }, 14 }, // 立秋
            { { 2000, 6, 21 }, 11 }, // 夏至
        };
        for (const Term& t : terms) {
            const auto got = DescribeDay(t.date.year, t.date.month, t.date.day);
            ASSERT_TRUE(got);
            EXPECT_EQ(got->solarTerm, t.term) << t.date.year << "-" << t.date.month << "-" << t.date.day;
            const auto before = DescribeDay(t.date.year, t.date.month, t.date.day - 1);
            EXPECT_NE(before->solarTerm, t.term);
        }
    }

    TEST(JianchuOfficers, BeginWithJianOnTheMonthBranchAndRepeatOnEachJie)
    {
        // 2026-12-10 戊午 in 子 month: 午 clashes 子, a 破 day. 大雪 (12-07, 乙卯) repeats the
        // officer of 12-06 (甲寅 in 亥 month: 寅 - 亥 = 3, 平).
        EXPECT_EQ(DescribeDay(2026, 12, 10)->officer, 6);
        EXPECT_EQ(DescribeDay(2026, 12, 6)->officer, 3);
        EXPECT_EQ(DescribeDay(2026, 12, 7)->officer, 3);
        EXPECT_EQ(DescribeDay(2026, 12, 8)->officer, 4);
    }

    TEST(CalendarRange, RefusesImpossibleAndUncoveredDates)
    {
        const CivilDate bad[] = { { 2026, 2, 30 }, { 2026, 2, 29 }, { 2100, 2, 29 }, { 2026, 13, 1 }, { 2026, 0, 10 },
            { 2026, 4, 31 }, { 2026, 1, 0 }, { 1900, 1, 30 }, { 2101, 1, 1 }, { -2147483647 - 1, 1, 1 },
            { 2147483647, 12, 31 }, { 2026, -2147483647 - 1, 1 }, { 2026, 1, 2147483647 } };
        for (const CivilDate& d : bad)
            EXPECT_FALSE(DescribeDay(d.year, d.month, d.day)) << d.year << "-" << d.month << "-" << d.day;
        EXPECT_TRUE(DescribeDay(2024, 2, 29));
        EXPECT_TRUE(DescribeDay(2000, 2, 29));
        EXPECT_TRUE(DescribeDay(2100, 12, 31));
    }

    // Every day of the range follows from the one before: the lunar day counts on or a new month
    // begins in order, the day pillar runs on, the year pillar turns only at 立春 and the month
    // pillar only at a 节, and every year holds its 24 terms in order.
    TEST(CalendarWholeRange, RunsOnWithoutBreaks)
    {
        const long first = DayNumber(kFirstDay.year, kFirstDay.month, kFirstDay.day);
        const long last = DayNumber(kLastDay.year, kLastDay.month, kLastDay.day);
        std::optional<DayInfo> prev = DescribeDay(kFirstDay.year, kFirstDay.month, kFirstDay.day);
        // The range opens after 小寒 and 大寒 of 1900.
        int termsThisYear = 2, lastTerm = 1, leapMonths = 0;
        for (long n = first + 1; n <= last; ++n) {
            const CivilDate c = FromDayNumber(n);
            const auto day = DescribeDay(c.year, c.month, c.day);
            ASSERT_TRUE(day) << n;
            ASSERT_EQ(day->dayPillar, (prev->dayPillar + 1) % 60) << n;
            ASSERT_EQ(day->weekday, (prev->weekday + 1) % 7) << n;
            if (day->lunarDay == 1) {
                ASSERT_TRUE(prev->lunarDay == 29 || prev->lunarDay == 30) << n;
                if (day->leapMonth) {
                    ++leapMonths;
                    ASSERT_EQ(day->lunarMonth, prev->lunarMonth) << n;
                } else {
                    ASSERT_EQ(day->lunarMonth, prev->lunarMonth % 12 + 1) << n;
                    ASSERT_EQ(day->lunarYear, prev->lunarYear + (day->lunarMonth == 1)) << n;
                }
            } else {
                ASSERT_EQ(day->lunarDay, prev->lunarDay + 1) << n;
                ASSERT_EQ(day->lunarMonth, prev->lunarMonth) << n;
            }
            const bool jie = day->solarTerm >= 0 && day->solarTerm % 2 == 0;
            ASSERT_EQ(day->monthPillar != prev->monthPillar, jie) << n;
            ASSERT_EQ(day->yearPillar != prev->yearPillar, day->solarTerm == 2) << n;
            if (jie)
                ASSERT_EQ(day->officer, prev->officer) << n;
            else
                ASSERT_EQ(day->officer, (prev->officer + 1) % 12) << n;
            if (c.month == 1 && c.day == 1) {
                ASSERT_EQ(termsThisYear, 24) << c.year - 1;
                termsThisYear = 0;
                lastTerm = -1;
            }
            if (day->solarTerm >= 0) {
                ASSERT_EQ(day->solarTerm, lastTerm + 1) << n;
                lastTerm = day->solarTerm;
                ++termsThisYear;
            }
            prev = day;
        }
        // The lunar years 1900 .. 2100 hold 74 leap months, about 7 in every 19 years.
        EXPECT_EQ(leapMonths, 74);
    }

} // namespace
} // namespace hx::almanac
