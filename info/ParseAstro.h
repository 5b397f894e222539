// Takes the horoscope site's page apart into TastroRec. The page is not parsed as HTML: each
// field is found by a fixed pattern anchored on a Chinese heading, matched byte-wise on the
// UTF-8 text, and cut out by plain substring deletion.
#pragma once

#include "info/InfoRecords.h"

#include <string_view>

namespace hx {

// Every field is worked out from the whole page on its own; a missing section gives the
// field's fallback (0, "无" or empty). Never fails.
TastroRec ParseAstro(std::string_view page);

// Number of image tags in the section under heading, 0 when the section is missing.
int32_t CountStars(std::string_view page, std::string_view heading);

} // namespace hx
