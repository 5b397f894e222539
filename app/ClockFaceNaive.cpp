#include "app/ClockFaceNaive.h"

#include "app/ClockFaceStyle.h"
#include "platform/cairo/FaceText.h"

#include <algorithm>
#include <pango/pangocairo.h>

namespace hx {

namespace {

    GObjectPtr<PangoLayout> NewLayout(cairo_t* cr, const PangoFontDescription* font, const std::string& text)
    {
        GObjectPtr<PangoLayout> layout(pango_cairo_create_layout(cr));
        ApplyFaceTextOptions(pango_layout_get_context(layout.get()));
        pango_layout_context_changed(layout.get());
        pango_layout_set_font_description(layout.get(), font);
        pango_layout_set_text(layout.get(), text.c_str(), static_cast<int>(text.size()));
        return layout;
    }

} // namespace

int ClockFaceWidth(const ClockFaceInput& input)
{
    SurfacePtr scratch(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    CairoPtr cr(cairo_create(scratch.get()));
    FontDescPtr font = FaceFontInPoints(input.font, input.fontSize);
    GObjectPtr<PangoLayout> layout = NewLayout(cr.get(), font.get(), input.text);
    int width = 0, height = 0;
    pango_layout_get_pixel_size(layout.get(), &width, &height);
    return std::max(1, width);
}

int ClockFaceHeight(const ClockFaceInput& input) { return std::max(1, input.fontSize); }

SurfacePtr RenderClockFaceNaive(const ClockFaceInput& input)
{
    const int width = ClockFaceWidth(input);
    const int height = ClockFaceHeight(input);
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    CairoPtr cr(cairo_create(surface.get()));
    cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_DEFAULT);

    FontDescPtr font = FaceFontInPixels(kFaceGlyphFamily, input.fontSize);
    GObjectPtr<PangoLayout> layout = NewLayout(cr.get(), font.get(), input.text);
    cairo_move_to(cr.get(), 0, 0);
    pango_cairo_layout_path(cr.get(), layout.get());

    StrokeFaceOutlineAndHalo(cr.get());
    PatternPtr gradient(CreateFaceGradient(width, input.startColor, input.endColor));
    cairo_set_source(cr.get(), gradient.get());
    cairo_set_fill_rule(cr.get(), CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cr.get());
    cairo_surface_flush(surface.get());
    return surface;
}

} // namespace hx
