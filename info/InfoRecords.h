// The fetched information that the info panel shows: today's weather, today's horoscope and
// the almanac text. Workers build a record privately and publish it whole under the store's
// lock; readers always get a consistent copy.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace hx {

struct TweatherRec {
    std::string Status;
    int32_t Temperature1 = 0;
    int32_t Temperature2 = 0;
    std::string Direction;
    std::string Power;
    std::string UvLevel;

    bool operator==(const TweatherRec&) const = default;
};

// Number of fields of TweatherRec, in the order in which a weather reply assigns them.
inline constexpr int WeatherFieldCount = 6;

struct TastroRec {
    int32_t OverallStars = 0;
    int32_t LoveStars = 0;
    int32_t WorkStars = 0;
    int32_t FinanceStars = 0;
    std::string LuckyColour;
    int32_t LuckyNumber = 0;
    std::string Summary;
    std::string MatchSign;

    bool operator==(const TastroRec&) const = default;
};

class InfoStore {
public:
    TweatherRec Weather() const;
    TastroRec Astro() const;
    std::string AlmanacText() const;

    // Publishes the first `fields` fields of rec (in TweatherRec's order); the others keep
    // their values. A reply whose conversion fails half-way publishes the fields before the fault.
    void PublishWeather(const TweatherRec& rec, int fields = WeatherFieldCount);
    void PublishAstro(const TastroRec& rec);
    void PublishAlmanac(std::string text);

    void Reset();

private:
    mutable std::mutex mutex_;
    TweatherRec weather_;
    TastroRec astro_;
    std::string almanac_;
};

// The one program-wide store, filled by the fetch workers and read by the info panel.
InfoStore& InfoRecords();

} // namespace hx
