// Conversion between the binary object-stream form and its text form
//     object Name: TClass
//       Prop = value
//       object Child: TOther
//       end
//     end
// Works on the stream's structure alone (no class registry needed).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hx {

// False (with a log line and a partial result) for a stream that is not well formed.
bool ObjectBinaryToText(std::span<const uint8_t> binary, std::string& text);
// False (with the line number logged) for text that does not parse; binary is then empty.
bool ObjectTextToBinary(std::string_view text, std::vector<uint8_t>& binary);

} // namespace hx
