#include "info/ParseWeather.h"

#include <gtest/gtest.h>
#include <string>

namespace hx {
namespace {

    TweatherRec Old() { return { "old", 11, 12, "old dir", "old power", "old uv" }; }

    TEST(ParseWeather, ReadsTheSixFields)
    {
        TweatherRec rec = Old();
        int assigned = ParseWeather("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                                    "<Profiles><Weather><city>北京</city><status1>晴</status1>"
                                    "<temperature1>30</temperature1><temperature2>-5</temperature2>"
                                    "<direction1>南风</direction1><power1>3-4</power1>"
                                    "<zwx_l>强 &amp; 中</zwx_l></Weather></Profiles>",
            rec);
        EXPECT_EQ(assigned, WeatherFieldCount);
        EXPECT_EQ(rec, (TweatherRec { "晴", 30, -5, "南风", "3-4", "强 & 中" }));
    }

    TEST(ParseWeather, MissingElementsGiveEmptyAndZero)
    {
        TweatherRec rec = Old();
        EXPECT_EQ(ParseWeather("<Profiles><Weather><status1>晴</status1></Weather></Profiles>", rec), 6);
        EXPECT_EQ(rec, (TweatherRec { "晴", 0, 0, "", "", "" }));
    }

    TEST(ParseWeather, NamesAndSearchOrder)
    {
        struct Case {
            const char* name;
            const char* xml;
            const char* status;
        } cases[] = {
            { "case ignored", "<r><Status1>a</Status1></r>", "a" },
            { "upper case", "<r><STATUS1>b</STATUS1></r>", "b" },
            { "depth first beats nearer the root",
                "<r><x><y><status1>deep</status1></y></x><status1>near</status1></r>", "deep" },
            { "root itself not tested", "<status1>root<q>inner</q></status1>", "" },
            { "nested text collected", "<r><status1>多<b>云</b></status1></r>", "多云" },
            { "CDATA and entities", "<r><status1><![CDATA[<a>]]>&lt;&#26228;</status1></r>", "<a><晴" },
            { "malformed: nodes built so far", "<r><status1>晴</status1><temperature1>3", "晴" },
        };
        for (const Case& c : cases) {
            TweatherRec rec = Old();
            ParseWeather(c.xml, rec);
            EXPECT_EQ(rec.Status, c.status) << c.name;
        }
    }

    TEST(ParseWeather, UnusableTemperatureEndsAtThatField)
    {
        struct Case {
            const char* xml;
            int assigned;
        } cases[] = {
            { "<r><status1>晴</status1><temperature1></temperature1><temperature2>2</temperature2></r>", 1 },
            { "<r><status1>晴</status1><temperature1> 30</temperature1><temperature2>2x</temperature2></r>", 2 },
            { "<r><status1>晴</status1><temperature1>99999999999</temperature1></r>", 1 },
            { "<r><status1>晴</status1><temperature1>30 </temperature1></r>", 1 },
        };
        for (const Case& c : cases) {
            TweatherRec rec = Old();
            EXPECT_EQ(ParseWeather(c.xml, rec), c.assigned) << c.xml;
            EXPECT_EQ(rec.Status, "晴") << c.xml;
        }
    }

    TEST(ParseWeather, NoElementAssignsNothing)
    {
        TweatherRec rec = Old();
        EXPECT_EQ(ParseWeather("plain text of more than thirty bytes, no markup", rec), 0);
        EXPECT_EQ(ParseWeather("<!-- only a comment, more than thirty bytes -->", rec), 0);
        EXPECT_EQ(rec, Old());
    }

} // namespace
} // namespace hx
