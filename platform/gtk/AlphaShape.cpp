#include "platform/gtk/AlphaShape.h"

#include <cstring>
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

void ScaleByConstantAlpha(
    const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height, uint8_t alpha)
{
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    if (alpha == 255) {
        for (int y = 0; y < height; ++y)
            std::memcpy(dst + static_cast<size_t>(y) * dstStride, src + static_cast<size_t>(y) * srcStride, rowBytes);
        return;
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = src + static_cast<size_t>(y) * srcStride;
        uint8_t* d = dst + static_cast<size_t>(y) * dstStride;
        for (size_t i = 0; i < rowBytes; ++i) {
            // Rounded v * a / 255 without a division.
            const unsigned t = s[i] * alpha + 128u;
            d[i] = static_cast<uint8_t>((t + (t >> 8)) >> 8);
        }
    }
}

} // namespace hx
