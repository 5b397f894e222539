#include "info/InfoRecords.h"

namespace hx {

TweatherRec InfoStore::Weather() const
{
    std::lock_guard lock(mutex_);
    return weather_;
}

TastroRec InfoStore::Astro() const
{
    std::lock_guard lock(mutex_);
    return astro_;
}

std::string InfoStore::AlmanacText() const
{
    std::lock_guard lock(mutex_);
    return almanac_;
}

void InfoStore::PublishWeather(const TweatherRec& rec, int fields)
{
    std::lock_guard lock(mutex_);
    // Fall-through on purpose: field n is published together with every field before it.
    switch (fields < WeatherFieldCount ? fields : WeatherFieldCount) {
    case 6:
        weather_.UvLevel = rec.UvLevel;
        [[fallthrough]];
    case 5:
        weather_.Power = rec.Power;
        [[fallthrough]];
    case 4:
        weather_.Direction = rec.Direction;
        [[fallthrough]];
    case 3:
        weather_.Temperature2 = rec.Temperature2;
        [[fallthrough]];
    case 2:
        weather_.Temperature1 = rec.Temperature1;
        [[fallthrough]];
    case 1:
        weather_.Status = rec.Status;
        break;
    default:
        break;
    }
}

void InfoStore::PublishAstro(const TastroRec& rec)
{
    std::lock_guard lock(mutex_);
    astro_ = rec;
}

void InfoStore::PublishAlmanac(std::string text)
{
    std::lock_guard lock(mutex_);
    almanac_ = std::move(text);
}

void InfoStore::Reset()
{
    std::lock_guard lock(mutex_);
    weather_ = {};
    astro_ = {};
    almanac_.clear();
}

InfoStore& InfoRecords()
{
    static InfoStore store;
    return store;
}

} // namespace hx
