// The almanac entry of one day as the info panel reads it: eleven fields joined by "/",
// 农历, 干支, 生肖, 宜, 忌, 冲煞 (shown), then 公历, 星期, 节气, 值星, 来源 (kept back).
#pragma once

#include "almanac/Calendar.h"

#include <string>

namespace hx::almanac {

// Replaces `out` with the entry of `day`; `ident` (may be null) becomes the 来源 field.
// Reuses the capacity of `out`, so a caller that keeps its string allocates only at first.
void WriteAlmanacText(const DayInfo& day, const char* ident, std::string& out);

// The activities one 建除 officer suits (宜) and does not (忌), joined by spaces.
struct OfficerAdvice {
    const char* name;
    const char* suits;
    const char* avoids;
};
const OfficerAdvice& AdviceFor(int officer);

} // namespace hx::almanac
