#include "almanac/TableBuilder.h"

#include "almanac/Astro.h"
#include "almanac/CivilDate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace hx::almanac {

namespace {

    constexpr const char* kTermNames[kTermCount]
        = { "小寒", "大寒", "立春", "雨水", "惊蛰", "春分", "清明", "谷雨", "立夏", "小满", "芒种", "夏至", "小暑",
              "大暑", "立秋", "处暑", "白露", "秋分", "寒露", "霜降", "立冬", "小雪", "大雪", "冬至" };

    // Moments this close to Beijing midnight are listed as close calls.
    constexpr double kCloseSeconds = 120;

    struct Month {
        long start; // Beijing day number of its first day
        int number; // 1 .. 12
        bool leap;
    };

    // Months whose first day the official calendar sets differently from the theory here: the
    // Qing calendar of 1906 reckoned the new moon of 1906-04-24 00:06 (UTC+8; 23:52 at the
    // Beijing meridian) after midnight, and the new moon of 2057-09-28 23:59:57 lies within the
    // theory's error of midnight, where the published tables take 09-29. Each entry moves the
    // month start from `computed` to `official` (Beijing civil dates).
    struct MonthStartCorrection {
        CivilDate computed, official;
    };
    constexpr MonthStartCorrection kCorrections[] = {
        { { 1906, 4, 23 }, { 1906, 4, 24 } },
        { { 2057, 9, 28 }, { 2057, 9, 29 } },
    };

    // Seconds from the nearest Beijing midnight to the moment jde (TT).
    double SecondsFromMidnight(double jde)
    {
        const double local = BeijingTime(jde);
        const double frac = local - std::floor(local);
        return std::min(frac, 1 - frac) * 86400;
    }

    std::string Describe(const char* what, double jde)
    {
        const CivilDate d = FromDayNumber(BeijingDayNumber(jde));
        char line[96];
        const double local = BeijingTime(jde);
        const double seconds = (local - std::floor(local)) * 86400;
        const int h = static_cast<int>(seconds / 3600), m = static_cast<int>(seconds / 60) % 60;
        std::snprintf(line, sizeof line, "%s %04d-%02d-%02d %02d:%02d:%02d", what, d.year, d.month, d.day, h, m,
            static_cast<int>(seconds) % 60);
        return line;
    }

} // namespace

BuiltTables BuildTables()
{
    BuiltTables out;

    // Solar terms of the Gregorian years one before and one after the table, for the spans
    // around its ends.
    const int termFirst = kFirstYear - 1, termLast = kLastYear + 1;
    std::vector<long> zhongqi; // Beijing day numbers of every 中气, ascending
    std::vector<long> winterSolstice(termLast - termFirst + 1);
    for (int y = termFirst; y <= termLast; ++y) {
        for (int i = 0; i < kTermCount; ++i) {
            const double guess = JulianDayUT(y, 1, 6) + 15.2184 * i;
            const double jde = SolarLongitudeMoment(std::fmod(285.0 + 15.0 * i, 360.0), guess);
            const long day = BeijingDayNumber(jde);
            if (i % 2 == 1)
                zhongqi.push_back(day);
            if (i == kTermCount - 1)
                winterSolstice[y - termFirst] = day;
            if (y >= kFirstYear && y <= kLastYear) {
                const CivilDate d = FromDayNumber(day);
                out.termDays.push_back(static_cast<std::uint8_t>(d.day));
                if (SecondsFromMidnight(jde) < kCloseSeconds)
                    out.closeCalls.push_back(Describe(kTermNames[i], jde));
            }
        }
    }

    // Every new moon from before the first winter solstice to after the last.
    std::vector<long> newMoons;
    const int kFirst = static_cast<int>(std::floor((termFirst - 2000 - 0.1) * 12.3685));
    const int kLast = static_cast<int>(std::ceil((termLast - 2000 + 1.1) * 12.3685));
    for (int k = kFirst; k <= kLast; ++k) {
        const double jde = TrueNewMoon(k);
        long day = BeijingDayNumber(jde);
        for (const MonthStartCorrection& c : kCorrections)
            if (day == DayNumber(c.computed.year, c.computed.month, c.computed.day))
                day = DayNumber(c.official.year, c.official.month, c.official.day);
        newMoons.push_back(day);
        const int y = FromDayNumber(newMoons.back()).year;
        if (y >= kFirstYear && y <= kLastYear + 1 && SecondsFromMidnight(jde) < kCloseSeconds)
            out.closeCalls.push_back(Describe("new moon", jde));
    }

    // The month holding 冬至 of Gregorian year y: the last one starting on or before it.
    auto eleventhMonth = [&](int y) {
        const long ws = winterSolstice[y - termFirst];
        const auto it = std::upper_bound(newMoons.begin(), newMoons.end(), ws);
        return static_cast<std::size_t>(it - newMoons.begin()) - 1;
    };
    auto holdsZhongqi = [&](std::size_t m) {
        const auto it = std::lower_bound(zhongqi.begin(), zhongqi.end(), newMoons[m]);
        return it != zhongqi.end() && *it < newMoons[m + 1];
    };

    std::vector<Month> months;
    for (int y = termFirst; y < termLast; ++y) {
        const std::size_t from = eleventhMonth(y), to = eleventhMonth(y + 1);
        const bool leapYear = to - from == 13;
        bool leapPlaced = false;
        int number = 11;
        for (std::size_t m = from; m < to; ++m) {
            bool leap = false;
            if (m != from) {
                if (leapYear && !leapPlaced && !holdsZhongqi(m)) {
                    leap = leapPlaced = true;
                } else {
                    number = number % 12 + 1;
                }
            }
            months.push_back({ newMoons[m], number, leap });
        }
    }

    for (int y = kFirstYear; y <= kLastYear; ++y) {
        // 正月 of lunar year y starts between January 20 and February 21 of Gregorian year y.
        auto isNewYear = [&](const Month& m) { return m.number == 1 && !m.leap && FromDayNumber(m.start).year == y; };
        const auto first = std::find_if(months.begin(), months.end(), isNewYear);
        if (first == months.end())
            throw std::runtime_error("no lunar new year found");
        LunarYearInfo info {};
        info.newYear = static_cast<std::uint8_t>(first->start - DayNumber(y, 1, 1) + 1);
        int ordinal = 0;
        for (auto m = first; m + 1 != months.end(); ++m, ++ordinal) {
            if (m != first && m->number == 1 && !m->leap)
                break;
            if (m->leap)
                info.leapMonth = static_cast<std::uint8_t>(m->number);
            if ((m + 1)->start - m->start == 30)
                info.bigMonths |= static_cast<std::uint16_t>(1u << ordinal);
        }
        out.lunarYears.push_back(info);
    }
    return out;
}

