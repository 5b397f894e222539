// Small text helpers the toolkit shares: ASCII case-insensitive comparison (names of
// classes, properties, resources and handlers) and UTF-8 <-> UTF-16 conversion.
#pragma once

#include <string>
#include <string_view>

namespace hx {

char LowerAscii(char c);
std::string LowerAscii(std::string_view s);
bool SameText(std::string_view a, std::string_view b);
bool SameText(std::u16string_view a, std::u16string_view b);

// Invalid sequences become U+FFFD; conversion never fails.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

} // namespace hx
