#include "app/clock_data.h"
#include "platform/KeyStore.h"
#include "tests/app/SettingsTestDir.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace hx {
namespace {
    namespace fs = std::filesystem;

    constexpr int WorkAreaWidth = 1920;

    class ClockDataTest : public test::SettingsTestDir {
    protected:
        // Loads a fresh record from a file holding the given lines.
        TsettingsRec LoadFrom(const std::string& lines)
        {
            if (!lines.empty())
                WriteText(file, lines);
            KeyStore store(file);
            TsettingsRec rec;
            LoadSettings(rec, store, WorkAreaWidth);
            return rec;
        }

        KeyStore Stored()
        {
            KeyStore store(file);
            EXPECT_TRUE(store.Load());
            return store;
        }
    };

    TEST_F(ClockDataTest, AnEmptyStoreGivesTheDefaults)
    {
        const TsettingsRec rec = LoadFrom("");
        EXPECT_EQ(rec.Font, "宋体");
        EXPECT_EQ(rec.FontSize, 60);
        EXPECT_EQ(rec.StartColor, 0x66666666u);
        EXPECT_EQ(rec.EndColor, 0xF0F8F8F8u);
        EXPECT_EQ(rec.City, "北京");
        EXPECT_EQ(rec.Astro, "白羊座");
        EXPECT_FALSE(rec.CheckTime);
        EXPECT_EQ(rec.ShowIndex, -1);
        EXPECT_EQ(rec.Alpha, 10);
        EXPECT_EQ(rec.FrmTop, 30);
        EXPECT_EQ(rec.FrmLeft, WorkAreaWidth - 280);
        EXPECT_FALSE(rec.TaskEvery);
        EXPECT_FALSE(rec.TaskArmed);
        EXPECT_EQ(rec.TaskTime, 0);
        EXPECT_EQ(rec.TaskAction, 0);
        EXPECT_TRUE(fs::is_directory(file.parent_path())); // the "key" is created
        EXPECT_TRUE(log.empty());
    }

    TEST_F(ClockDataTest, StoredValuesFollowTheirRules)
    {
        struct Case {
            const char* line;
            std::function<bool(const TsettingsRec&)> holds;
            bool logs = false;
        };
        const Case cases[] = {
            { "\"FontSize\"=dword:13", [](auto& r) { return r.FontSize == 60; } }, // 19
            { "\"FontSize\"=dword:14", [](auto& r) { return r.FontSize == 20; } },
            { "\"FontSize\"=dword:5a", [](auto& r) { return r.FontSize == 90; } },
            { "\"FontSize\"=dword:5b", [](auto& r) { return r.FontSize == 60; } }, // 91
            { "\"FontSize\"=dword:ffffffec", [](auto& r) { return r.FontSize == 60; } }, // -20
            { "\"StartColor\"=dword:0", [](auto& r) { return r.StartColor == 0x66666666u; } },
            { "\"EndColor\"=dword:0", [](auto& r) { return r.EndColor == 0xF0F8F8F8u; } },
            { "\"StartColor\"=dword:00ff0000", [](auto& r) { return r.StartColor == 0x00FF0000u; } },
            { "\"Font\"=\"\"", [](auto& r) { return r.Font == "宋体"; } },
            { "\"City\"=\"\"", [](auto& r) { return r.City == "北京"; } },
            { "\"Astro\"=\"\"", [](auto& r) { return r.Astro == "白羊座"; } },
            { "\"Font\"=\"黑体\"", [](auto& r) { return r.Font == "黑体"; } },
            { "\"Astro\"=\"Leo\"", [](auto& r) { return r.Astro == "Leo"; } }, // not checked against the table
            { "\"CheckTime\"=dword:2", [](auto& r) { return r.CheckTime; } },
            { "\"CheckTime\"=dword:0", [](auto& r) { return !r.CheckTime; } },
            { "\"Alpha\"=dword:0", [](auto& r) { return r.Alpha == 0; } }, // taken as stored
            { "\"Alpha\"=dword:63", [](auto& r) { return r.Alpha == 99; } },
            { "\"ShowIndex\"=dword:5", [](auto& r) { return r.ShowIndex == 5; } },
            { "\"ShowIndex\"=dword:ffffffff", [](auto& r) { return r.ShowIndex == -1; } },
            { "\"Frmtop\"=dword:c8", [](auto& r) { return r.FrmTop == 200; } }, // the written spelling
            { "\"FrmTop\"=dword:fffffff6", [](auto& r) { return r.FrmTop == -10; } },
            { "\"FrmLeft\"=dword:64", [](auto& r) { return r.FrmLeft == WorkAreaWidth - 280; } },
            // A value of the wrong type is absent: the default, and a line in the log.
            { "\"FontSize\"=\"70\"", [](auto& r) { return r.FontSize == 60; }, true },
            { "\"Font\"=dword:1", [](auto& r) { return r.Font == "宋体"; }, true },
            { "\"StartColor\"=hex:01,00,00,00", [](auto& r) { return r.StartColor == 0x66666666u; }, true },
            { "\"CheckTime\"=\"1\"", [](auto& r) { return !r.CheckTime; }, true },
            { "\"TaskEvery\"=\"1\"", [](auto& r) { return !r.TaskEvery && !r.TaskArmed; }, true },
        };
        for (const Case& c : cases) {
            log.clear();
            EXPECT_TRUE(c.holds(LoadFrom(std::string(c.line) + "\n"))) << c.line;
            EXPECT_EQ(!log.empty(), c.logs) << c.line;
        }
    }