std::string LunarTableSource(const BuiltTables& tables)
{
    constexpr const char* kStems[10] = { "甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸" };
    constexpr const char* kBranches[12] = { "子", "丑", "寅", "卯", "辰", "巳", "午", "未", "申", "酉", "戌", "亥" };
    std::ostringstream s;
    s << "// Written by almanac_gen from the astronomical moments of Astro.cpp (VSOP87 Sun, Meeus new\n"
         "// moons, Beijing time); regenerate with `almanac_gen > almanac/LunarTable.cpp`. The unit test\n"
         "// rebuilds the table and compares it with this one and with the published month table.\n"
         "#include \"almanac/LunarTable.h\"\n\n"
         "namespace hx::almanac {\n\n"
         "// { day of the year of 正月初一, leap month, 30-day months (bit i = i-th month) }\n"
         "const LunarYearInfo kLunarYears[kYearCount] = {\n";
    char line[128];
    for (int i = 0; i < kYearCount; ++i) {
        const LunarYearInfo& y = tables.lunarYears[i];
        const int year = kFirstYear + i;
        const CivilDate d = FromDayNumber(DayNumber(year, 1, 1) + y.newYear - 1);
        const int cycle = ((year - 4) % 60 + 60) % 60;
        std::snprintf(line, sizeof line, "    { %d, %d, 0x%04X }, // %d %s%s %02d-%02d\n", y.newYear, y.leapMonth,
            y.bigMonths, year, kStems[cycle % 10], kBranches[cycle % 12], d.month, d.day);
        s << line;
    }
    s << "};\n\n"
         "// 小寒 大寒 立春 雨水 惊蛰 春分 清明 谷雨 立夏 小满 芒种 夏至 小暑 大暑\n"
         "// 立秋 处暑 白露 秋分 寒露 霜降 立冬 小雪 大雪 冬至\n"
         "const std::uint8_t kSolarTermDays[kYearCount][kTermCount] = {\n";
    for (int i = 0; i < kYearCount; ++i) {
        s << "    { ";
        for (int t = 0; t < kTermCount; ++t)
            s << static_cast<int>(tables.termDays[i * kTermCount + t]) << (t + 1 < kTermCount ? ", " : "");
        s << " }, // " << kFirstYear + i << "\n";
    }
    s << "};\n\n} // namespace hx::almanac\n";
    return s.str();
}

} // namespace hx::almanac
