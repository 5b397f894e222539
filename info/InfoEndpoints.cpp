#include "info/InfoEndpoints.h"

#include "info/HttpFetch.h"

#include <cstdlib>

namespace hx {
namespace {

    std::string BaseFrom(const char* variable, std::string_view fallback)
    {
        const char* env = std::getenv(variable);
        std::string base = env && *env ? std::string(env) : std::string(fallback);
        while (!base.empty() && base.back() == '/')
            base.pop_back();
        return base;
    }

} // namespace

std::string WeatherBase() { return BaseFrom("HORALUX_WEATHER_URL", DefaultWeatherBase); }

std::string AstroBase() { return BaseFrom("HORALUX_ASTRO_URL", DefaultAstroBase); }

std::string WeatherUrl(std::string_view base, const std::string& city)
{
    // The city is escaped so that "&", "#" or "=" in a name cannot change the query.
    std::string url(base);
    url += "/xml.php?password=";
    url += WeatherPassword;
    url += "&city=";
    url += UrlEscape(city);
    url += "&day=0";
    return url;
}

std::array<std::string, 12> AstroUrls(std::string_view base)
{
    std::array<std::string, 12> urls;
    for (size_t i = 0; i < urls.size(); ++i)
        urls[i] = std::string(base) + "/iframe/astro/view/" + AstroWords[i] + "/day/";
    return urls;
}

} // namespace hx
