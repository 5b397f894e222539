// The program-wide settings record and its persistence in the settings store, plus the
// table of the twelve star signs. The record lives for the whole run; it is read when the
// clock window is created and written when it is destroyed at exit.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace hx {

struct TsettingsRec {
    std::string Font; // UTF-8 face name of the clock font
    int32_t FontSize = 0; // 20..90
    uint32_t StartColor = 0; // ARGB, left end of the face's gradient
    uint32_t EndColor = 0; // ARGB, right end
    std::string City; // UTF-8
    std::string Astro; // UTF-8, one of AstroSigns
    bool CheckTime = false;
    int32_t Alpha = 0; // info panel opacity in tenths
    int32_t ShowIndex = 0; // -1 none, 0 weather, 1 horoscope, 2 almanac
    int32_t FrmTop = 0;
    int32_t FrmLeft = 0;
    bool TaskEvery = false;
    bool TaskArmed = false;
    double TaskTime = 0; // time of day in days, +1 for the next day
    int32_t TaskAction = 0; // 0 shut down, 1 restart, 2 suspend, 3 monitor off

    // Run-time only, never stored: the whole day number (days since 1899-12-30) on which the
    // task was armed, so that its moment is TaskBaseDay + TaskTime.
    double TaskBaseDay = 0;
};

// The one program-wide record.
TsettingsRec& Settings();

inline constexpr std::array<const char*, 12> AstroSigns = {
    "白羊座",
    "金牛座",
    "双子座",
    "巨蟹座",
    "狮子座",
    "处女座",
    "天秤座",
    "天蝎座",
    "射手座",
    "摩羯座",
    "水瓶座",
    "双鱼座",
};

// Index of the first sign equal to name (exact), 0 when none matches.
int AstroIndexOf(const std::string& name);

class KeyStore;

// Fills every field from the store. workAreaWidth gives FrmLeft (width - 280).
void LoadSettings(TsettingsRec& rec, KeyStore& store, int workAreaWidth);
// Writes the record; windowLeft/windowTop are the clock window's current edges.
// Returns false (and logs) when the store could not be written; the old file stays intact.
bool SaveSettings(const TsettingsRec& rec, KeyStore& store, int windowLeft, int windowTop);

} // namespace hx