    TEST_F(ClockDataTest, TheTopEdgeIsWrittenAsFrmtopAndReadAsFrmTop)
    {
        WriteText(file, "\"FrmTop\"=dword:00000032\n");
        KeyStore store(file);
        TsettingsRec rec;
        LoadSettings(rec, store, WorkAreaWidth);
        ASSERT_EQ(rec.FrmTop, 50);

        ASSERT_TRUE(SaveSettings(rec, store, 100, 200)); // the window was dragged to (100, 200)
        KeyStore stored = Stored();
        EXPECT_EQ(stored.ReadDword("Frmtop"), 200u);
        EXPECT_EQ(stored.ReadDword("FrmLeft"), 100u);
        EXPECT_EQ(std::count_if(stored.Entries().begin(), stored.Entries().end(),
                      [](auto& e) { return e.name == "Frmtop" || e.name == "FrmTop"; }),
            1);

        const TsettingsRec next = LoadFrom("");
        EXPECT_EQ(next.FrmTop, 200);
        EXPECT_EQ(next.FrmLeft, WorkAreaWidth - 280);
    }

    TEST_F(ClockDataTest, ARecordComesBackAndOnlyItsValuesAreWritten)
    {
        TsettingsRec rec;
        rec.Font = "微软雅黑";
        rec.FontSize = 72;
        rec.StartColor = 0x11223344;
        rec.EndColor = 0xFFFFFFFF;
        rec.City = "上海";
        rec.Astro = "天蝎座";
        rec.CheckTime = true;
        rec.Alpha = 7;
        rec.ShowIndex = 2;
        rec.TaskEvery = rec.TaskArmed = true;
        rec.TaskTime = 0.75;
        rec.TaskAction = 3;
        rec.TaskBaseDay = 46000;
        KeyStore store(file);
        ASSERT_TRUE(SaveSettings(rec, store, -40, 120));

        const KeyStore stored = Stored();
        std::vector<std::string> names;
        for (const auto& e : stored.Entries())
            names.push_back(e.name);
        EXPECT_EQ(names,
            (std::vector<std::string> { "Font", "FontSize", "StartColor", "EndColor", "City", "Astro", "CheckTime",
                "Alpha", "ShowIndex", "Frmtop", "FrmLeft", "TaskEvery", "TaskTime", "TaskAction" }));
        // 0.75 is 0x3FE8000000000000, stored little-endian.
        EXPECT_NE(ReadText(file).find("\"TaskTime\"=hex:00,00,00,00,00,00,e8,3f\n"), std::string::npos);
        EXPECT_EQ(stored.ReadDword("FrmLeft"), 0xFFFFFFD8u); // -40 as a DWORD

        const TsettingsRec next = LoadFrom("");
        EXPECT_EQ(next.Font, rec.Font);
        EXPECT_EQ(next.FontSize, rec.FontSize);
        EXPECT_EQ(next.StartColor, rec.StartColor);
        EXPECT_EQ(next.EndColor, rec.EndColor);
        EXPECT_EQ(next.City, rec.City);
        EXPECT_EQ(next.Astro, rec.Astro);
        EXPECT_TRUE(next.CheckTime);
        EXPECT_EQ(next.Alpha, 7);
        EXPECT_EQ(next.ShowIndex, 2);
        EXPECT_EQ(next.FrmTop, 120);
        EXPECT_TRUE(next.TaskEvery && next.TaskArmed);
        EXPECT_EQ(next.TaskTime, 0.75);
        EXPECT_EQ(next.TaskAction, 3);
        EXPECT_EQ(next.TaskBaseDay, 0); // run-time only
    }

