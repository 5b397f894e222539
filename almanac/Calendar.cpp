#include "almanac/Calendar.h"

#include "almanac/LunarTable.h"

namespace hx::almanac {

namespace {

    int TermDay(int year, int term) { return kSolarTermDays[year - kFirstYear][term]; }

    // Sexagenary index of the pair (stem, branch); the pair exists when both have the same parity.
    int Pillar(int stem, int branch) { return (6 * stem - 5 * branch + 60) % 60; }

} // namespace

std::optional<DayInfo> DescribeDay(int year, int month, int day)
{
    if (year < kFirstDay.year || year > kLastDay.year || !IsValidDate(year, month, day))
        return std::nullopt;
    const long jdn = DayNumber(year, month, day);
    if (jdn < DayNumber(kFirstDay.year, kFirstDay.month, kFirstDay.day)
        || jdn > DayNumber(kLastDay.year, kLastDay.month, kLastDay.day))
        return std::nullopt;

    DayInfo info;
    info.date = { year, month, day };
    info.dayNumber = jdn;
    info.weekday = static_cast<int>(jdn % 7);
    info.dayPillar = static_cast<int>((jdn + 49) % 60);

    // Lunar date: walk the months of the lunar year that holds the day.
    int ly = year;
    long newYear = DayNumber(ly, 1, 1) + kLunarYears[ly - kFirstYear].newYear - 1;
    if (jdn < newYear) {
        --ly;
        newYear = DayNumber(ly, 1, 1) + kLunarYears[ly - kFirstYear].newYear - 1;
    }
    const LunarYearInfo& entry = kLunarYears[ly - kFirstYear];
    long start = newYear;
    int number = 1;
    bool leap = false;
    for (int ordinal = 0; ordinal < 12 + (entry.leapMonth != 0); ++ordinal) {
        const int length = (entry.bigMonths >> ordinal) & 1 ? 30 : 29;
        if (jdn < start + length)
            break;
        start += length;
        if (entry.leapMonth == number && !leap) {
            leap = true;
        } else {
            ++number;
            leap = false;
        }
    }
    info.lunarYear = ly;
    info.lunarMonth = number;
    info.leapMonth = leap;
    info.lunarDay = static_cast<int>(jdn - start) + 1;

    // Solar terms: month m holds terms 2(m-1) (a 节) and 2(m-1)+1 (a 中气).
    const int jie = 2 * (month - 1);
    if (day == TermDay(year, jie))
        info.solarTerm = jie;
    else if (day == TermDay(year, jie + 1))
        info.solarTerm = jie + 1;

    // The 节 in force: this month's once it has come, else the previous month's.
    int jieIndex = month - 1; // 0 小寒 .. 11 大雪
    if (day < TermDay(year, jie))
        jieIndex = (jieIndex + 11) % 12;
    const int monthBranch = (jieIndex + 1) % 12; // 小寒 opens 丑, 立春 寅, 大雪 子
    const int solarYear = (month > 2 || (month == 2 && day >= TermDay(year, 2))) ? year : year - 1;
    info.yearPillar = ((solarYear - 4) % 60 + 60) % 60;
    const int sinceTiger = (monthBranch + 10) % 12; // months since 寅 in this solar year
    const int monthStem = ((info.yearPillar % 10) % 5 * 2 + 2 + sinceTiger) % 10;
    info.monthPillar = Pillar(monthStem, monthBranch);
    info.officer = (info.dayPillar % 12 - monthBranch + 12) % 12;
    return info;
}

} // namespace hx::almanac
