#include "platform/TimeFormat.h"

#include <algorithm>

namespace hx {

LongTimeFormat ParseTimeFormat(const std::string& fmt, const std::string& am, const std::string& pm)
{
    LongTimeFormat f;
    f.amDesignator = am;
    f.pmDesignator = pm;
    size_t hourPos = std::string::npos, designatorPos = std::string::npos;
    for (size_t i = 0; i + 1 < fmt.size(); ++i) {
        if (fmt[i] != '%')
            continue;
        size_t j = i + 1;
        bool noPad = false;
        // glibc flags: "%-I" drops the padding, "%_H" pads with a space (no zero either).
        if (j < fmt.size() && (fmt[j] == '-' || fmt[j] == '_')) {
            noPad = true;
            ++j;
        }
        if (j >= fmt.size())
            break;
        const char c = fmt[j];
        switch (c) {
        case 'H':
        case 'I':
            if (hourPos == std::string::npos) {
                hourPos = i;
                f.twelveHour = c == 'I';
                f.leadingZeroHour = !noPad;
            }
            break;
        case 'k':
        case 'l':
            if (hourPos == std::string::npos) {
                hourPos = i;
                f.twelveHour = c == 'l';
                f.leadingZeroHour = false;
            }
            break;
        case 'T':
        case 'R':
            if (hourPos == std::string::npos) {
                hourPos = i;
                f.leadingZeroHour = true;
            }
            break;
        case 'r':
            if (hourPos == std::string::npos) {
                hourPos = i;
                f.twelveHour = true;
                f.leadingZeroHour = true;
                designatorPos = i + 1;
            }
            break;
        case 'p':
        case 'P':
            if (designatorPos == std::string::npos)
                designatorPos = i;
            break;
        default:
            break;
        }
        i = j;
    }
    if (!f.twelveHour || am.empty() || pm.empty()) {
        f.twelveHour = f.twelveHour && !(am.empty() && pm.empty());
    }
    f.designatorFirst
        = f.twelveHour && designatorPos != std::string::npos && hourPos != std::string::npos && designatorPos < hourPos;
    return f;
}

std::string FormatLongTime(const LongTimeFormat& f, const LocalDateTime& t)
{
    int hour = t.hour;
    if (f.twelveHour) {
        hour = hour % 12;
        if (hour == 0)
            hour = 12;
    }
    // By hand: the clock formats this every second, and printf's machinery is the costliest
    // part of it on a cold cache.
    char buf[16];
    char* out = buf;
    auto two = [&out](int v) {
        *out++ = static_cast<char>('0' + v / 10 % 10);
        *out++ = static_cast<char>('0' + v % 10);
    };
    const int h = std::clamp(hour, 0, 99), m = std::clamp(t.minute, 0, 99), sec = std::clamp(t.second, 0, 99);
    if (f.leadingZeroHour || h >= 10)
        two(h);
    else
        *out++ = static_cast<char>('0' + h);
    *out++ = ':';
    two(m);
    *out++ = ':';
    two(sec);
    *out = '\0';
    if (!f.twelveHour)
        return buf;
    const std::string& designator = t.hour < 12 ? f.amDesignator : f.pmDesignator;
    if (designator.empty())
        return buf;
    return f.designatorFirst ? designator + " " + buf : std::string(buf) + " " + designator;
}

} // namespace hx
