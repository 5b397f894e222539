// Text for the clock face with Pango: the font options every face rendering shares (96 dpi,
// unhinted outlines, unhinted metrics), measuring a text in points, and placing the glyphs
// of a text set in pixels, ready to be turned into cairo glyph paths.
#pragma once

#include "platform/cairo/CairoPtr.h"

#include <pango/pangocairo.h>
#include <string>
#include <vector>

namespace hx {

// Puts the shared options on a context: every layout of the face, cached or not, must be
// shaped the same way or the cached pieces would not match a fresh rendering.
void ApplyFaceTextOptions(PangoContext* context);

// A font size in points (measured at 96 dpi) or in pixels.
FontDescPtr FaceFontInPoints(const std::string& family, double points);
FontDescPtr FaceFontInPixels(const std::string& family, double pixels);

struct PlacedGlyph {
    PangoFont* font = nullptr; // owned by the layout that produced it
    PangoGlyph glyph = 0;
    int x = 0, y = 0; // origin on the baseline, Pango units (1/PANGO_SCALE px) from the layout's top left
};

// A long-lived shaper: one context and two layouts reused from tick to tick.
class FaceText {
public:
    FaceText();

    // Logical width of text in whole pixels (rounded up).
    int MeasureWidth(const std::string& text, const PangoFontDescription* font);

    // Shapes text and lists its glyphs with their origins. Returns false when a glyph has no
    // outline in any font (Pango would draw a hex box for it); empty glyphs are left out.
    // The fonts stay valid until the next call.
    bool Place(const std::string& text, const PangoFontDescription* font, std::vector<PlacedGlyph>& out);

private:
    GObjectPtr<PangoContext> context_;
    GObjectPtr<PangoLayout> measure_;
    GObjectPtr<PangoLayout> glyphs_;
};

} // namespace hx
