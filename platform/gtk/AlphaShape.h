// Pixel work for a pushed layered-window frame: the input (and bounding) shape taken from the
// pixels with alpha > 0, and the frame scaled by the window's constant alpha, over the whole
// frame or only a box of it. Pure functions over premultiplied ARGB32 buffers and cairo
// regions, so they are tested without a display.
#pragma once

#include <cairo.h>
#include <cstdint>

namespace hx {

// The region covered by every pixel whose alpha is above 0, built from per-row runs (cairo's
// own surface-to-region cut lies at alpha 128, which would make the clock's halo click-through).
// The caller owns the result (cairo_region_destroy).
cairo_region_t* RegionFromAlpha(const uint8_t* pixels, int width, int height, int stride);

// The same for the pixels inside `box` only (frame coordinates; the box must lie inside the
// frame). Rectangles come out in frame coordinates.
cairo_region_t* RegionFromAlphaInBox(const uint8_t* pixels, int stride, const cairo_rectangle_int_t& box);

// Makes `shape` what RegionFromAlpha of the frame would be, given that only the pixels inside
// `box` changed and `inBox` is RegionFromAlphaInBox of them: shape = (shape - box) + inBox.
// Returns false, leaving `shape` as it was, when that is no change.
bool ReplaceRegionInBox(cairo_region_t* shape, const cairo_rectangle_int_t& box, const cairo_region_t* inBox);

// dst = src * alpha / 255 on every channel (premultiplied pixels stay premultiplied), written
// over the previous frame in dst. Returns the bounding box of the pixels that changed (width 0
// when none did), so that only that part of the window is redrawn.
cairo_rectangle_int_t ScaleByConstantAlpha(
    const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height, uint8_t alpha);

// The same inside `box` only (frame coordinates in both buffers, the box inside the frame);
// pixels outside it are neither read nor written.
cairo_rectangle_int_t ScaleByConstantAlphaInBox(
    const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, const cairo_rectangle_int_t& box, uint8_t alpha);

} // namespace hx
