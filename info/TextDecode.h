// Turns the bytes of an HTTP reply into UTF-8 text, decoding them from the character set the
// reply declares: a byte-order mark, else the Content-Type header, else the XML declaration or
// the HTML meta tag, else UTF-8. Bytes that do not decode become U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace hx {

std::string DecodeReply(std::string_view body, std::string_view contentType);

// The charset the reply declares, lower-case, empty when none ("utf-8" for a UTF-8 BOM ...).
std::string DeclaredCharset(std::string_view body, std::string_view contentType);

} // namespace hx
