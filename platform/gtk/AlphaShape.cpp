#include "platform/gtk/AlphaShape.h"

#include <algorithm>
#include <vector>

namespace hx {

cairo_region_t* RegionFromAlpha(const uint8_t* pixels, int width, int height, int stride)
{
    std::vector<cairo_rectangle_int_t> runs;
    for (int y = 0; y < height; ++y) {
        // ARGB32 in native byte order: the alpha byte is the top byte of each 32-bit word.
        const auto* row = reinterpret_cast<const uint32_t*>(pixels + static_cast<size_t>(y) * stride);
        int x = 0;
        while (x < width) {
            while (x < width && (row[x] >> 24) == 0)
                ++x;
            const int start = x;
            while (x < width && (row[x] >> 24) != 0)
                ++x;
            if (x > start)
                runs.push_back({ start, y, x - start, 1 });
        }
    }
    return cairo_region_create_rectangles(runs.data(), static_cast<int>(runs.size()));
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
    int x0 = width, y0 = height, x1 = -1, y1 = -1;
    for (int y = 0; y < height; ++y) {
        const auto* s = reinterpret_cast<const uint32_t*>(src + static_cast<size_t>(y) * srcStride);
        auto* d = reinterpret_cast<uint32_t*>(dst + static_cast<size_t>(y) * dstStride);
        for (int x = 0; x < width; ++x) {
            // Most of a clock frame is fully transparent: zero stays zero without the multiply.
            const uint32_t p = s[x] == 0 ? 0 : (alpha == 255 ? s[x] : ScalePixel(s[x], alpha));
            if (p == d[x])
                continue;
            d[x] = p;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = y;
        }
    }
    if (x1 < 0)
        return { 0, 0, 0, 0 };
    return { x0, y0, x1 - x0 + 1, y1 - y0 + 1 };
}

} // namespace hx
