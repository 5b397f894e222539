// The locale's long time format reduced to what the clock face needs.
#pragma once

#include "platform/DateTime.h"

#include <string>

namespace hx {

struct LongTimeFormat {
    bool leadingZeroHour = false; // "hh" instead of "h"
    bool twelveHour = false;
    bool designatorFirst = false; // "AM 9:05:07" rather than "9:05:07 AM"
    std::string amDesignator, pmDesignator;
};

// Builds the format from an strftime time format such as nl_langinfo(T_FMT) gives.
LongTimeFormat ParseTimeFormat(const std::string& strftimeFormat, const std::string& am, const std::string& pm);

// "9:05:07", "09:05:07", "9:05:07 PM" or "下午 9:05:07".
std::string FormatLongTime(const LongTimeFormat& format, const LocalDateTime& t);

} // namespace hx
