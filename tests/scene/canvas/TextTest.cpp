#include "CanvasProbe.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace hx;
using namespace hx::test;

namespace {

struct Text : ::testing::Test {
    TvxCanvasCairo c { 200, 60 };
    void SetUp() override
    {
        c.Clear(0);
        c.Font().SetFamily("DejaVu Sans");
        c.Font().SetSize(40);
        c.Fill().SetColor(0xFF000000);
    }
    uint32_t MaxAlpha(int x0 = 0, int x1 = 200)
    {
        uint32_t m = 0;
        for (int y = 0; y < c.Height(); ++y)
            for (int x = x0; x < x1; ++x)
                m = std::max(m, Alpha(c, x, y));
        return m;
    }
    // Columns holding ink.
    std::pair<int, int> InkColumns()
    {
        int lo = 1 << 30, hi = -1;
        for (int y = 0; y < c.Height(); ++y)
            for (int x = 0; x < c.Width(); ++x)
                if (Alpha(c, x, y) > 0) {
                    lo = std::min(lo, x);
                    hi = std::max(hi, x);
                }
        return { lo, hi };
    }
};

} // namespace

TEST_F(Text, FullOpacityTextIsDrawnAtAlpha252)
{
    c.FillText({ 0, 0, 200, 60 }, { 0, 0, 200, 60 }, u"IIII", false, 1);
    EXPECT_EQ(MaxAlpha(), 252u);
    c.Clear(0);
    c.FillText({ 0, 0, 200, 60 }, { 0, 0, 200, 60 }, u"IIII", false, 0.5f);
    EXPECT_EQ(MaxAlpha(), 127u);
}

TEST_F(Text, EmptyTextAndNoFillDrawNothing)
{
    c.FillText({ 0, 0, 200, 60 }, {}, u"", false, 1);
    c.Fill().SetStyle(TvxBrushStyle::vgBrushNone);
    c.FillText({ 0, 0, 200, 60 }, {}, u"IIII", false, 1);
    EXPECT_EQ(MaxAlpha(), 0u);
}

TEST_F(Text, HorizontalAlignmentPlacesTheLine)
{
    struct Case {
        TvxTextAlign align;
        int lo, hi; // where the ink may start and end
    } cases[] = {
        { TvxTextAlign::vgTextAlignNear, 0, 60 },
        { TvxTextAlign::vgTextAlignCenter, 70, 130 },
        { TvxTextAlign::vgTextAlignFar, 140, 200 },
    };
    for (const auto& k : cases) {
        c.Clear(0);
        c.FillText({ 0, 0, 200, 60 }, {}, u"II", false, 1, k.align);
        auto [lo, hi] = InkColumns();
        EXPECT_GE(lo, k.lo);
        EXPECT_LE(hi, k.hi);
    }
}

TEST_F(Text, MeasureShrinksTheRectangleToTheTextAndWrapsWhenAsked)
{
    TvxRect one { 0, 0, 1000, 100 };
    c.MeasureText(one, one, u"Hello", false, TvxTextAlign::vgTextAlignNear, TvxTextAlign::vgTextAlignNear);
    EXPECT_EQ(one.Left, 0);
    EXPECT_EQ(one.Top, 0);
    EXPECT_GT(one.Width(), 60);
    EXPECT_LT(one.Width(), 200);
    EXPECT_NEAR(one.Height(), 47, 6); // one line of a 40-pixel font

    TvxRect wrapped { 0, 0, 120, 400 };
    c.MeasureText(
        wrapped, wrapped, u"Hello Hello Hello", true, TvxTextAlign::vgTextAlignNear, TvxTextAlign::vgTextAlignNear);
    EXPECT_LE(wrapped.Width(), 120);
    EXPECT_GT(wrapped.Height(), 2.5 * one.Height());

    TvxRect centred { 0, 0, 1000, 100 };
    c.MeasureText(centred, centred, u"Hello", false);
    EXPECT_NEAR(centred.Left, 500 - one.Width() / 2, 0.5);
    EXPECT_NEAR(centred.Top, 50 - one.Height() / 2, 0.5);

    EXPECT_NEAR(c.TextWidth(u"Hello"), one.Width(), 0.01);
    EXPECT_EQ(c.TextWidth(u""), 0);
}

TEST_F(Text, TextToPathGivesTheOutlineInObjectUnits)
{
    c.SetMatrix(TvxMatrix::Scaling(3, 3));
    TvxPathData path;
    c.TextToPath(path, { 10, 10, 210, 70 }, u"O", false, TvxTextAlign::vgTextAlignNear, TvxTextAlign::vgTextAlignNear);
    ASSERT_FALSE(path.IsEmpty());
    const TvxRect b = path.GetBounds();
    EXPECT_GE(b.Left, 10);
    EXPECT_LT(b.Right, 50);
    EXPECT_GE(b.Top, 10);
    EXPECT_LT(b.Bottom, 60);
    int closes = 0;
    for (const auto& p : path.Points())
        closes += p.Kind == TvxPathPointKind::Close;
    EXPECT_EQ(closes, 2); // the outer and the inner contour of the O
}

TEST_F(Text, FontsLoadFromStreams)
{
    std::ifstream f("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
    if (!f)
        GTEST_SKIP() << "DejaVu Sans is not installed";
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(c.LoadFontFromStream(bytes));
    c.FillText({ 0, 0, 200, 60 }, {}, u"IIII", false, 1);
    EXPECT_EQ(MaxAlpha(), 252u);

    const std::vector<uint8_t> junk(64, 7);
    EXPECT_FALSE(c.LoadFontFromStream(junk));
    EXPECT_FALSE(c.LoadFontFromStream({}));
}
