// The entry text: its eleven fields, and the way the info panel takes it apart.
#include "almanac/AlmanacText.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hx::almanac {
namespace {

    std::vector<std::string> Fields(const std::string& text)
    {
        std::vector<std::string> out(1);
        for (char c : text)
            if (c == '/')
                out.emplace_back();
            else
                out.back() += c;
        return out;
    }

    std::string Text(int y, int m, int d, const char* ident = "horalux.example")
    {
        std::string out;
        WriteAlmanacText(*DescribeDay(y, m, d), ident, out);
        return out;
    }

    TEST(AlmanacText, HoldsTheElevenFieldsInOrder)
    {
        EXPECT_EQ(Text(2026, 12, 10),
            "农历:丙午年冬月初二/干支:丙午年 庚子月 戊午日/生肖:马/宜:破屋坏垣 求医 治病/"
            "忌:嫁娶 开市 出行 动土 立契 安葬/冲煞:冲鼠(壬子)煞北/公历:2026-12-10/星期:四/节气:/值星:破/"
            "来源:horalux.example");
        // A leap month, a solar term, and a lunar year (丙午) that differs from the pillar year (乙巳).
        const auto leap = Fields(Text(2025, 7, 25));
        EXPECT_EQ(leap[0], "农历:乙巳年闰六月初一");
        const auto beforeNewYear = Fields(Text(2027, 1, 20));
        EXPECT_EQ(beforeNewYear[0], "农历:丙午年腊月十三");
        EXPECT_EQ(beforeNewYear[1], "干支:丙午年 辛丑月 己亥日");
        EXPECT_EQ(beforeNewYear[2], "生肖:马");
        EXPECT_EQ(beforeNewYear[8], "节气:大寒");
        const auto afterLichun = Fields(Text(2026, 2, 10));
        EXPECT_EQ(afterLichun[0], "农历:乙巳年腊月廿三");
        EXPECT_EQ(afterLichun[1].substr(0, 16), "干支:丙午年");
        EXPECT_EQ(afterLichun[2], "生肖:蛇");
        EXPECT_EQ(Fields(Text(2026, 11, 30))[0], "农历:丙午年十月廿二");
        EXPECT_EQ(Fields(Text(2026, 12, 13))[1], "干支:丙午年 庚子月 辛酉日");
        EXPECT_EQ(Fields(Text(2024, 2, 9))[0], "农历:癸卯年腊月三十");
    }

    TEST(AlmanacText, ClashAndShaFollowTheDayPillar)
    {
        struct Case {
            CivilDate date;
            const char* field;
        };
        const Case cases[] = {
            { { 1949, 10, 1 }, "冲煞:冲马(戊午)煞南" }, // 甲子
            { { 2026, 12, 13 }, "冲煞:冲兔(乙卯)煞东" }, // 辛酉
            { { 2026, 12, 6 }, "冲煞:冲猴(戊申)煞北" }, // 甲寅
            { { 2026, 12, 7 }, "冲煞:冲鸡(己酉)煞西" }, // 乙卯
        };
        for (const Case& c : cases)
            EXPECT_EQ(Fields(Text(c.date.year, c.date.month, c.date.day))[5], c.field) << c.date.day;
    }

    TEST(AlmanacText, EveryOfficerHasAdviceAndANameOfItsOwn)
    {
        const char* names = "建除满平定执破危成收开闭";
        for (int i = 0; i < 12; ++i) {
            const OfficerAdvice& a = AdviceFor(i);
            EXPECT_EQ(std::string(a.name), std::string(names + 3 * i, 3));
            EXPECT_NE(std::string(a.suits), "");
            EXPECT_NE(std::string(a.avoids), "");
        }
    }

    // The panel shows the title and fields 2-6 after dropping the last five lines.
    TEST(AlmanacText, LeavesTheShownFieldsToThePanel)
    {
        const auto f = Fields(Text(2026, 12, 10, nullptr));
        ASSERT_EQ(f.size(), 11u);
        EXPECT_EQ(f[10], "来源:");
        const char* prefixes[]
            = { "农历:", "干支:", "生肖:", "宜:", "忌:", "冲煞:", "公历:", "星期:", "节气:", "值星:", "来源:" };
        for (std::size_t i = 0; i < f.size(); ++i)
            EXPECT_EQ(f[i].rfind(prefixes[i], 0), 0u) << f[i];
    }

    TEST(AlmanacText, KeepsTheIdentFromAddingFieldsOrLines)
    {
        EXPECT_EQ(Fields(Text(2026, 12, 10, "a/b\r\nc")).back(), "来源:a_b__c");
        // A long ident is cut at a character boundary: 100 three-byte characters keep 85.
        std::string wide;
        for (int i = 0; i < 100; ++i)
            wide += "历";
        const std::string last = Fields(Text(2026, 12, 10, wide.c_str())).back();
        EXPECT_EQ(last, "来源:" + wide.substr(0, 85 * 3));
    }

} // namespace
} // namespace hx::almanac
