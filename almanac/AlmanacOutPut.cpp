#include "almanac/Almanac.h"
#include "almanac/AlmanacText.h"
#include "almanac/Calendar.h"

#include <string>

const char* AlmanacOutPut(const char* ident, int year, int month, int day)
{
    // One text per thread: it outlives the call, and a worker that calls again reuses it.
    thread_local std::string text;
    try {
        const std::optional<hx::almanac::DayInfo> info = hx::almanac::DescribeDay(year, month, day);
        if (!info)
            return "";
        hx::almanac::WriteAlmanacText(*info, ident, text);
        return text.c_str();
    } catch (...) {
        // Out of memory while building the text: no exception may cross into a C caller.
        return "";
    }
}
