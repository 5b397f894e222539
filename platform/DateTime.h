// The shared date-time form: a double counting days since 1899-12-30 in local time,
// the fraction being the time of day. Conversions use the zone's real offset at that instant.
#pragma once

#include <chrono>

namespace hx {

using SystemTimePoint = std::chrono::system_clock::time_point;

struct LocalDateTime {
    int year = 0, month = 0, day = 0; // month 1..12, day 1..31
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int weekday = 0; // 0 = Sunday
};

LocalDateTime ToLocal(SystemTimePoint t);
// The local wall-clock moment back to an instant; a time that does not exist (in a DST gap)
// is resolved the way mktime resolves it.
SystemTimePoint FromLocal(const LocalDateTime& local);

double EncodeDateTime(const LocalDateTime& local); // days since 1899-12-30 + time fraction
LocalDateTime DecodeDateTime(double value);
double ToDateTime(SystemTimePoint t);

} // namespace hx
