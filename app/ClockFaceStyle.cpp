#include "app/ClockFaceStyle.h"

namespace hx {

namespace {

    double Channel(uint32_t argb, int shift) { return static_cast<double>((argb >> shift) & 0xFF) / 255.0; }

} // namespace

void SetSourceArgb(cairo_t* cr, uint32_t argb)
{
    cairo_set_source_rgba(cr, Channel(argb, 16), Channel(argb, 8), Channel(argb, 0), Channel(argb, 24));
}

void StrokeFaceOutlineAndHalo(cairo_t* cr)
{
    SetSourceArgb(cr, kFaceOutlineColor);
    cairo_set_line_width(cr, kFaceOutlineWidth);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_stroke_preserve(cr);
    SetSourceArgb(cr, kFaceHaloColor);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (int width = 1; width <= kFaceHaloStrokes; ++width) {
        cairo_set_line_width(cr, width);
        cairo_stroke_preserve(cr);
    }
}

cairo_pattern_t* CreateFaceGradient(int width, uint32_t startColor, uint32_t endColor)
{
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, width, 0);
    auto stop = [gradient](double offset, uint32_t c) {
        cairo_pattern_add_color_stop_rgba(
            gradient, offset, Channel(c, 16), Channel(c, 8), Channel(c, 0), Channel(c, 24));
    };
    stop(0, startColor);
    stop(1, endColor);
    cairo_pattern_set_extend(gradient, CAIRO_EXTEND_REPEAT);
    return gradient;
}

} // namespace hx
