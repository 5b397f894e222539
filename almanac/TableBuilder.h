// Builds the calendar table from the astronomical moments of Astro.h by the rules of the
// Chinese calendar (GB/T 33661-2017): months start on the Beijing day of the new moon, 冬至
// lies in the eleventh month, and in a span of thirteen months from one eleventh month to the
// next the first month without a 中气 is the leap month.
#pragma once

#include "almanac/LunarTable.h"

#include <string>
#include <vector>

namespace hx::almanac {

struct BuiltTables {
    std::vector<LunarYearInfo> lunarYears; // kFirstYear .. kLastYear
    std::vector<std::uint8_t> termDays; // kYearCount * kTermCount
    // Moments that fall within a few minutes of Beijing midnight, where the computed day is
    // least certain; one human-readable line each.
    std::vector<std::string> closeCalls;
};

BuiltTables BuildTables();

// The source text of LunarTable.cpp for these tables.
std::string LunarTableSource(const BuiltTables& tables);

} // namespace hx::almanac
