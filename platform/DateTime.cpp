#include "platform/DateTime.h"

#include <cmath>
#include <ctime>

namespace hx {
namespace {

    // Days from 1970-01-01 for a proleptic Gregorian date (Howard Hinnant's algorithm).
    long DaysFromCivil(int y, int m, int d)
    {
        y -= m <= 2;
        const long era = (y >= 0 ? y : y - 399) / 400;
        const unsigned yoe = static_cast<unsigned>(y - era * 400);
        const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + static_cast<long>(doe) - 719468;
    }

    void CivilFromDays(long z, int& y, int& m, int& d)
    {
        z += 719468;
        const long era = (z >= 0 ? z : z - 146096) / 146097;
        const unsigned doe = static_cast<unsigned>(z - era * 146097);
        const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const long yy = static_cast<long>(yoe) + era * 400;
        const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const unsigned mp = (5 * doy + 2) / 153;
        d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
        m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
        y = static_cast<int>(yy + (m <= 2));
    }

    constexpr long kDelphiEpochFromUnix = 25569; // 1899-12-30 .. 1970-01-01

} // namespace

LocalDateTime ToLocal(SystemTimePoint t)
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count();
    std::time_t secs = static_cast<std::time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
    tm tmv {};
    localtime_r(&secs, &tmv);
    LocalDateTime l;
    l.year = tmv.tm_year + 1900;
    l.month = tmv.tm_mon + 1;
    l.day = tmv.tm_mday;
    l.hour = tmv.tm_hour;
    l.minute = tmv.tm_min;
    l.second = tmv.tm_sec;
    l.millisecond = static_cast<int>(ms - static_cast<long long>(secs) * 1000);
    l.weekday = tmv.tm_wday;
    return l;
}

SystemTimePoint FromLocal(const LocalDateTime& l)
{
    tm tmv {};
    tmv.tm_year = l.year - 1900;
    tmv.tm_mon = l.month - 1;
    tmv.tm_mday = l.day;
    tmv.tm_hour = l.hour;
    tmv.tm_min = l.minute;
    tmv.tm_sec = l.second;
    tmv.tm_isdst = -1;
    const std::time_t secs = mktime(&tmv);
    return std::chrono::system_clock::from_time_t(secs) + std::chrono::milliseconds(l.millisecond);
}

double EncodeDateTime(const LocalDateTime& l)
{
    const long days = DaysFromCivil(l.year, l.month, l.day) + kDelphiEpochFromUnix;
    const double frac = (l.hour * 3600000.0 + l.minute * 60000.0 + l.second * 1000.0 + l.millisecond) / 86400000.0;
    return static_cast<double>(days) + frac;
}

LocalDateTime DecodeDateTime(double value)
{
    LocalDateTime l;
    const double dayPart = std::floor(value);
    long long msOfDay = std::llround((value - dayPart) * 86400000.0);
    long days = static_cast<long>(dayPart);
    if (msOfDay >= 86400000) {
        msOfDay -= 86400000;
        ++days;
    }
    CivilFromDays(days - kDelphiEpochFromUnix, l.year, l.month, l.day);
    l.hour = static_cast<int>(msOfDay / 3600000);
    l.minute = static_cast<int>(msOfDay / 60000 % 60);
    l.second = static_cast<int>(msOfDay / 1000 % 60);
    l.millisecond = static_cast<int>(msOfDay % 1000);
    l.weekday = static_cast<int>(((days - kDelphiEpochFromUnix) % 7 + 7 + 4) % 7); // 1970-01-01 was a Thursday
    return l;
}

double ToDateTime(SystemTimePoint t) { return EncodeDateTime(ToLocal(t)); }

} // namespace hx
