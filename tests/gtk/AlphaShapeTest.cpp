// The frame's input shape must take every pixel with alpha > 0 (a layered window's halo takes
// the mouse), and the constant alpha must keep the pixels premultiplied.
#include "platform/gtk/AlphaShape.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using hx::RegionFromAlpha;
using hx::RegionFromAlphaInBox;
using hx::ReplaceRegionInBox;
using hx::ScaleByConstantAlpha;
using hx::ScaleByConstantAlphaInBox;

struct Buffer {
    int width, height, stride;
    std::vector<uint32_t> words;
    Buffer(int w, int h, int padWords = 0)
        : width(w)
        , height(h)
        , stride((w + padWords) * 4)
        , words(static_cast<size_t>((w + padWords) * h), 0)
    {
    }
    uint32_t& At(int x, int y) { return words[static_cast<size_t>(y * (stride / 4) + x)]; }
    const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(words.data()); }
};

bool Contains(cairo_region_t* r, int x, int y) { return cairo_region_contains_point(r, x, y); }

TEST(RegionFromAlpha, TakesEveryPixelAboveZeroAlphaAndNothingElse)
{
    Buffer b(8, 3, 2);
    b.At(0, 0) = 0x01000000; // alpha 1: below cairo's own cut at 128, still input
    b.At(1, 0) = 0xff102030;
    b.At(3, 0) = 0x80808080;
    b.At(7, 1) = 0x7f000000;
    b.At(2, 2) = 0x00ffffff; // colour without alpha: transparent
    // The stride's padding words hold garbage that must not count.
    b.words[8] = b.words[9] = 0xffffffff;

    cairo_region_t* r = RegionFromAlpha(b.Bytes(), b.width, b.height, b.stride);
    struct Case {
        int x, y;
        bool in;
    } cases[] = {
        { 0, 0, true },
        { 1, 0, true },
        { 2, 0, false },
        { 3, 0, true },
        { 4, 0, false },
        { 7, 1, true },
        { 6, 1, false },
        { 2, 2, false },
        { 8, 0, false },
        { 9, 0, false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Contains(r, c.x, c.y), c.in) << c.x << "," << c.y;
    cairo_rectangle_int_t extents;
    cairo_region_get_extents(r, &extents);
    EXPECT_EQ(extents.x, 0);
    EXPECT_EQ(extents.width, 8);
    EXPECT_EQ(extents.height, 2);
    cairo_region_destroy(r);
}

TEST(RegionFromAlpha, TransparentFrameGivesEmptyRegion)
{
    Buffer b(5, 4);
    cairo_region_t* r = RegionFromAlpha(b.Bytes(), b.width, b.height, b.stride);
    EXPECT_TRUE(cairo_region_is_empty(r));
    cairo_region_destroy(r);
}

TEST(ScaleByConstantAlpha, ScalesEveryChannelAndKeepsPremultiplication)
{
    Buffer src(4, 1);
    src.At(0, 0) = 0xffffffff;
    src.At(1, 0) = 0x80804020;
    src.At(2, 0) = 0x01010101;
    src.At(3, 0) = 0x00000000;
    struct Case {
        uint8_t alpha;
        uint32_t expected[4];
    } cases[] = {
        { 255, { 0xffffffff, 0x80804020, 0x01010101, 0 } },
        { 200, { 0xc8c8c8c8, 0x64643219, 0x01010101, 0 } },
        { 0, { 0, 0, 0, 0 } },
    };
    for (const Case& c : cases) {
        Buffer dst(4, 1, 1);
        dst.words.assign(dst.words.size(), 0xdeadbeef); // a previous frame, and the padding
        ScaleByConstantAlpha(
            src.Bytes(), src.stride, reinterpret_cast<uint8_t*>(dst.words.data()), dst.stride, 4, 1, c.alpha);
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(dst.At(x, 0), c.expected[x]) << "alpha " << int(c.alpha) << " pixel " << x;
        EXPECT_EQ(dst.words[4], 0xdeadbeefu) << "wrote past the row";
    }
    // The two-lanes-at-once arithmetic matches v * a / 255 rounded, for every value and alpha.
    for (unsigned a = 0; a < 256; a += 5)
        for (unsigned v = 0; v < 256; ++v) {
            Buffer one(1, 1), out(1, 1);
            one.At(0, 0) = v << 24 | v << 16 | v << 8 | v;
            ScaleByConstantAlpha(one.Bytes(), 4, reinterpret_cast<uint8_t*>(out.words.data()), 4, 1, 1, uint8_t(a));
            const unsigned want = (v * a + 127) / 255;
            ASSERT_EQ(out.At(0, 0), want << 24 | want << 16 | want << 8 | want) << "v " << v << " a " << a;
        }
}

TEST(ScaleByConstantAlpha, ReportsTheBoxOfChangedPixels)
{
    Buffer frame(6, 4), screen(6, 4);
    frame.At(1, 1) = 0xff000000;
    auto scale = [&] {
        return ScaleByConstantAlpha(
            frame.Bytes(), frame.stride, reinterpret_cast<uint8_t*>(screen.words.data()), screen.stride, 6, 4, 200);
    };
    cairo_rectangle_int_t r = scale();
    EXPECT_EQ(r.x, 1);
    EXPECT_EQ(r.y, 1);
    EXPECT_EQ(r.width, 1);
    EXPECT_EQ(r.height, 1);
    EXPECT_EQ(scale().width, 0) << "the same frame again changes nothing";
    frame.At(1, 1) = 0; // a pixel that vanishes counts too
    frame.At(4, 3) = 0x80808080;
    r = scale();
    EXPECT_EQ(r.x, 1);
    EXPECT_EQ(r.y, 1);
    EXPECT_EQ(r.width, 4);
    EXPECT_EQ(r.height, 3);
}

// A frame of blobs with faint and opaque pixels; `seed` picks them.
Buffer Blobs(int w, int h, unsigned seed)
{
    Buffer b(w, h, 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            const unsigned r = seed >> 16;
            if (r % 3 == 0)
                b.At(x, y) = (r % 7 == 0 ? 0x01u : 0xffu) << 24 | (r & 0xff);
        }
    return b;
}

// A window told that only a box changed rebuilds its shape from the box alone: the result must
// be the whole frame's shape, wherever the box lies (edges, one pixel, all of it).
TEST(RegionFromAlpha, ReplacingABoxGivesTheShapeOfTheWholeNewFrame)
{
    const int w = 23, h = 9;
    const cairo_rectangle_int_t boxes[] = {
        { 0, 0, w, h },
        { 0, 0, 1, 1 },
        { w - 1, h - 1, 1, 1 },
        { 5, 2, 7, 4 },
        { 0, 3, w, 2 },
        { 17, 0, 6, h },
    };
    for (const cairo_rectangle_int_t& box : boxes) {
        SCOPED_TRACE(std::to_string(box.x) + "," + std::to_string(box.y) + " " + std::to_string(box.width) + "x"
            + std::to_string(box.height));
        Buffer before = Blobs(w, h, 1), after = before, other = Blobs(w, h, 2);
        for (int y = box.y; y < box.y + box.height; ++y)
            for (int x = box.x; x < box.x + box.width; ++x)
                after.At(x, y) = other.At(x, y);
        cairo_region_t* shape = RegionFromAlpha(before.Bytes(), w, h, before.stride);
        cairo_region_t* inBox = RegionFromAlphaInBox(after.Bytes(), after.stride, box);
        cairo_rectangle_int_t extents;
        cairo_region_get_extents(inBox, &extents);
        EXPECT_TRUE(cairo_region_is_empty(inBox)
            || (extents.x >= box.x && extents.y >= box.y && extents.x + extents.width <= box.x + box.width
                && extents.y + extents.height <= box.y + box.height))
            << "runs from outside the box";
        cairo_region_t* whole = RegionFromAlpha(after.Bytes(), w, h, after.stride);
        const bool differs = !cairo_region_equal(shape, whole);
        EXPECT_EQ(ReplaceRegionInBox(shape, box, inBox), differs);
        EXPECT_TRUE(cairo_region_equal(shape, whole));
        // The same box again is no change, and leaves the shape alone.
        EXPECT_FALSE(ReplaceRegionInBox(shape, box, inBox));
        EXPECT_TRUE(cairo_region_equal(shape, whole));
        for (cairo_region_t* r : { shape, inBox, whole })
            cairo_region_destroy(r);
    }
}

// Scaling a box must give inside it what scaling the whole frame gives, and touch nothing
// outside it (there the window keeps the previous frame's pixels).
TEST(ScaleByConstantAlpha, InABoxScalesOnlyTheBoxAndReportsItsChanges)
{
    const int w = 12, h = 6;
    Buffer src = Blobs(w, h, 3), whole(w, h, 1), boxed(w, h, 1);
    ScaleByConstantAlpha(
        src.Bytes(), src.stride, reinterpret_cast<uint8_t*>(whole.words.data()), whole.stride, w, h, 200);
    boxed.words.assign(boxed.words.size(), 0xdeadbeef);
    const cairo_rectangle_int_t box { 3, 1, 5, 4 };
    const cairo_rectangle_int_t r = ScaleByConstantAlphaInBox(
        src.Bytes(), src.stride, reinterpret_cast<uint8_t*>(boxed.words.data()), boxed.stride, box, 200);
    int x0 = w, y0 = h, x1 = -1, y1 = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool in = x >= box.x && x < box.x + box.width && y >= box.y && y < box.y + box.height;
            EXPECT_EQ(boxed.At(x, y), in ? whole.At(x, y) : 0xdeadbeefu) << x << "," << y;
            if (in && whole.At(x, y) != 0xdeadbeefu)
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
        }
    EXPECT_EQ(r.x, x0);
    EXPECT_EQ(r.y, y0);
    EXPECT_EQ(r.width, x1 - x0 + 1);
    EXPECT_EQ(r.height, y1 - y0 + 1);
    EXPECT_EQ(ScaleByConstantAlphaInBox(
                  src.Bytes(), src.stride, reinterpret_cast<uint8_t*>(boxed.words.data()), boxed.stride, box, 200)
                  .width,
        0)
        << "the same box again changes nothing";
}

} // namespace
