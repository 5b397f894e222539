// Reading and comparing premultiplied ARGB32 pixels of rendered clock faces in tests.
#pragma once

#include <algorithm>
#include <cairo.h>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace hx::test {

struct Px {
    int a, r, g, b;
};

inline Px PixelAt(cairo_surface_t* s, int x, int y)
{
    cairo_surface_flush(s);
    const uint8_t* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    uint32_t v;
    __builtin_memcpy(&v, row + 4 * x, 4);
    return { int(v >> 24), int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF) };
}

// Largest per-channel difference; the two images must have the same size.
inline int MaxDifference(cairo_surface_t* a, cairo_surface_t* b, std::string* where = nullptr)
{
    int worst = 0;
    for (int y = 0; y < cairo_image_surface_get_height(a); ++y)
        for (int x = 0; x < cairo_image_surface_get_width(a); ++x) {
            const Px p = PixelAt(a, x, y), q = PixelAt(b, x, y);
            const int d
                = std::max({ std::abs(p.a - q.a), std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b) });
            if (d > worst) {
                worst = d;
                if (where)
                    *where = std::to_string(x) + "," + std::to_string(y);
            }
        }
    return worst;
}

} // namespace hx::test
