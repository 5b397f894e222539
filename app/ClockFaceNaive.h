// The clock face drawn the plain way: a new surface and layout, the glyph path of the whole
// text, the outline and six halo strokes, the gradient fill. It is the reference the cached
// renderer is measured and checked against, and its fallback for texts it cannot cache.
#pragma once

#include "platform/cairo/CairoPtr.h"

#include <cstdint>
#include <string>

namespace hx {

struct ClockFaceInput {
    std::string text; // the time text, UTF-8
    std::string font; // decides the window width only
    int fontSize = 0; // points for the width, pixels for the height and the glyphs
    uint32_t startColor = 0, endColor = 0; // ARGB
};

// Window width: text measured in input.font at input.fontSize points, 96 dpi; at least 1.
int ClockFaceWidth(const ClockFaceInput& input);
int ClockFaceHeight(const ClockFaceInput& input);

// A premultiplied ARGB32 image of the window's size.
SurfacePtr RenderClockFaceNaive(const ClockFaceInput& input);

} // namespace hx
