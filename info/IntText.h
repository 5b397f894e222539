// Strict decimal conversion of the number texts found in replies: leading spaces, an optional
// sign, decimal digits and nothing after them, within the 32-bit signed range.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace hx {

std::optional<int32_t> IntFromText(std::string_view text);

} // namespace hx
