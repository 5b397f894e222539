// Reads the weather service's XML reply into TweatherRec. The reply is UTF-8 text already;
// element names are matched without regard to case, depth first below the root element.
#pragma once

#include "info/InfoRecords.h"

#include <string_view>

namespace hx {

// Assigns the fields of rec in TweatherRec's order and returns how many it assigned. Fewer
// than WeatherFieldCount means the reply was unusable at that field (no root element, or a
// temperature that is not an integer): the caller keeps the fields before it and ends the run.
int ParseWeather(std::string_view reply, TweatherRec& rec);

} // namespace hx
