#include "app/ClockFaceRenderer.h"
#include "app/ClockFaceStyle.h"
#include "tests/app/FacePixels.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace hx {
namespace {

    using test::MaxDifference;
    using test::PixelAt;
    using test::Px;

    constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

    ClockFaceInput Face(
        std::string text, int size, uint32_t start = kRed, uint32_t end = kRed, std::string font = "宋体")
    {
        return { std::move(text), std::move(font), size, start, end };
    }

    // Renders through a renderer and keeps a copy, since the renderer reuses its frame.
    SurfacePtr Render(ClockFaceRenderer& renderer, const ClockFaceInput& input)
    {
        const ClockFaceFrame f = renderer.Render(input);
        SurfacePtr copy(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, f.width, f.height));
        cairo_t* cr = cairo_create(copy.get());
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, f.surface, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        return copy;
    }

    SurfacePtr Render(const ClockFaceInput& input)
    {
        ClockFaceRenderer renderer;
        return Render(renderer, input);
    }

    int Width(cairo_surface_t* s) { return cairo_image_surface_get_width(s); }
    int Height(cairo_surface_t* s) { return cairo_image_surface_get_height(s); }

    // Last column holding a visible pixel, -1 when none.
    int LastInkColumn(cairo_surface_t* s)
    {
        for (int x = Width(s) - 1; x >= 0; --x)
            for (int y = 0; y < Height(s); ++y)
                if (PixelAt(s, x, y).a > 0)
                    return x;
        return -1;
    }

    template <typename Pred> bool AnyPixel(cairo_surface_t* s, int x0, int x1, Pred pred)
    {
        for (int y = 0; y < Height(s); ++y)
            for (int x = x0; x < x1; ++x)
                if (pred(PixelAt(s, x, y)))
                    return true;
        return false;
    }

    TEST(ClockFace, HeightIsFontSizeAndWidthIsTheTextInPoints)
    {
        for (int size : { 20, 60, 90 }) {
            SCOPED_TRACE(size);
            SurfacePtr face = Render(Face("12:34:56", size));
            EXPECT_EQ(Height(face.get()), size);
            EXPECT_EQ(Width(face.get()), ClockFaceWidth(Face("12:34:56", size)));
            // Measured in points, drawn in pixels: the glyphs take about three quarters.
            const int ink = LastInkColumn(face.get());
            EXPECT_GT(ink, Width(face.get()) * 6 / 10);
            EXPECT_LT(ink, Width(face.get()) * 85 / 100);
            EXPECT_FALSE(AnyPixel(face.get(), ink + 1, Width(face.get()), [](Px p) { return p.a > 0; }));
        }
    }

    TEST(ClockFace, LayersFromOutsideIn_HaloThenOutlineThenFill)
    {
        // A red fill leaves blue above green only to the outline (0xC85050FF); the halo is
        // nearly black with green equal to blue.
        SurfacePtr face = Render(Face("10:00:00", 90));
        const int y = 45;
        int x = 0;
        while (x < Width(face.get()) && PixelAt(face.get(), x, y).a == 0)
            ++x;
        ASSERT_LT(x, Width(face.get()));
        const Px first = PixelAt(face.get(), x, y);
        EXPECT_LT(first.r + first.g + first.b, 20) << "halo first";
        bool outline = false, fill = false;
        for (; x < Width(face.get()) && !fill; ++x) {
            const Px p = PixelAt(face.get(), x, y);
            if (p.b > p.g + 10)
                outline = true;
            if (p.a == 255 && p.r >= 253 && p.b == 0)
                fill = true;
            EXPECT_TRUE(!fill || outline) << "outline before the fill at " << x;
        }
        EXPECT_TRUE(outline);
        EXPECT_TRUE(fill);
    }

    // Fully filled pixels carry the gradient of the whole window: StartColor at x = 0,
    // EndColor at the window's right edge (not the text's).
    TEST(ClockFace, GradientSpansTheWindow)
    {
        SurfacePtr face = Render(Face("10:00:00", 90, kRed, kBlue));
        const int w = Width(face.get());
        auto expected = [w](int x) {
            const double t = (x + 0.5) / w;
            return Px { 255, int(255 * (1 - t) + 0.5), 0, int(255 * t + 0.5) };
        };
        int checked = 0;
        for (int y = 0; y < Height(face.get()); ++y)
            for (int x = 0; x < w; ++x) {
                const Px p = PixelAt(face.get(), x, y);
                // Opaque with opaque neighbours: covered by the fill alone, no halo showing through.
                if (x == 0 || x == w - 1 || p.a != 255 || PixelAt(face.get(), x - 1, y).a != 255
                    || PixelAt(face.get(), x + 1, y).a != 255)
                    continue;
                const Px e = expected(x);
                // pixman's gradient steps are a few levels coarser than this exact blend.
                if (std::abs(p.r - e.r) <= 4 && std::abs(p.b - e.b) <= 4)
                    ++checked;
                else
                    ADD_FAILURE() << "fill at " << x << "," << y << " is " << p.r << "/" << p.b << ", expected " << e.r
                                  << "/" << e.b;
            }
        EXPECT_GT(checked, 100);
    }

    TEST(ClockFace, TransparentStartLeavesOnlyOutlineAndHaloAtTheLeft)
    {
        SurfacePtr opaque = Render(Face("10:00:00", 90, kRed, kGreen));
        SurfacePtr clear = Render(Face("10:00:00", 90, 0x00FF0000, kGreen));
        const int left = Width(clear.get()) / 10;
        EXPECT_TRUE(AnyPixel(opaque.get(), 0, left, [](Px p) { return p.r > 240; }));
        // The fill there has at most a tenth of its alpha, so red stays faint.
        EXPECT_FALSE(AnyPixel(clear.get(), 0, left, [](Px p) { return p.r > 30; }));
        EXPECT_TRUE(AnyPixel(clear.get(), 0, left, [](Px p) { return p.b > p.g + 10; })) << "outline kept";
        EXPECT_TRUE(AnyPixel(clear.get(), 0, left, [](Px p) { return p.a > 150 && p.r < 10; })) << "halo kept";
    }

    // Font only sets the width: with a uniform fill the common columns are the same pixels.
    TEST(ClockFace, FontChangesOnlyTheWidth)
    {
        SurfacePtr song = Render(Face("12:34:56", 60, kGreen, kGreen, "宋体"));
        SurfacePtr mono = Render(Face("12:34:56", 60, kGreen, kGreen, "DejaVu Sans Mono"));
        ASSERT_NE(Width(song.get()), Width(mono.get()));
        const int common = std::min(Width(song.get()), Width(mono.get()));
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < common; ++x) {
                const Px p = PixelAt(song.get(), x, y), q = PixelAt(mono.get(), x, y);
                ASSERT_TRUE(p.a == q.a && p.r == q.r && p.g == q.g && p.b == q.b) << x << "," << y;
            }
    }

    // Whatever a tick keeps stays within the budget, however many different texts come by, and
    // frames drawn while older pieces are being dropped are still right.
    TEST(ClockFace, KeptPiecesStayWithinTheirBudget)
    {
        constexpr size_t budget = 256 << 10;
        ClockFaceRenderer renderer(budget);
        size_t most = 0;
        for (int t = 0; t < 86400; t += 997) {
            char text[16];
            std::snprintf(text, sizeof text, "%d:%02d:%02d", t / 3600, t / 60 % 60, t % 60);
            const ClockFaceInput input = Face(text, 90, kRed, kBlue);
            const ClockFaceFrame frame = renderer.Render(input);
            most = std::max(most, renderer.CacheStats().bytes);
            if (t % 3 == 0) {
                SurfacePtr plain = RenderClockFaceNaive(input);
                ASSERT_LE(MaxDifference(frame.surface, plain.get()), 2) << text;
            }
        }
        EXPECT_LE(most, budget);
        EXPECT_GT(renderer.CacheStats().misses, renderer.CacheStats().tiles) << "the budget never bit";
    }

    // One renderer through a run of ticks and setting changes: every frame must match a fresh
    // plain rendering, so nothing stale survives a change of text, colour, font or size.
    TEST(ClockFace, CachedFramesMatchThePlainRenderingThroughChanges)
    {
        // clang-format off
        const std::vector<ClockFaceInput> ticks = {
            Face("9:59:58", 60, kRed, kBlue),
            Face("9:59:59", 60, kRed, kBlue),
            Face("10:00:00", 60, kRed, kBlue), // wider: every glyph moves
            Face("10:00:01", 60, kRed, kBlue),
            Face("10:00:01", 60, kGreen, kBlue), // StartColor
            Face("10:00:01", 60, kGreen, kGreen), // a uniform fill: cairo's solid route
            Face("10:00:02", 60, kGreen, 0x80FFFFFF), // EndColor, translucent
            Face("10:00:03", 60, kGreen, 0x80FFFFFF, "DejaVu Sans"), // Font: width only
            Face("10:00:04", 90, kGreen, 0x80FFFFFF, "DejaVu Sans"), // FontSize
            Face("10:00:05", 20, 0x00000000, kRed),
            Face("下午 1:11:11", 60, kRed, kGreen), // another script, a space
            Face("11:11:11 PM", 60, kRed, kGreen),
            Face("11:11:11", 90, kRed, kGreen), // straight glyphs: rows cairo steps whole
            Face("8▪8", 60, kRed, kGreen), // a glyph of straight lines only, among curved ones
            Face("▪▪", 60, kRed, kGreen), // nothing but straight lines
            Face("10:00:00", 60, kRed, kBlue), // back to a cached text
            Face("10:09:59", 60, kRed, kBlue), // a jump ahead (the warm-up's) and back:
            Face("10:00:01", 60, kRed, kBlue), // the kept frame is repainted where it differs
        };
        // clang-format on
        ClockFaceRenderer renderer;
        for (const ClockFaceInput& input : ticks) {
            SCOPED_TRACE(input.text + " " + input.font + " " + std::to_string(input.fontSize));
            SurfacePtr cached = Render(renderer, input);
            SurfacePtr plain = RenderClockFaceNaive(input);
            ASSERT_EQ(Width(cached.get()), Width(plain.get()));
            ASSERT_EQ(Height(cached.get()), Height(plain.get()));
            std::string where;
            EXPECT_LE(MaxDifference(cached.get(), plain.get(), &where), 2) << "at " << where;
        }
    }

    uint32_t Word(cairo_surface_t* s, int x, int y)
    {
        uint32_t v;
        __builtin_memcpy(&v, cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s) + 4 * x, 4);
        return v;
    }

    // The window trusts the reported box: outside it, a frame must be exactly the one before;
    // and what a renderer keeps from earlier ticks must give exactly a fresh renderer's frame.
    TEST(ClockFace, ChangedBoxHoldsEveryPixelThatDiffersFromTheFrameBefore)
    {
        enum Expect { kWhole, kPart, kNone };
        struct Tick {
            ClockFaceInput input;
            Expect expect;
        };
        // clang-format off
        const std::vector<Tick> ticks = {
            { Face("9:59:57", 60, kRed, kBlue), kWhole }, // the first frame
            { Face("9:59:58", 60, kRed, kBlue), kPart },
            { Face("9:59:59", 60, kRed, kBlue), kPart },
            { Face("10:00:00", 60, kRed, kBlue), kWhole }, // wider
            { Face("10:00:01", 60, kRed, kBlue), kPart },
            { Face("10:00:01", 60, kRed, kBlue), kNone }, // the same second twice
            { Face("10:00:01", 60, kGreen, kBlue), kWhole }, // StartColor
            { Face("10:00:02", 60, kGreen, kBlue), kPart },
            { Face("10:00:59", 60, kGreen, kBlue), kPart }, // a jump: more columns
            { Face("10:01:00", 60, kGreen, kBlue), kPart },
            { Face("▪▪", 60, kGreen, kBlue), kWhole }, // drawn the plain way
            { Face("10:01:01", 60, kGreen, kBlue), kWhole }, // composed again over it
            { Face("10:01:02", 60, kGreen, kBlue), kPart },
            { Face("10:01:02", 90, kGreen, kBlue), kWhole }, // FontSize
            { Face("10:01:03", 90, kGreen, kBlue), kPart },
        };
        // clang-format on
        ClockFaceRenderer renderer;
        SurfacePtr previous;
        for (const Tick& tick : ticks) {
            const ClockFaceInput& input = tick.input;
            SCOPED_TRACE(input.text + " " + std::to_string(input.fontSize));
            const ClockFaceFrame frame = renderer.Render(input);
            const PixelBox box = frame.changed;
            const PixelBox whole { 0, 0, frame.width, frame.height };
            switch (tick.expect) {
            case kWhole:
                EXPECT_EQ(box, whole);
                break;
            case kNone:
                EXPECT_TRUE(box.Empty());
                break;
            case kPart:
                // Not only the new digits: which rows cairo samples depends on every glyph in
                // them, so a new second can change the others' pixels by a few levels.
                EXPECT_FALSE(box.Empty());
                EXPECT_LT(box.width * box.height, frame.width * frame.height);
                break;
            }
            if (!box.Empty()) {
                EXPECT_GE(box.x, 0);
                EXPECT_GE(box.y, 0);
                EXPECT_LE(box.x + box.width, frame.width);
                EXPECT_LE(box.y + box.height, frame.height);
            }
            SurfacePtr now = Render(renderer, input); // the same input again: a copy of this frame
            if (input.text != "▪▪") { // the plain way keeps nothing
                EXPECT_TRUE(renderer.Render(input).changed.Empty());
            }
            if (previous && Width(previous.get()) == frame.width && Height(previous.get()) == frame.height) {
                int outside = 0;
                for (int y = 0; y < frame.height; ++y)
                    for (int x = 0; x < frame.width; ++x) {
                        const bool in = x >= box.x && x < box.x + box.width && y >= box.y && y < box.y + box.height;
                        if (!in && Word(now.get(), x, y) != Word(previous.get(), x, y) && outside++ == 0)
                            ADD_FAILURE() << "changed outside the box at " << x << "," << y;
                    }
                EXPECT_EQ(outside, 0);
            } else {
                EXPECT_EQ(box, whole) << "a new size changes everything";
            }
            SurfacePtr fresh = Render(input);
            std::string where;
            EXPECT_EQ(MaxDifference(now.get(), fresh.get(), &where), 0) << "at " << where;
            previous = std::move(now);
        }
    }

    // What a window that keeps pieces makes of an arrangement: each placement's strokes copied
    // into its columns, then the gradient through its coverage.
    SurfacePtr Compose(const ClockFaceArrangement& a)
    {
        SurfacePtr out(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, a.width, a.height));
        uint8_t* data = cairo_image_surface_get_data(out.get());
        const int stride = cairo_image_surface_get_stride(out.get());
        for (const PiecePlacement& p : a.placements)
            for (int y = std::max(p.y, 0); y < std::min(p.y + p.height, a.height); ++y) {
                const int x0 = std::max({ p.a, p.x, 0 }), x1 = std::min({ p.b, p.x + p.width, a.width });
                if (x1 > x0)
                    std::memcpy(data + static_cast<size_t>(y) * stride + 4 * x0,
                        p.color + static_cast<size_t>(y - p.y) * p.colorStride + 4 * (x0 - p.x), 4 * size_t(x1 - x0));
            }
        cairo_surface_mark_dirty(out.get());
        CairoPtr cr(cairo_create(out.get()));
        PatternPtr gradient(CreateFaceGradient(a.width, a.startColor, a.endColor));
        for (const PiecePlacement& p : a.placements) {
            SurfacePtr mask(cairo_image_surface_create_for_data(
                const_cast<uint8_t*>(p.coverage), CAIRO_FORMAT_A8, p.width, p.height, p.coverageStride));
            cairo_save(cr.get());
            cairo_rectangle(cr.get(), p.a, 0, p.b - p.a, a.height);
            cairo_clip(cr.get());
            cairo_set_source(cr.get(), gradient.get());
            cairo_mask_surface(cr.get(), mask.get(), p.x, p.y);
            cairo_restore(cr.get());
        }
        cairo_surface_flush(out.get());
        return out;
    }

    // The pieces of an arrangement make exactly the frame Render draws, and its box holds every
    // pixel that differs from the arrangement before, also with faces drawn ahead in between.
    TEST(ClockFace, ArrangedPiecesMakeTheRenderedFrameAndTheBoxHoldsTheChange)
    {
        const ClockFaceInput faces[] = {
            Face("9:59:58", 60, 0x66666666, 0xF0F8F8F8), // the default, translucent colours
            Face("9:59:59", 60, 0x66666666, 0xF0F8F8F8),
            Face("10:00:00", 60, 0x66666666, 0xF0F8F8F8), // wider
            Face("10:00:01", 60, 0x66666666, 0xF0F8F8F8),
            Face("10:00:01", 60, kRed, kBlue), // colours
            Face("10:00:02", 60, kRed, kBlue),
            Face("10:00:02", 90, kRed, kBlue), // FontSize
            Face("10:00:03", 90, kRed, kBlue),
        };
        ClockFaceRenderer renderer;
        ClockFaceArrangement arranged, ahead;
        SurfacePtr previous;
        for (const ClockFaceInput& input : faces) {
            SCOPED_TRACE(input.text + " " + std::to_string(input.fontSize));
            ASSERT_TRUE(renderer.Arrange(input, arranged));
            SurfacePtr now = Compose(arranged);
            std::string where;
            EXPECT_EQ(MaxDifference(now.get(), Render(input).get(), &where), 0) << "at " << where;
            const PixelBox box = arranged.changed;
            if (previous && Width(previous.get()) == arranged.width && Height(previous.get()) == arranged.height) {
                int outside = 0;
                for (int y = 0; y < arranged.height; ++y)
                    for (int x = 0; x < arranged.width; ++x) {
                        const bool in = x >= box.x && x < box.x + box.width && y >= box.y && y < box.y + box.height;
                        outside += !in && Word(now.get(), x, y) != Word(previous.get(), x, y);
                    }
                EXPECT_EQ(outside, 0);
            }
            previous = std::move(now);
            // Drawn ahead: neither the next box nor the kept frame may notice.
            ClockFaceInput later = input;
            later.text = "11:11:11";
            ASSERT_TRUE(renderer.Arrange(later, ahead, false));
        }
        // A face met before is arranged from what was found then: still exactly the frame.
        ASSERT_TRUE(renderer.Arrange(faces[0], arranged));
        EXPECT_EQ(arranged.changed, (PixelBox { 0, 0, arranged.width, arranged.height }));
        std::string where;
        EXPECT_EQ(MaxDifference(Compose(arranged).get(), Render(faces[0]).get(), &where), 0) << "at " << where;
        // Nothing to arrange from a glyph no font has: the plain way.
        EXPECT_FALSE(renderer.Arrange(Face("▪▪", 60), arranged));
    }

} // namespace
} // namespace hx
