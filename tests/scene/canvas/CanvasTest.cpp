#include "CanvasProbe.h"
#include "scene/canvas/TvxResourceObjects.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace hx;
using namespace hx::test;

namespace {

struct Canvas : ::testing::Test {
    TvxCanvasCairo c { 64, 64 };
    void SetUp() override
    {
        c.Clear(0);
        c.Fill().SetColor(0xFFFF0000);
    }
};

} // namespace

TEST(CanvasBuffer, SizesBelowOneGiveOnePixel)
{
    TvxCanvasCairo c(0, 0);
    EXPECT_EQ(c.Width(), 1);
    EXPECT_EQ(c.Height(), 1);
    c.ResizeBuffer(-3, 7);
    EXPECT_EQ(c.Width(), 1);
    EXPECT_EQ(c.Height(), 7);
    c.ResizeBuffer(0, 0);
    c.Fill().SetColor(0xFF00FF00);
    c.FillRect({ 0, 0, 1, 1 }, 0, 0, AllCorners, 1);
    EXPECT_EQ(c.Pixel(0, 0), 0xFF00FF00u);
}

TEST(CanvasBuffer, AbsurdSizeLeavesACanvasThatDrawsNothing)
{
    TvxCanvasCairo c(100000, 100000);
    EXPECT_EQ(c.Buffer(), nullptr);
    c.FillRect({ 0, 0, 10, 10 }, 0, 0, AllCorners, 1);
    c.Clear(0xFFFFFFFF);
    EXPECT_EQ(c.SaveCanvas(), -1);
    c.ResizeBuffer(2, 2);
    ASSERT_NE(c.Buffer(), nullptr);
}

TEST_F(Canvas, ClearRectWritesTheValueUnpremultipliedOverTruncatedAndRoundedEdges)
{
    c.ClearRect({ 0.7f, 0.7f, 2.4f, 2.6f }, 0x80FFFFFF);
    EXPECT_EQ(c.Pixel(0, 0), 0x80FFFFFFu);
    EXPECT_EQ(c.Pixel(1, 2), 0x80FFFFFFu);
    EXPECT_EQ(c.Pixel(2, 0), 0u); // Round(2.4) = 2 is the first pixel not written
    EXPECT_EQ(c.Pixel(0, 3), 0u);
    c.ClearRect({ -10, 62, 100, 100 }, 0xFF0000FF); // cut to the buffer
    EXPECT_EQ(c.Pixel(63, 63), 0xFF0000FFu);
}

TEST_F(Canvas, OpacityScalesAlphaByTruncation)
{
    c.Fill().SetColor(0x80FFFFFF);
    c.FillRect({ 0, 0, 10, 10 }, 0, 0, AllCorners, 0.5f);
    EXPECT_EQ(c.Pixel(5, 5), 0x40404040u); // premultiplied 0x40 white
    c.Fill().SetColor(0xFFFF0000);
    c.FillRect({ 20, 0, 30, 10 }, 0, 0, AllCorners, 0.5f);
    EXPECT_EQ(c.Pixel(25, 5), 0x7F7F0000u); // Trunc(127.5)
}

TEST_F(Canvas, RadiusLargerThanHalfTheSideIsCutToHalf)
{
    TvxCanvasCairo cut(64, 64), half(64, 64);
    for (auto* k : { &cut, &half }) {
        k->Clear(0);
        k->Fill().SetColor(0xFF0000FF);
    }
    cut.FillRect({ 2, 2, 42, 22 }, 300, 300, AllCorners, 1);
    half.FillRect({ 2, 2, 42, 22 }, 20, 10, AllCorners, 1);
    EXPECT_EQ(std::memcmp(cut.Buffer(), half.Buffer(), 64 * 64 * 4), 0);
    EXPECT_EQ(cut.Pixel(22, 12), 0xFF0000FFu);
    EXPECT_EQ(cut.Pixel(2, 2), 0u);
}

