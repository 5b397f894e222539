// Number text of the stored geometry forms: "." as decimal point whatever the locale; a
// value without fraction as a whole number, any other with three decimals ("%.3f").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hx {

std::string FormatStoredFloat(float v);
// Parses "(a,b,...)" with exactly count numbers; nullopt when the text does not parse.
std::optional<std::vector<float>> ParseStoredTuple(std::string_view text, size_t count);

} // namespace hx
