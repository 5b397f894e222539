#include "info/IntText.h"

#include <charconv>

namespace hx {

std::optional<int32_t> IntFromText(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // from_chars accepts a leading '-' but no '+', and no sign after ours.
    if (i == text.size() || text[i] < '0' || text[i] > '9')
        return std::nullopt;
    int64_t value = 0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last)
        return std::nullopt;
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

} // namespace hx