TEST_F(Canvas, EmptyCornersFillAPlainRectangle)
{
    c.FillRect({ 0, 0, 20, 20 }, 8, 8, 0, 1);
    EXPECT_EQ(c.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(c.Pixel(19, 19), 0xFFFF0000u);
}

TEST(CanvasCorners, EachCornerTypeCutsTheCornerItsWay)
{
    // A 160 square, radius 40, only the top-left corner shaped; probes on the diagonal.
    struct Case {
        const char* name;
        TvxCorners corners;
        TvxCornerType type;
        uint32_t at2, at15, at27, at35;
    } cases[] = {
        { "none", vgCornerTopRight, TvxCornerType::vgCornerRound, 255, 255, 255, 255 },
        { "round", vgCornerTopLeft, TvxCornerType::vgCornerRound, 0, 255, 255, 255 },
        { "bevel", vgCornerTopLeft, TvxCornerType::vgCornerBevel, 0, 0, 255, 255 },
        { "inner round", vgCornerTopLeft, TvxCornerType::vgCornerInnerRound, 0, 0, 255, 255 },
        { "inner line", vgCornerTopLeft, TvxCornerType::vgCornerInnerLine, 0, 0, 0, 255 },
    };
    for (const auto& k : cases) {
        TvxCanvasCairo c(170, 170);
        c.Clear(0);
        c.Fill().SetColor(0xFFFFFFFF);
        c.FillRect({ 0, 0, 160, 160 }, 40, 40, k.corners, 1, k.type);
        EXPECT_EQ(Alpha(c, 2, 2), k.at2) << k.name;
        EXPECT_EQ(Alpha(c, 15, 15), k.at15) << k.name;
        EXPECT_EQ(Alpha(c, 27, 27), k.at27) << k.name;
        EXPECT_EQ(Alpha(c, 35, 35), k.at35) << k.name;
        EXPECT_EQ(Alpha(c, 159, 159), 255u) << k.name;
        // The round corner passes the point at 45 degrees on the circle: (40 - 40/sqrt 2).
        if (k.type == TvxCornerType::vgCornerRound && k.corners == vgCornerTopLeft) {
            EXPECT_LE(Alpha(c, 10, 10), 40u);
            EXPECT_GE(Alpha(c, 12, 12), 215u);
        }
    }
}

TEST_F(Canvas, GradientPointsInsideTheRangeExtendTheirEndColours)
{
    auto& g = c.Fill().Gradient();
    g.SetPoints({ { 0xFFFF0000, 0.2f }, { 0xFF0000FF, 0.8f } });
    c.Fill().SetStyle(TvxBrushStyle::vgBrushGradient);
    c.ResizeBuffer(10, 100);
    c.Clear(0);
    c.FillRect({ 0, 0, 10, 100 }, 0, 0, AllCorners, 1);
    EXPECT_EQ(c.Pixel(5, 0), 0xFFFF0000u);
    EXPECT_EQ(c.Pixel(5, 18), 0xFFFF0000u);
    EXPECT_TRUE(Near(c.Pixel(5, 50), 0xFF7D0082, 2)); // row centre 50.5: 0.508 of the way
    EXPECT_EQ(c.Pixel(5, 81), 0xFF0000FFu);
    EXPECT_EQ(c.Pixel(5, 99), 0xFF0000FFu);
}

TEST_F(Canvas, LinearGradientMirrorsBeyondItsStop)
{
    auto& g = c.Fill().Gradient();
    g.SetPoints({ { 0xFF000000, 0 }, { 0xFFFFFFFF, 1 } });
    g.StopPosition().SetPoint({ 0, 0.5f });
    c.Fill().SetStyle(TvxBrushStyle::vgBrushGradient);
    c.FillRect({ 0, 0, 64, 64 }, 0, 0, AllCorners, 1);
    EXPECT_TRUE(Near(c.Pixel(10, 16), 0xFF808080, 3));
    EXPECT_TRUE(Near(c.Pixel(10, 31), 0xFFFFFFFF, 9));
    EXPECT_EQ(c.Pixel(10, 47), c.Pixel(10, 16)); // 47.5 / 32 reads as 16.5 / 32
}

TEST_F(Canvas, RadialGradientRunsFromTheEllipseToItsCentre)
{
    auto& g = c.Fill().Gradient();
    g.SetPoints({ { 0xFF0000FF, 0 }, { 0xFFFF0000, 1 } });
    g.SetStyle(TvxGradientStyle::vgRadialGradient);
    c.Fill().SetStyle(TvxBrushStyle::vgBrushGradient);
    c.FillRect({ 0, 0, 64, 64 }, 0, 0, AllCorners, 1);
    EXPECT_TRUE(Near(c.Pixel(32, 32), 0xFFFF0000, 6));
    EXPECT_TRUE(Near(c.Pixel(32, 1), 0xFF0000FF, 12));
    EXPECT_EQ(c.Pixel(1, 1), 0u); // outside the ellipse nothing is painted
}

TEST_F(Canvas, BrushesThatCannotPaintDrawNothing)
{
    c.Fill().SetStyle(TvxBrushStyle::vgBrushBitmap); // no pixels
    c.FillRect({ 0, 0, 64, 64 }, 0, 0, AllCorners, 1);
    c.Fill().SetStyle(TvxBrushStyle::vgBrushResource); // nothing to resolve
    c.FillEllipse({ 0, 0, 64, 64 }, 1);
    c.Fill().SetStyle(TvxBrushStyle::vgBrushNone);
    c.FillRect({ 0, 0, 64, 64 }, 0, 0, AllCorners, 1);
    c.Stroke().SetStyle(TvxBrushStyle::vgBrushNone);
    c.DrawRect({ 0, 0, 64, 64 }, 0, 0, AllCorners, 1);
    EXPECT_EQ(c.Pixel(32, 32), 0u);
    EXPECT_EQ(c.Pixel(0, 0), 0u);
}

TEST_F(Canvas, ResourceBrushPaintsWithTheResolvedBrush)
{
    auto* green = new TvxBrushObject(nullptr);
    green->SetName("greenBrush"); // the resource name follows the component name
    green->Brush().SetColor(0xFF00FF00);
    c.Fill().SetStyle(vgBrushResource);
    c.Fill().Resource().SetResourceName("GREENBRUSH");
    c.FillRect({ 0, 0, 8, 8 }, 0, 0, AllCorners, 1);
    EXPECT_EQ(c.Pixel(4, 4), 0xFF00FF00u);

    auto* blue = new TvxBrushObject(nullptr);
    blue->Brush().SetColor(0xFF0000FF);
    c.Fill().Resource().SetResource(blue); // by object, before the name
    c.FillRect({ 0, 0, 8, 8 }, 0, 0, AllCorners, 1);
    EXPECT_EQ(c.Pixel(4, 4), 0xFF0000FFu);

    // A destroyed resource object leaves the link empty, not dangling.
    delete blue;
    EXPECT_EQ(c.Fill().Resource().Resource(), nullptr);
    c.FillRect({ 0, 0, 8, 8 }, 0, 0, AllCorners, 1);
    EXPECT_EQ(c.Pixel(4, 4), 0xFF00FF00u);
    delete green;
    c.Clear(0);
    c.FillRect({ 0, 0, 8, 8 }, 0, 0, AllCorners, 1);
    EXPECT_EQ(c.Pixel(4, 4), 0u);
}

TEST_F(Canvas, BitmapBrushTilesAndStretches)
{
    auto& bm = c.Fill().Bitmap().Bitmap();
    bm.SetSize(2, 1);
    bm.Pixels()[0] = 0xFFFF0000;
    bm.Pixels()[1] = 0xFF0000FF;
    c.Fill().SetStyle(TvxBrushStyle::vgBrushBitmap);
    c.FillRect({ 0, 0, 8, 4 }, 0, 0, AllCorners, 1);
    EXPECT_EQ(c.Pixel(4, 2), 0xFFFF0000u); // tiles repeat from the origin
    EXPECT_EQ(c.Pixel(5, 2), 0xFF0000FFu);

    c.Clear(0);
    c.StrokeThickness = 0;
    c.Fill().Bitmap().SetWrapMode(vgWrapTileStretch);
    c.FillRect({ 0, 0, 40, 10 }, 0, 0, AllCorners, 0.5f);
    EXPECT_TRUE(Near(c.Pixel(2, 5), 0x7F7F0000, 2));
    EXPECT_TRUE(Near(c.Pixel(37, 5), 0x7F00007F, 2));
}

namespace {

struct RedPainter : TvxObject, IvxVisualSource {
    RedPainter()
        : TvxObject(nullptr)
    {
    }
    TvxRect seen;
    float opacity = -1;
    void PaintTo(TvxCanvas& canvas, const TvxRect& r, float o) override
    {
        seen = r;
        opacity = o;
        canvas.Fill().SetColor(0xFFFF0000);
        canvas.Fill().SetStyle(TvxBrushStyle::vgBrushSolid);
        canvas.StrokeThickness = 9;
        canvas.FillRect({ 0, 0, 64, 64 }, 0, 0, AllCorners, 1);
    }
};

} // namespace

TEST_F(Canvas, VisualBrushPaintsClippedToTheShapeAndRestoresTheCanvas)
{
    RedPainter painter;
    c.Fill().SetStyle(TvxBrushStyle::vgBrushVisual);
    c.Fill().Visual().SetVisualObject(&painter);
    c.StrokeThickness = 2;
    c.FillEllipse({ 0, 0, 64, 64 }, 0.75f);
    EXPECT_EQ(painter.seen, (TvxRect { 0, 0, 64, 64 }));
    EXPECT_EQ(painter.opacity, 0.75f);
    EXPECT_EQ(c.Pixel(32, 32), 0xFFFF0000u);
    EXPECT_EQ(c.Pixel(1, 1), 0u);
    EXPECT_EQ(c.StrokeThickness, 2);
    EXPECT_EQ(c.Fill().Style(), TvxBrushStyle::vgBrushVisual);
}

TEST(CanvasDash, SettingTheSameStyleTwiceKeepsTheArray)
{
    TvxCanvasCairo c(4, 4);
    c.SetStrokeDash(TvxStrokeDash::vgDashDashDot);
    c.SetStrokeDash(TvxStrokeDash::vgDashDashDot);
    EXPECT_EQ(c.DashArray, (std::vector<float> { 3, 1, 1, 1 }));
    c.SetStrokeDash(TvxStrokeDash::vgDashDashDotDot);
    EXPECT_EQ(c.DashArray, (std::vector<float> { 3, 1, 1, 1, 1, 1 }));
    c.DashArray = { 5, 2 };
    c.SetStrokeDash(TvxStrokeDash::vgDashCustom); // keeps what the caller set
    EXPECT_EQ(c.DashArray, (std::vector<float> { 5, 2 }));
    c.SetStrokeDash(TvxStrokeDash::vgDashSolid);
    EXPECT_TRUE(c.DashArray.empty());
}

TEST_F(Canvas, DashesAreInUnitsOfThePenWidth)
{
    c.StrokeThickness = 2;
    c.Stroke().SetColor(0xFF000000);
    c.SetStrokeDash(TvxStrokeDash::vgDashDash); // 6 on, 2 off at width 2
    c.DrawLine({ 0, 10 }, { 64, 10 }, 1);
    EXPECT_EQ(Alpha(c, 3, 10), 255u);
    EXPECT_EQ(Alpha(c, 6, 10), 0u);
    EXPECT_EQ(Alpha(c, 9, 10), 255u);
    // An array cairo cannot use draws solid and leaves the canvas working.
    c.DashArray = { 0, 0 };
    c.DrawLine({ 0, 20 }, { 64, 20 }, 1);
    EXPECT_EQ(Alpha(c, 6, 20), 255u);
}

TEST_F(Canvas, ZeroWidthPenDrawsOneDevicePixel)
{
    c.StrokeThickness = 0;
    c.Stroke().SetColor(0xFF000000);
    c.SetMatrix(TvxMatrix::Scaling(4, 4));
    c.DrawLine({ 0, 5.125f }, { 10, 5.125f }, 1);
    EXPECT_EQ(Alpha(c, 8, 20), 255u);
    EXPECT_EQ(Alpha(c, 8, 21), 0u);
}

TEST_F(Canvas, DegenerateMatrixDrawsNothingAndDoesNotBreakTheCanvas)
{
    c.SetMatrix(TvxMatrix::Scaling(0, 1));
    c.FillRect({ 0, 0, 64, 64 }, 0, 0, AllCorners, 1);
    EXPECT_EQ(c.Pixel(0, 0), 0u);
    c.SetMatrix(TvxMatrix::Identity());
    c.FillRect({ 0, 0, 64, 64 }, 0, 0, AllCorners, 1);
    EXPECT_EQ(c.Pixel(0, 0), 0xFFFF0000u);
}

TEST_F(Canvas, MultiplyMatrixAppliesBeforeThePresentTransform)
{
    c.SetMatrix(TvxMatrix::Translation(10, 0));
    c.MultiplyMatrix(TvxMatrix::Scaling(2, 2));
    c.FillRect({ 0, 0, 5, 5 }, 0, 0, AllCorners, 1); // lands on 10..20
    EXPECT_EQ(c.Pixel(10, 9), 0xFFFF0000u);
    EXPECT_EQ(c.Pixel(19, 0), 0xFFFF0000u);
    EXPECT_EQ(c.Pixel(20, 0), 0u);
    EXPECT_EQ(c.Pixel(9, 0), 0u);
}

TEST_F(Canvas, SaveAndRestoreReuseEntriesAndPutStateBack)
{
    const int a = c.SaveCanvas();
    c.Fill().SetColor(0xFF00FF00);
    c.StrokeThickness = 7;
    c.SetStrokeDash(TvxStrokeDash::vgDashDot);
    c.Font().SetSize(30);
    c.SetMatrix(TvxMatrix::Translation(5, 5));
    c.IntersectClipRect({ 0, 0, 2, 2 });
    const int b = c.SaveCanvas();
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 1);
    c.RestoreCanvas(b);
    EXPECT_EQ(c.SaveCanvas(), 1); // the released entry is taken again
    c.RestoreCanvas(a); // also drops the state saved inside it
    c.RestoreCanvas(99);
    c.RestoreCanvas(-1);
    EXPECT_EQ(c.SavedStateCount(), 2u);
    EXPECT_EQ(c.Fill().Color(), 0xFFFF0000u);
    EXPECT_EQ(c.StrokeThickness, 0); // a new canvas has no pen width until the scene sets one
    EXPECT_TRUE(c.DashArray.empty());
    EXPECT_EQ(c.Font().Size(), 11);
    EXPECT_EQ(c.Matrix(), TvxMatrix::Identity());
    c.FillRect({ 0, 0, 64, 64 }, 0, 0, AllCorners, 1); // clip gone with the state
    EXPECT_EQ(c.Pixel(40, 40), 0xFFFF0000u);
}

