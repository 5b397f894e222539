// Where the fetch worker gets its information: the weather service's address for a city and
// the twelve horoscope page addresses. Both hosts can be replaced through the environment
// (HORALUX_WEATHER_URL, HORALUX_ASTRO_URL: scheme, host and optional port, no path).
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace hx {

inline constexpr std::string_view DefaultWeatherBase = "http://weather.brightfen.com";
inline constexpr std::string_view DefaultAstroBase = "http://astro.brightfen.com";

// The weather service's fixed access value.
inline constexpr std::string_view WeatherPassword = "Qv7RmLp2Xc9KtB4w";

// Path words of the horoscope pages, indexed like AstroSigns; the mixed case is the site's.
inline constexpr std::array<const char*, 12> AstroWords = {
    "aries",
    "Taurus",
    "Gemini",
    "Cancer",
    "leo",
    "Virgo",
    "Libra",
    "Scorpio",
    "Sagittarius",
    "Capricorn",
    "Aquarius",
    "Pisces",
};

std::string WeatherBase(); // $HORALUX_WEATHER_URL or the default
std::string AstroBase(); // $HORALUX_ASTRO_URL or the default

// base + "/xml.php?password=…&city=…&day=0", the city percent-encoded as UTF-8 bytes.
std::string WeatherUrl(std::string_view base, const std::string& city);

// base + "/iframe/astro/view/" + word + "/day/" for every sign.
std::array<std::string, 12> AstroUrls(std::string_view base);

} // namespace hx