    TEST_F(ClockDataTest, OnlyAnArmedDailyTaskIsRestored)
    {
        struct Case {
            const char* what;
            bool every, armed;
            double time;
            int action;
            uint32_t storedEvery;
            double storedTime; // the earlier run's 0.1 stays when TaskTime is not rewritten
            bool restored;
        };
        const Case cases[] = {
            { "daily, armed", true, true, 0.75, 3, 1, 0.75, true },
            { "daily, armed for tomorrow", true, true, 1.25, 2, 1, 1.25, true },
            { "daily, not armed", true, false, 0.5, 1, 0, 0.5, false },
            { "one-off, armed", false, true, 0.5, 1, 0, 0.1, false },
            { "none", false, false, 0.5, 0, 0, 0.1, false },
        };
        for (const Case& c : cases) {
            WriteText(file, "\"TaskTime\"=hex:9a,99,99,99,99,99,b9,3f\n\"Other\"=\"kept\"\n"); // 0.1
            KeyStore store(file);
            TsettingsRec rec;
            LoadSettings(rec, store, WorkAreaWidth);
            rec.TaskEvery = c.every;
            rec.TaskArmed = c.armed;
            rec.TaskTime = c.time;
            rec.TaskAction = c.action;
            ASSERT_TRUE(SaveSettings(rec, store, 0, 0)) << c.what;

            KeyStore stored = Stored();
            EXPECT_EQ(stored.ReadDword("TaskEvery"), c.storedEvery) << c.what;
            auto bytes = stored.ReadBinary("TaskTime");
            ASSERT_TRUE(bytes && bytes->size() == 8) << c.what;
            double t;
            std::memcpy(&t, bytes->data(), 8);
            EXPECT_EQ(t, c.storedTime) << c.what;
            EXPECT_EQ(stored.ReadString("Other"), "kept") << c.what;

            const TsettingsRec next = LoadFrom("");
            EXPECT_EQ(next.TaskEvery, c.restored) << c.what;
            EXPECT_EQ(next.TaskArmed, c.restored) << c.what;
            EXPECT_EQ(next.TaskTime, c.restored ? c.time : 0) << c.what;
            EXPECT_EQ(next.TaskAction, c.restored ? c.action : 0) << c.what;
        }
    }

    TEST_F(ClockDataTest, ARestoredDailyTaskWithoutStoredActionShutsDown)
    {
        const TsettingsRec rec = LoadFrom("\"TaskEvery\"=dword:1\n\"TaskTime\"=hex:00,00,00,00,00,00,e0,3f\n");
        EXPECT_TRUE(rec.TaskArmed);
        EXPECT_EQ(rec.TaskTime, 0.5);
        EXPECT_EQ(rec.TaskAction, 0);

        // The action is read only with a restored task.
        EXPECT_EQ(LoadFrom("\"TaskEvery\"=dword:0\n\"TaskAction\"=dword:3\n").TaskAction, 0);
    }

    TEST_F(ClockDataTest, ADailyTaskWithoutAUsableTargetIsNotRestored)
    {
        const char* times[] = {
            "", // missing
            "\"TaskTime\"=hex:00,00,00,00,00,00,e0\n", // 7 bytes
            "\"TaskTime\"=dword:0\n",
            "\"TaskTime\"=hex:00,00,00,00,00,00,f8,7f\n", // NaN
            "\"TaskTime\"=hex:00,00,00,00,00,00,e0,bf\n", // -0.5
            "\"TaskTime\"=hex:00,00,00,00,00,00,00,40\n", // 2.0
        };
        for (const char* t : times) {
            log.clear();
            const TsettingsRec rec = LoadFrom(std::string("\"TaskEvery\"=dword:1\n") + t);
            EXPECT_FALSE(rec.TaskEvery) << t;
            EXPECT_FALSE(rec.TaskArmed) << t;
            EXPECT_EQ(rec.TaskTime, 0) << t;
            EXPECT_TRUE(LogMentions("TaskTime")) << t;
        }
    }

    TEST_F(ClockDataTest, ACorruptFileGivesTheDefaultsAndIsKept)
    {
        const TsettingsRec rec = LoadFrom("\"FontSize\"=dword:48\ngarbage\n");
        EXPECT_EQ(rec.FontSize, 60);
        EXPECT_TRUE(LogMentions("moved aside"));
        EXPECT_FALSE(fs::exists(file));
        EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
    }

    TEST_F(ClockDataTest, ASaveThatFailsReportsIt)
    {
        WriteText(dir / "Brightfen", "not a folder");
        KeyStore store(file);
        TsettingsRec rec;
        LoadSettings(rec, store, WorkAreaWidth);
        EXPECT_FALSE(SaveSettings(rec, store, 0, 0));
        EXPECT_TRUE(LogMentions("not saved"));
    }

    TEST(AstroIndexOf, FindsExactNamesAndFallsBackToAries)
    {
        const std::pair<std::string, int> cases[] = {
            { "白羊座", 0 },
            { "天蝎座", 7 },
            { "双鱼座", 11 },
            { "", 0 },
            { "天蝎", 0 },
            { "天蝎座 ", 0 },
            { "Scorpio", 0 },
        };
        for (const auto& [name, index] : cases)
            EXPECT_EQ(AstroIndexOf(name), index) << name;
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(AstroIndexOf(AstroSigns[i]), i);
    }

} // namespace
} // namespace hx