TEST_F(Canvas, ClipRectsUnionIntersectAndExclude)
{
    const TvxRect rects[] = { { 0, 0, 10, 10 }, { 20, 0, 30, 10 } };
    c.SetClipRects(rects);
    c.ExcludeClipRect({ 0, 0, 5, 5 });
    c.FillRect({ 0, 0, 64, 64 }, 0, 0, AllCorners, 1);
    EXPECT_EQ(c.Pixel(7, 7), 0xFFFF0000u);
    EXPECT_EQ(c.Pixel(2, 2), 0u);
    EXPECT_EQ(c.Pixel(25, 5), 0xFFFF0000u);
    EXPECT_EQ(c.Pixel(15, 5), 0u);
    c.ResetClipRect();
    c.IntersectClipRect({ 40, 40, 50, 50 });
    c.FillRect({ 0, 0, 64, 64 }, 0, 0, AllCorners, 1);
    EXPECT_EQ(c.Pixel(45, 45), 0xFFFF0000u);
    EXPECT_EQ(c.Pixel(55, 55), 0u);
}

TEST_F(Canvas, PathsAreMappedFromTheirBoundsOntoTheRectangle)
{
    TvxPathData tri;
    tri.SetData("M 0 0 L 1 0 L 0 1 Z"); // bounds 0..1
    c.FillPath(tri, { 10, 10, 50, 50 }, 1);
    EXPECT_EQ(c.Pixel(12, 12), 0xFFFF0000u);
    EXPECT_EQ(c.Pixel(45, 45), 0u);
    EXPECT_EQ(c.Pixel(5, 5), 0u);

    EXPECT_TRUE(c.PtInPath({ 11, 11 }, { 10, 10, 50, 50 }, tri));
    EXPECT_FALSE(c.PtInPath({ 45, 45 }, { 10, 10, 50, 50 }, tri));
    EXPECT_FALSE(c.PtInPath({ 5, 5 }, { 0, 0, 4, 4 }, tri)); // outside the rectangle
    TvxPathData flat;
    flat.SetData("M 0 0 L 10 0");
    EXPECT_FALSE(c.PtInPath({ 5, 0 }, { 0, 0, 10, 10 }, flat)); // zero area
    c.Clear(0);
    c.DrawPath(flat, { 0, 0, 64, 64 }, 1);
    EXPECT_EQ(c.Pixel(32, 0), 0u);
}

