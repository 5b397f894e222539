#include "platform/cairo/FaceText.h"

namespace hx {

void ApplyFaceTextOptions(PangoContext* context)
{
    pango_cairo_context_set_resolution(context, 96.0);
    FontOptionsPtr options(cairo_font_options_create());
    // Outlines as designed, and fractional advances: the face is a path, never hinted text.
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(context, options.get());
}

FontDescPtr FaceFontInPoints(const std::string& family, double points)
{
    FontDescPtr desc(pango_font_description_new());
    pango_font_description_set_family(desc.get(), family.c_str());
    pango_font_description_set_size(desc.get(), static_cast<gint>(points * PANGO_SCALE + 0.5));
    return desc;
}

FontDescPtr FaceFontInPixels(const std::string& family, double pixels)
{
    FontDescPtr desc(pango_font_description_new());
    pango_font_description_set_family(desc.get(), family.c_str());
    pango_font_description_set_absolute_size(desc.get(), pixels * PANGO_SCALE);
    return desc;
}

FaceText::FaceText()
{
    context_.reset(pango_font_map_create_context(pango_cairo_font_map_get_default()));
    ApplyFaceTextOptions(context_.get());
    // Merge the options with an image surface's, exactly as a layout made for a fresh
    // image surface gets them.
    SurfacePtr scratch(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    CairoPtr cr(cairo_create(scratch.get()));
    pango_cairo_update_context(cr.get(), context_.get());
    measure_.reset(pango_layout_new(context_.get()));
    glyphs_.reset(pango_layout_new(context_.get()));
}

int FaceText::MeasureWidth(const std::string& text, const PangoFontDescription* font)
{
    pango_layout_set_font_description(measure_.get(), font);
    pango_layout_set_text(measure_.get(), text.c_str(), static_cast<int>(text.size()));
    int width = 0, height = 0;
    pango_layout_get_pixel_size(measure_.get(), &width, &height);
    return width;
}

bool FaceText::Place(const std::string& text, const PangoFontDescription* font, std::vector<PlacedGlyph>& out)
{
    out.clear();
    pango_layout_set_font_description(glyphs_.get(), font);
    pango_layout_set_text(glyphs_.get(), text.c_str(), static_cast<int>(text.size()));
    LayoutIterPtr it(pango_layout_get_iter(glyphs_.get()));
    bool drawable = true;
    do {
        PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it.get());
        if (!run)
            continue;
        PangoRectangle logical;
        pango_layout_iter_get_run_extents(it.get(), nullptr, &logical);
        const int baseline = pango_layout_iter_get_baseline(it.get());
        int x = logical.x;
        const PangoGlyphString* glyphs = run->glyphs;
        for (int i = 0; i < glyphs->num_glyphs; ++i) {
            const PangoGlyphInfo& info = glyphs->glyphs[i];
            if (info.glyph == PANGO_GLYPH_EMPTY) {
            } else if (info.glyph & PANGO_GLYPH_UNKNOWN_FLAG) {
                drawable = false;
            } else {
                out.push_back({ run->item->analysis.font, info.glyph, x + info.geometry.x_offset,
                    baseline + info.geometry.y_offset });
            }
            x += info.geometry.width;
        }
    } while (pango_layout_iter_next_run(it.get()));
    return drawable;
}

} // namespace hx
