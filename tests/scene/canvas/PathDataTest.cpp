#include "scene/canvas/TvxPathData.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

using namespace hx;
using K = TvxPathPointKind;

namespace {

std::string Normalised(const char* data)
{
    TvxPathData p;
    p.SetData(data);
    return p.Data();
}

} // namespace

TEST(PathData, ReadsCommandsIntoMoveLineCurveClose)
{
    struct Case {
        const char* data;
        const char* want;
    } cases[] = {
        { "M 1,2 L 3,4 Z", "M 1,2 L 3,4 Z " },
        { "m1 2 l3 4 z", "M 1,2 L 4,6 Z " },
        { "M0 0 10 10", "M 0,0 L 10,10 " }, // pairs after M are line-tos
        { "m1 1 2 2", "M 1,1 L 3,3 " },
        { "M0 0 H 5 V 6 h1 v1", "M 0,0 L 5,0 L 5,6 L 6,6 L 6,7 " },
        { "M0,0 C 1,1 2,2 3,3 S 5,5 6,6", "M 0,0 C 1,1 2,2 3,3 C 4,4 5,5 6,6 " },
        { "M0,0 S 3,3 6,0", "M 0,0 C 0,0 3,3 6,0 " }, // no previous curve: first control is the current point
        { "M0 0 Q 3 3 6 0", "M 0,0 C 2,2 4,2 6,0 " },
        { "M0 0 Q 3 3 6 0 T 12 0", "M 0,0 C 2,2 4,2 6,0 C 8,-2 10,-2 12,0 " },
        { "M-1.5e1,.5L1.5.5", "M -15,0.5 L 1.5,0.5 " },
        { "M 0 0 L 1 1 Z l 2 0", "M 0,0 L 1,1 Z L 2,0 " }, // after Z the current point is the figure start
        { "M 0 0 A 0 5 0 0 1 10 0", "M 0,0 L 10,0 " }, // zero radius: a straight line
        { "  ", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Normalised(c.data), c.want) << c.data;
}

TEST(PathData, ArcBecomesCubicsEndingOnTheArc)
{
    TvxPathData p;
    p.SetData("M 0 0 A 10 10 0 0 1 20 0");
    const auto& pts = p.Points();
    ASSERT_EQ(pts.size(), 7u); // a half circle in two quarter pieces
    EXPECT_EQ(pts.back().Point, (TvxPoint { 20, 0 }));
    EXPECT_NEAR(pts[3].Point.X, 10, 1e-4);
    EXPECT_NEAR(pts[3].Point.Y, -10, 1e-4);
    // A radius too small for the chord is scaled up, so the arc still reaches its end.
    p.SetData("M 0 0 a 1 1 0 1 0 20 0");
    EXPECT_EQ(p.Points().back().Point, (TvxPoint { 20, 0 }));
    EXPECT_NEAR(p.Points()[3].Point.Y, 10, 1e-4);
}

TEST(PathData, MalformedDataKeepsTheItemsBeforeTheFault)
{
    struct Case {
        const char* data;
        const char* want;
    } cases[] = {
        { "M 0 0 L 5", "M 0,0 " },
        { "M 0 0 X 1 1", "M 0,0 " },
        { "M 0 0 L 1 1 A 1 1 0 2 0 3 3", "M 0,0 L 1,1 " }, // a flag must be 0 or 1
        { "M 1e999 0", "" },
        { "7 7", "" },
        { "M +-1 0", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Normalised(c.data), c.want) << c.data;
}

TEST(PathData, BoundsCoverControlPoints)
{
    TvxPathData p;
    p.SetData("M 0 0 C 0 -10 10 -10 10 0 Z");
    EXPECT_EQ(p.GetBounds(), (TvxRect { 0, -10, 10, 0 }));
    EXPECT_EQ(TvxPathData().GetBounds(), (TvxRect {}));
}

TEST(PathData, BinaryFormRoundTripsAndLaysOutRecords)
{
    TvxPathData p;
    p.SetData("M 1 2 C 3 4 5 6 7 8 Z");
    const auto bytes = p.SavePath();
    ASSERT_EQ(bytes.size(), 4u + 5 * 12);
    EXPECT_EQ(bytes[0], 5);
    EXPECT_EQ(bytes[4], 0); // move-to
    EXPECT_EQ(bytes[16], 2); // curve-to
    EXPECT_EQ(bytes[52], 3); // close
    float x;
    std::memcpy(&x, &bytes[8], 4);
    EXPECT_EQ(x, 1.0f);

    TvxPathData q;
    EXPECT_TRUE(q.LoadPath(bytes));
    EXPECT_EQ(q, p);
    EXPECT_TRUE(TvxPathData().SavePath().empty());
}

TEST(PathData, CorruptBinaryGivesAnEmptyPath)
{
    TvxPathData good;
    good.SetData("M 1 2 L 3 4");
    const auto bytes = good.SavePath();

    std::vector<uint8_t> truncated(bytes.begin(), bytes.begin() + long(bytes.size() - 1));
    auto hugeCount = bytes;
    hugeCount[0] = hugeCount[1] = hugeCount[2] = hugeCount[3] = 0xFF;
    auto badKind = bytes;
    badKind[4] = 7;
    auto nan = bytes;
    const float q = std::nanf("");
    std::memcpy(&nan[8], &q, 4);

    for (const std::vector<uint8_t>* b : { &truncated, &hugeCount, &badKind, &nan }) {
        TvxPathData p;
        p.SetData("M 0 0 L 1 1");
        EXPECT_FALSE(p.LoadPath(*b));
        EXPECT_TRUE(p.IsEmpty());
    }
    TvxPathData p;
    EXPECT_FALSE(p.LoadPath(std::span<const uint8_t>()));
}