TEST_F(Canvas, DrawPathStrokesEachSegmentAndClosesToTheFigureStart)
{
    TvxPathData sq;
    sq.SetData("M 0 0 H 1 V 1 H 0 Z");
    c.StrokeThickness = 2;
    c.Stroke().SetColor(0xFF0000FF);
    c.DrawPath(sq, { 10, 10, 40, 40 }, 1);
    EXPECT_EQ(c.Pixel(10, 25), 0xFF0000FFu); // the closing segment
    EXPECT_EQ(c.Pixel(25, 39), 0xFF0000FFu);
    EXPECT_EQ(c.Pixel(25, 25), 0u);
    EXPECT_EQ(c.Pixel(8, 8), 0u); // flat caps, no joins past the corners

    // A figure without a move-to starts at its first point, not at the origin.
    c.Clear(0);
    TvxPathData open;
    open.SetPoints({ { TvxPathPointKind::LineTo, { 0, 0 } }, { TvxPathPointKind::LineTo, { 1, 0 } },
        { TvxPathPointKind::LineTo, { 1, 1 } } });
    c.DrawPath(open, { 20, 20, 40, 40 }, 1);
    EXPECT_EQ(c.Pixel(30, 20), 0xFF0000FFu);
    EXPECT_EQ(c.Pixel(10, 10), 0u);
    c.FillPath(open, { 20, 20, 40, 40 }, 1);
    EXPECT_EQ(c.Pixel(38, 22), 0xFFFF0000u);
    EXPECT_EQ(c.Pixel(22, 38), 0u);
}

