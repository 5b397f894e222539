// Pixel work for a pushed layered-window frame: the input (and bounding) shape taken from the
// pixels with alpha > 0, and the frame scaled by the window's constant alpha. Pure functions
// over a premultiplied ARGB32 buffer, so they are tested without a display.
#pragma once

#include <cairo.h>
#include <cstdint>

namespace hx {

// The region covered by every pixel whose alpha is above 0, built from per-row runs (cairo's
// own surface-to-region cut lies at alpha 128, which would make the clock's halo click-through).
// The caller owns the result (cairo_region_destroy).
cairo_region_t* RegionFromAlpha(const uint8_t* pixels, int width, int height, int stride);

// dst = src * alpha / 255 on every channel (premultiplied pixels stay premultiplied), written
// over the previous frame in dst. Returns the bounding box of the pixels that changed (width 0
// when none did), so that only that part of the window is redrawn.
cairo_rectangle_int_t ScaleByConstantAlpha(
    const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height, uint8_t alpha);

} // namespace hx
