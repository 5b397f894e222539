#include "platform/gtk/AlphaShape.h"

#include <algorithm>
#include <vector>

namespace hx {

cairo_region_t* RegionFromAlpha(const uint8_t* pixels, int width, int height, int stride)
{
    return RegionFromAlphaInBox(pixels, stride, { 0, 0, width, height });
}

cairo_region_t* RegionFromAlphaInBox(const uint8_t* pixels, int stride, const cairo_rectangle_int_t& box)
{
    // Reused across calls: the window builds a shape on the UI thread every tick.
    thread_local std::vector<cairo_rectangle_int_t> runs;
    runs.clear();
    const int x1 = box.x + box.width;
    for (int y = box.y; y < box.y + box.height; ++y) {
        // ARGB32 in native byte order: the alpha byte is the top byte of each 32-bit word.
        const auto* row = reinterpret_cast<const uint32_t*>(pixels + static_cast<size_t>(y) * stride);
        int x = box.x;
        while (x < x1) {
            while (x < x1 && (row[x] >> 24) == 0)
                ++x;
            const int start = x;
            while (x < x1 && (row[x] >> 24) != 0)
                ++x;
            if (x > start)
                runs.push_back({ start, y, x - start, 1 });
        }
    }
    return cairo_region_create_rectangles(runs.data(), static_cast<int>(runs.size()));
}

bool ReplaceRegionInBox(cairo_region_t* shape, const cairo_rectangle_int_t& box, const cairo_region_t* inBox)
{
    cairo_region_t* old = cairo_region_copy(shape);
    cairo_region_intersect_rectangle(old, &box);
    const bool same = cairo_region_equal(old, inBox);
    cairo_region_destroy(old);
    if (same)
        return false;
    cairo_region_t* boxRegion = cairo_region_create_rectangle(&box);
    cairo_region_subtract(shape, boxRegion);
    cairo_region_destroy(boxRegion);
    cairo_region_union(shape, inBox);
    return true;
}

namespace {

    // Two channels at once (0x00XX00XX lanes), rounded exactly as v * a / 255.
    inline uint32_t ScalePixel(uint32_t p, uint32_t a)
    {
        uint32_t rb = (p & 0x00ff00ffu) * a + 0x00800080u;
        rb = ((rb + ((rb >> 8) & 0x00ff00ffu)) >> 8) & 0x00ff00ffu;
        uint32_t ag = ((p >> 8) & 0x00ff00ffu) * a + 0x00800080u;
        ag = (ag + ((ag >> 8) & 0x00ff00ffu)) & 0xff00ff00u;
        return rb | ag;
    }

} // namespace

cairo_rectangle_int_t ScaleByConstantAlpha(
    const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height, uint8_t alpha)
{
    return ScaleByConstantAlphaInBox(src, srcStride, dst, dstStride, { 0, 0, width, height }, alpha);
}

cairo_rectangle_int_t ScaleByConstantAlphaInBox(
    const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, const cairo_rectangle_int_t& box, uint8_t alpha)
{
    const int bx1 = box.x + box.width, by1 = box.y + box.height;
    int x0 = bx1, y0 = by1, x1 = -1, y1 = -1;
    for (int y = box.y; y < by1; ++y) {
        const auto* s = reinterpret_cast<const uint32_t*>(src + static_cast<size_t>(y) * srcStride);
        auto* d = reinterpret_cast<uint32_t*>(dst + static_cast<size_t>(y) * dstStride);
        int first = bx1, last = -1;
        for (int x = box.x; x < bx1; ++x) {
            // Most of a clock frame is fully transparent: zero stays zero without the multiply.
            const uint32_t p = s[x] == 0 ? 0 : (alpha == 255 ? s[x] : ScalePixel(s[x], alpha));
            if (p == d[x])
                continue;
            d[x] = p;
            first = std::min(first, x);
            last = x;
        }
        if (last >= 0) {
            x0 = std::min(x0, first);
            x1 = std::max(x1, last);
            y0 = std::min(y0, y);
            y1 = y;
        }
    }
    if (x1 < 0)
        return { 0, 0, 0, 0 };
    return { x0, y0, x1 - x0 + 1, y1 - y0 + 1 };
}

} // namespace hx
