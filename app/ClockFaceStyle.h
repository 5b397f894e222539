// The fixed look of the clock face (pens, halo, glyph family, window alpha) and the drawing
// steps every face rendering shares, so that the cached and the plain renderer cannot drift.
#pragma once

#include <cairo.h>
#include <cstdint>

namespace hx {

inline constexpr const char* kFaceGlyphFamily = "宋体";
inline constexpr uint32_t kFaceOutlineColor = 0xC85050FF; // ARGB
inline constexpr double kFaceOutlineWidth = 1.0;
inline constexpr uint32_t kFaceHaloColor = 0x3E000202; // ARGB
inline constexpr int kFaceHaloStrokes = 6; // widths 1..6, round joins
inline constexpr uint8_t kFaceWindowAlpha = 200; // constant alpha of every push

void SetSourceArgb(cairo_t* cr, uint32_t argb);

// Strokes the current path (kept) with the outline and then the six halo widths over it.
void StrokeFaceOutlineAndHalo(cairo_t* cr);

// Horizontal gradient from x = 0 (start) to x = width (end), repeating beyond.
cairo_pattern_t* CreateFaceGradient(int width, uint32_t startColor, uint32_t endColor);

} // namespace hx
