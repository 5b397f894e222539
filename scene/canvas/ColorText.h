// The toolkit's colour text: "#AARRGGBB" out; "#" and hex digits, an SVG colour keyword or a
// signed 32-bit integer (decimal, or hexadecimal after "$") in. Colours are 32-bit ARGB.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hx {

using TvxColor = uint32_t;

// "#" followed by the eight upper-case hexadecimal digits of c.
std::string ColorToText(TvxColor c);

// Empty when the text is none of the accepted forms (a hexadecimal number wider than 32 bits,
// a decimal outside the signed 32-bit range, stray characters).
std::optional<TvxColor> TryTextToColor(std::string_view text);

// TryTextToColor, with `fallback` for text it cannot read.
TvxColor TextToColor(std::string_view text, TvxColor fallback = 0);

} // namespace hx