TEST_F(Canvas, PolygonsCloseAtTheGapMarker)
{
    c.FillPolygon({ { 0, 0 }, { 20, 0 }, { 0, 20 }, PolygonGap, { 40, 40 }, { 60, 40 }, { 60, 60 } }, 1);
    EXPECT_EQ(c.Pixel(3, 3), 0xFFFF0000u);
    EXPECT_EQ(c.Pixel(57, 43), 0xFFFF0000u);
    EXPECT_EQ(c.Pixel(30, 30), 0u);
}

TEST_F(Canvas, HighSpeedBitmapDrawingUsesNearestNeighbour)
{
    TvxBitmap bm(2, 1);
    bm.Pixels()[0] = 0xFFFF0000;
    bm.Pixels()[1] = 0xFF0000FF;
    c.DrawBitmap(bm, { 0, 0, 2, 1 }, { 0, 0, 20, 10 }, 1, true);
    EXPECT_EQ(c.Pixel(9, 5), 0xFFFF0000u);
    EXPECT_EQ(c.Pixel(10, 5), 0xFF0000FFu);
    c.DrawBitmap(bm, { 0, 0, 2, 1 }, { 0, 20, 20, 30 }, 1, false);
    EXPECT_NE(c.Pixel(9, 25), 0xFFFF0000u); // smoothed across the seam
    c.DrawBitmap(bm, { 0, 0, 2, 1 }, { 30, 0, 50, 10 }, 0.5f, true);
    EXPECT_TRUE(Near(c.Pixel(31, 5), 0x80800000, 1));
    c.DrawBitmap(bm, { 0, 0, 2, 1 }, { 30, 20, 50, 30 }, 0, true);
    EXPECT_EQ(c.Pixel(31, 25), 0u);
}

