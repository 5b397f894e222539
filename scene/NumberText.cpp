#include "scene/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace hx {

std::string FormatStoredFloat(float v)
{
    char buf[64];
    if (!std::isfinite(v))
        return "0";
    if (v == std::trunc(v) && std::fabs(v) < 1e15f)
        std::snprintf(buf, sizeof buf, "%.0f", static_cast<double>(v));
    else
        std::snprintf(buf, sizeof buf, "%.3f", static_cast<double>(v));
    // "%.3f" follows the C locale here: the program never calls setlocale for numbers,
    // but guard against a "," decimal point anyway.
    for (char* p = buf; *p; ++p) {
        if (*p == ',')
            *p = '.';
    }
    std::string s = buf;
    return s == "-0" ? "0" : s;
}

std::optional<std::vector<float>> ParseStoredTuple(std::string_view text, size_t count)
{
    auto skipSpace = [&](size_t& i) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
    };
    size_t i = 0;
    skipSpace(i);
    if (i >= text.size() || text[i] != '(')
        return std::nullopt;
    ++i;
    std::vector<float> out;
    for (size_t k = 0; k < count; ++k) {
        skipSpace(i);
        float v = 0;
        const char* first = text.data() + i;
        auto [ptr, ec] = std::from_chars(first, text.data() + text.size(), v);
        if (ec != std::errc() || !std::isfinite(v))
            return std::nullopt;
        i += static_cast<size_t>(ptr - first);
        out.push_back(v);
        skipSpace(i);
        char expect = k + 1 < count ? ',' : ')';
        if (i >= text.size() || text[i] != expect)
            return std::nullopt;
        ++i;
    }
    return out;
}

} // namespace hx
