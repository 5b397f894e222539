#include "app/clock_data.h"

#include "platform/KeyStore.h"
#include "platform/Log.h"

#include <bit>
#include <cmath>

namespace hx {

namespace {

    constexpr const char* DefaultFont = "宋体";
    constexpr int32_t DefaultFontSize = 60;
    constexpr uint32_t DefaultStartColor = 0x66666666;
    constexpr uint32_t DefaultEndColor = 0xF0F8F8F8;
    constexpr const char* DefaultCity = "北京";
    constexpr int32_t DefaultShowIndex = -1;
    constexpr int32_t DefaultAlpha = 10;
    constexpr int32_t DefaultFrmTop = 30;
    constexpr int LeftMargin = 280;

    void LogWrongType(std::string_view name)
    {
        Log("settings: value \"" + std::string(name) + "\" has the wrong type; using the default");
    }

    // A present value of another type counts as absent, with a line in the log.
    std::optional<std::string> ReadString(const KeyStore& store, std::string_view name)
    {
        auto v = store.ReadString(name);
        if (!v && store.Exists(name))
            LogWrongType(name);
        return v;
    }

    std::optional<uint32_t> ReadDword(const KeyStore& store, std::string_view name)
    {
        auto v = store.ReadDword(name);
        if (!v && store.Exists(name))
            LogWrongType(name);
        return v;
    }

    void LoadText(std::string& field, const KeyStore& store, std::string_view name, const char* fallback)
    {
        field = fallback;
        if (auto v = ReadString(store, name))
            field = *v;
        if (field.empty())
            field = fallback;
    }

    void LoadColor(uint32_t& field, const KeyStore& store, std::string_view name, uint32_t fallback)
    {
        field = fallback;
        if (auto v = ReadDword(store, name))
            field = *v;
        if (field == 0)
            field = fallback;
    }

    void LoadInt(int32_t& field, const KeyStore& store, std::string_view name, int32_t fallback)
    {
        field = fallback;
        if (auto v = ReadDword(store, name))
            field = static_cast<int32_t>(*v);
    }

    // The stored target of a daily task: an 8-byte little-endian double, a time of day plus 1
    // when it lies on the next day. Anything else cannot be a target the task window set.
    std::optional<double> ReadTaskTime(const KeyStore& store)
    {
        auto bytes = store.ReadBinary("TaskTime");
        if (!bytes || bytes->size() != sizeof(double)) {
            Log("settings: the daily task has no usable \"TaskTime\"; it is not restored");
            return std::nullopt;
        }
        uint64_t bits = 0;
        for (size_t i = 0; i < sizeof bits; ++i)
            bits |= uint64_t { (*bytes)[i] } << (8 * i);
        double t = std::bit_cast<double>(bits);
        if (!std::isfinite(t) || t < 0 || t >= 2) {
            Log("settings: the daily task's \"TaskTime\" is out of range; it is not restored");
            return std::nullopt;
        }
        return t;
    }

    KeyStore::Bytes TaskTimeBytes(double t)
    {
        uint64_t bits = std::bit_cast<uint64_t>(t);
        KeyStore::Bytes bytes(sizeof bits);
        for (size_t i = 0; i < sizeof bits; ++i)
            bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
        return bytes;
    }

} // namespace

TsettingsRec& Settings()
{
    static TsettingsRec rec;
    return rec;
}

int AstroIndexOf(const std::string& name)
{
    for (size_t i = 0; i < AstroSigns.size(); ++i)
        if (name == AstroSigns[i])
            return static_cast<int>(i);
    return 0;
}

void LoadSettings(TsettingsRec& rec, KeyStore& store, int workAreaWidth)
{
    store.Load();

    LoadText(rec.Font, store, "Font", DefaultFont);

    LoadInt(rec.FontSize, store, "FontSize", DefaultFontSize);
    if (rec.FontSize < 20 || rec.FontSize > 90)
        rec.FontSize = DefaultFontSize;

    LoadColor(rec.StartColor, store, "StartColor", DefaultStartColor);
    LoadColor(rec.EndColor, store, "EndColor", DefaultEndColor);
    LoadText(rec.City, store, "City", DefaultCity);
    LoadText(rec.Astro, store, "Astro", AstroSigns[0]);

    if (auto v = ReadDword(store, "CheckTime"))
        rec.CheckTime = *v != 0;

    LoadInt(rec.ShowIndex, store, "ShowIndex", DefaultShowIndex);
    LoadInt(rec.Alpha, store, "Alpha", DefaultAlpha);
    // Written as "Frmtop": the names match without regard to case, so this is the same value.
    LoadInt(rec.FrmTop, store, "FrmTop", DefaultFrmTop);
    // The stored left edge is deliberately ignored: the clock always starts at the right side.
    rec.FrmLeft = workAreaWidth - LeftMargin;

    if (auto every = ReadDword(store, "TaskEvery")) {
        rec.TaskEvery = *every != 0;
        rec.TaskArmed = rec.TaskEvery;
        if (rec.TaskEvery) {
            if (auto t = ReadTaskTime(store)) {
                rec.TaskTime = *t;
                rec.TaskAction = 0;
                if (auto action = ReadDword(store, "TaskAction"))
                    rec.TaskAction = static_cast<int32_t>(*action);
            } else {
                rec.TaskEvery = rec.TaskArmed = false;
            }
        }
    }
}

bool SaveSettings(const TsettingsRec& rec, KeyStore& store, int windowLeft, int windowTop)
{
    // Re-read first, as opening the registry key would: values written by others since the
    // load, and values this program does not know, are kept.
    store.Load();

    store.WriteString("Font", rec.Font);
    store.WriteDword("FontSize", static_cast<uint32_t>(rec.FontSize));
    store.WriteDword("StartColor", rec.StartColor);
    store.WriteDword("EndColor", rec.EndColor);
    store.WriteString("City", rec.City);
    store.WriteString("Astro", rec.Astro);
    store.WriteDword("CheckTime", rec.CheckTime ? 1 : 0);
    store.WriteDword("Alpha", static_cast<uint32_t>(rec.Alpha));
    store.WriteDword("ShowIndex", static_cast<uint32_t>(rec.ShowIndex));
    store.WriteDword("Frmtop", static_cast<uint32_t>(windowTop));
    store.WriteDword("FrmLeft", static_cast<uint32_t>(windowLeft));
    store.WriteDword("TaskEvery", rec.TaskEvery && rec.TaskArmed ? 1 : 0);
    if (rec.TaskEvery)
        store.WriteBinary("TaskTime", TaskTimeBytes(rec.TaskTime));
    store.WriteDword("TaskAction", static_cast<uint32_t>(rec.TaskAction));

    if (!store.Save()) {
        Log("settings: the settings of this run were not saved");
        return false;
    }
    return true;
}

} // namespace hx