TEST(CanvasOnBitmap, DrawsIntoTheBitmapsPixels)
{
    TvxBitmap target(16, 16);
    TvxCanvas& c = target.Canvas();
    EXPECT_EQ(c.Width(), 16);
    c.Fill().SetColor(0xFF00FF00);
    c.FillRect({ 0, 0, 8, 8 }, 0, 0, AllCorners, 1);
    c.EndScene();
    EXPECT_EQ(target.Pixel(3, 3), 0xFF00FF00u);
    EXPECT_EQ(target.Pixel(12, 12), 0u);
    EXPECT_EQ(c.GetBitmapScanline(target, 3), target.Pixels() + 48);
    EXPECT_EQ(c.GetBitmapScanline(target, 16), nullptr);

    TvxBitmap src(4, 4);
    src.Clear(0xFFFF0000);
    target.Clear(0);
    c.DrawThumbnail(src, 8, 8); // scaled by 8 / 4
    EXPECT_EQ(target.Pixel(7, 7), 0xFFFF0000u);
    EXPECT_EQ(target.Pixel(9, 9), 0u);
}

TEST_F(Canvas, FlushCopiesTheBufferOrOneRectangleOfItToTheTarget)
{
    c.Clear(0x80000080); // straight colour, premultiplied to 0x80000040; copied, not blended
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 80, 80);
    cairo_t* cr = cairo_create(target);
    cairo_set_source_rgba(cr, 1, 0, 0, 1);
    cairo_paint(cr);
    auto px = [&](int x, int y) {
        cairo_surface_flush(target);
        return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(target))[y * 80 + x];
    };
    // Truncated left/top, truncated right/bottom plus one: 2..5 x 2..4, placed 10 px down and right.
    c.FlushBufferRect(10, 10, cr, { 2.9f, 2.2f, 4.5f, 3.7f });
    EXPECT_EQ(px(12, 12), 0x80000040u);
    EXPECT_EQ(px(14, 13), 0x80000040u);
    EXPECT_EQ(px(15, 13), 0xFFFF0000u);
    EXPECT_EQ(px(12, 14), 0xFFFF0000u);
    EXPECT_EQ(px(11, 12), 0xFFFF0000u);
    c.FlushBuffer(16, 16, cr);
    EXPECT_EQ(px(16, 16), 0x80000040u);
    EXPECT_EQ(px(79, 79), 0x80000040u);
    EXPECT_EQ(px(15, 15), 0xFFFF0000u);
    cairo_destroy(cr);
    cairo_surface_destroy(target);
}
