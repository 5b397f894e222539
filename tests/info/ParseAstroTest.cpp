#include "info/ParseAstro.h"

#include <gtest/gtest.h>
#include <string>

namespace hx {
namespace {

    const std::string Summary = R"(<div class="lotconts">今天宜静不宜动。</div>)";
    const std::string Love = "<h4>爱情运势</h4><p><img src=a.gif><img src=a.gif><img src=a.gif></p>";
    const std::string Work = "<h4>工作状况</h4><p><img src=a.gif><img src=a.gif></p>";
    const std::string Finance = "<h4>理财投资</h4><p>一般</p>";
    const std::string Colour = "<h4>幸运颜色</h4><p>蓝色</p>";
    const std::string Number = "<h4>幸运数字</h4><p>7</p>";
    const std::string Match = "<h4>速配星座</h4><p>天秤座</p>";

    std::string WorkedExample() { return Summary + Love + Work + Finance + Colour + Number + Match; }

    std::string Without(std::string page, const std::string& piece)
    {
        return page.erase(page.find(piece), piece.size());
    }

    TEST(ParseAstro, WorkedExamplePage)
    {
        TastroRec rec = ParseAstro(WorkedExample());
        EXPECT_EQ(rec.OverallStars, 3);
        EXPECT_EQ(rec.LoveStars, 3);
        EXPECT_EQ(rec.WorkStars, 2);
        EXPECT_EQ(rec.FinanceStars, 0);
        EXPECT_EQ(rec.LuckyColour, "蓝色");
        EXPECT_EQ(rec.LuckyNumber, 7);
        EXPECT_EQ(rec.Summary, "今天宜静不宜动。");
        EXPECT_EQ(rec.MatchSign, "天秤座");
    }

    TEST(ParseAstro, MissingSectionsGiveTheirFallbacks)
    {
        std::string page = Without(Without(Without(WorkedExample(), Colour), Match), Summary);
        TastroRec rec = ParseAstro(page);
        EXPECT_EQ(rec.LuckyColour, "无");
        EXPECT_EQ(rec.MatchSign, "无");
        EXPECT_EQ(rec.Summary, "");
        EXPECT_EQ(rec.LuckyNumber, 7);
        EXPECT_EQ(rec.WorkStars, 2);

        EXPECT_EQ(ParseAstro("<html><body>nothing of interest here</body></html>"),
            (TastroRec { 0, 0, 0, 0, "无", 0, "", "无" }));
    }

    TEST(ParseAstro, EmptyLoveParagraphRunsOnToTheNextParagraphEnd)
    {
        TastroRec rec = ParseAstro("<h4>爱情运势</h4><p></p>" + Work);
        EXPECT_EQ(rec.OverallStars, 2);
        EXPECT_EQ(rec.LoveStars, 2);
        EXPECT_EQ(rec.WorkStars, 2);
    }

    TEST(ParseAstro, StarCounting)
    {
        struct Case {
            const char* name;
            std::string page;
            int love;
        } cases[] = {
            { "capital IMG not counted", "<h4>爱情运势</h4><p><IMG src=a><img src=b></p>", 1 },
            { "capital H4 not found", "<H4>爱情运势</H4><p><img src=a></p>", 0 },
            { "tag across lines", "<h4>爱情运势</h4><p><img\nsrc=a\n><img src=b></p>", 2 },
            { "section across lines", "<h4>爱情运势</h4><p>\n<img src=a>\n</p>", 1 },
            { "first section counts", "<h4>爱情运势</h4><p><img></p><h4>爱情运势</h4><p><img><img></p>", 1 },
            { "no closing paragraph", "<h4>爱情运势</h4><p><img><img>", 0 },
        };
        for (const Case& c : cases) {
            TastroRec rec = ParseAstro(c.page);
            EXPECT_EQ(rec.LoveStars, c.love) << c.name;
            EXPECT_EQ(rec.OverallStars, c.love) << c.name;
        }
    }

    TEST(ParseAstro, CutTexts)
    {
        EXPECT_EQ(ParseAstro("<h4>幸运颜色</h4><p><b>红</b></p>").LuckyColour, "无");
        EXPECT_EQ(ParseAstro("<h4>幸运颜色</h4><p></p>").LuckyColour, "");
        EXPECT_EQ(ParseAstro("<h4>速配星座</h4><p>白羊座</p><h4>速配星座</h4><p>金牛座</p>").MatchSign, "白羊座");
        // A paragraph with markup does not match; the search goes on to a later plain one.
        EXPECT_EQ(ParseAstro("<h4>幸运颜色</h4><p><i>x</i></p><h4>幸运颜色</h4><p>绿</p>").LuckyColour, "绿");
        EXPECT_EQ(ParseAstro("<div class=\"lotconts\">多\n行</div>").Summary, "多\n行");
        EXPECT_EQ(ParseAstro("<div class='lotconts'>x</div>").Summary, "");
    }

    TEST(ParseAstro, LuckyNumber)
    {
        struct Case {
            const char* text;
            int number;
        } cases[] = {
            { "07", 7 },
            { "  7", 7 },
            { "-3", -3 },
            { "+5", 5 },
            { "7号", 0 },
            { "7 ", 0 },
            { "", 0 },
            { "-", 0 },
            { "2147483647", 2147483647 },
            { "2147483648", 0 },
            { "-2147483648", -2147483647 - 1 },
        };
        for (const Case& c : cases)
            EXPECT_EQ(ParseAstro(std::string("<h4>幸运数字</h4><p>") + c.text + "</p>").LuckyNumber, c.number)
                << '"' << c.text << '"';
    }

} // namespace
} // namespace hx
