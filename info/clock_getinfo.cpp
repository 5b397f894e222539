#include "info/clock_getinfo.h"

#include "app/clock_data.h"
#include "info/InfoEndpoints.h"
#include "info/ParseAstro.h"
#include "info/ParseWeather.h"
#include "info/TextDecode.h"
#include "platform/Log.h"
#include "platform/Platform.h"

namespace hx {

InfoConfig InfoConfig::FromEnvironment()
{
    InfoConfig config;
    config.weatherBase = WeatherBase();
    config.astroBase = AstroBase();
    config.almanac = AlmanacLibrary::Program().Function();
    config.store = &InfoRecords();
    return config;
}

TgetInfo::TgetInfo(IPlatform& platform, const InfoConfig& config, std::string city, std::string astro,
    std::function<void()> onFinished, FetchCancel& cancel)
    : platform_(platform)
    , config_(config)
    , city_(std::move(city))
    , astro_(std::move(astro))
    , onFinished_(std::move(onFinished))
    , cancel_(cancel)
{
}

bool TgetInfo::Request(const std::string& url, const char* what, bool& parse)
{
    FReplyText.clear();
    parse = false;
    HttpReply reply = HttpGet(url, config_.limits, &cancel_);
    switch (reply.outcome) {
    case HttpOutcome::Ok:
        break;
    case HttpOutcome::Unreachable:
        Log(std::string(what) + ": " + url + " cannot be opened (" + reply.error + ")");
        return false;
    case HttpOutcome::Failed:
        Log(std::string(what) + ": request to " + url + " failed (" + reply.error + ")");
        return false;
    case HttpOutcome::Cancelled:
        return false;
    }
    FReplyText = DecodeReply(reply.body, reply.contentType);
    // An error page is not the information asked for: it must not wipe the record.
    if (reply.status < 200 || reply.status > 299) {
        Log(std::string(what) + ": " + url + " answered status " + std::to_string(reply.status) + "; not read");
        return true;
    }
    parse = FReplyText.size() >= MinParsedReply;
    return true;
}

bool TgetInfo::Execute()
{
    InfoStore& store = config_.store ? *config_.store : InfoRecords();
    bool parse = false;

    if (!Request(WeatherUrl(config_.weatherBase, city_), "weather", parse))
        return false;
    if (parse) {
        TweatherRec weather;
        int assigned = ParseWeather(FReplyText, weather);
        store.PublishWeather(weather, assigned);
        if (assigned < WeatherFieldCount)
            return false;
    }

    const std::string astroUrl = AstroUrls(config_.astroBase)[AstroIndexOf(astro_)];
    if (!Request(astroUrl, "horoscope", parse))
        return false;
    if (parse)
        store.PublishAstro(ParseAstro(FReplyText));

    LocalDateTime today = ToLocal(platform_.Now());
    store.PublishAlmanac(AlmanacTextFor(config_.almanac, today.year, today.month, today.day));

    if (cancel_.Cancelled())
        return false;
    if (onFinished_)
        platform_.Post(onFinished_);
    return true;
}

} // namespace hx
