#include "scene/canvas/TvxCanvasCairo.h"

#include "platform/Log.h"

#include <algorithm>
#include <cmath>
#include <fontconfig/fontconfig.h>
#include <glib.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>
#include <sys/mman.h>
#include <unistd.h>

namespace hx {

namespace {

    // The corner curve's control points sit this fraction of the radius from the corner.
    constexpr double CornerK = 0.4477152502;

    bool Finite(const TvxMatrix& m)
    {
        return std::isfinite(m.m11) && std::isfinite(m.m12) && std::isfinite(m.m21) && std::isfinite(m.m22)
            && std::isfinite(m.m31) && std::isfinite(m.m32);
    }

    cairo_matrix_t ToCairo(const TvxMatrix& m)
    {
        cairo_matrix_t c;
        cairo_matrix_init(&c, m.m11, m.m12, m.m21, m.m22, m.m31, m.m32);
        return c;
    }

    // Opacity scales a colour's alpha by truncation; 1 and above leave it alone.
    uint32_t ScaleAlpha(uint32_t c, float opacity)
    {
        if (opacity >= 1)
            return c;
        const float o = std::max(0.0f, opacity);
        const uint32_t a = uint32_t(o * float(c >> 24));
        return (std::min(a, 255u) << 24) | (c & 0xFFFFFF);
    }

    void AddStop(cairo_pattern_t* p, double offset, uint32_t c)
    {
        cairo_pattern_add_color_stop_rgba(p, std::clamp(offset, 0.0, 1.0), ((c >> 16) & 0xFF) / 255.0,
            ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0, (c >> 24) / 255.0);
    }

    void SetSolid(cairo_t* cr, uint32_t c)
    {
        cairo_set_source_rgba(
            cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0, (c >> 24) / 255.0);
    }

    cairo_surface_t* WrapBitmap(const TvxBitmap& b)
    {
        return cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(b.Pixels())),
            CAIRO_FORMAT_ARGB32, b.Width(), b.Height(), b.Width() * 4);
    }

    std::string ToUtf8(const std::u16string& s)
    {
        gchar* u
            = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(s.data()), glong(s.size()), nullptr, nullptr, nullptr);
        if (!u)
            return {};
        std::string out(u);
        g_free(u);
        return out;
    }

    // Font files read from streams stay open for the life of the program: cairo's font cache
    // may reopen a face by its path long after the canvas that loaded it is gone.
    std::vector<int>& FontFiles()
    {
        static std::vector<int> fds;
        return fds;
    }

} // namespace

struct TvxCanvasCairo::SavedState {
    bool used = false;
    int depth = 0;
    TvxMatrix matrix;
    TvxBrush fill;
    TvxBrush stroke;
    float thickness = 0;
    TvxStrokeCap cap = TvxStrokeCap::vgCapFlat;
    TvxStrokeJoin join = TvxStrokeJoin::vgJoinMiter;
    TvxStrokeDash dash = TvxStrokeDash::vgDashSolid;
    std::vector<float> dashArray;
    float dashOffset = 0;
    TvxFont font;
};

struct TvxCanvasCairo::Fonts {
    PangoContext* shared = nullptr;
    PangoLayout* sharedLayout = nullptr;
    FcConfig* privateConfig = nullptr;
    PangoFontMap* privateMap = nullptr;
    PangoContext* privateContext = nullptr;
    PangoLayout* privateLayout = nullptr;
    PangoLayout* layout = nullptr; // the one the current family resolves to
    bool gridFit = true;

    ~Fonts()
    {
        for (GObject* o : { G_OBJECT(sharedLayout), G_OBJECT(shared), G_OBJECT(privateLayout), G_OBJECT(privateContext),
                 G_OBJECT(privateMap) }) {
            if (o)
                g_object_unref(o);
        }
        if (privateConfig)
            FcConfigDestroy(privateConfig);
    }

    static void SetHinting(PangoContext* c, bool gridFit)
    {
        cairo_font_options_t* o = cairo_font_options_create();
        cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(o, gridFit ? CAIRO_HINT_STYLE_SLIGHT : CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(o, gridFit ? CAIRO_HINT_METRICS_ON : CAIRO_HINT_METRICS_OFF);
        pango_cairo_context_set_font_options(c, o);
        cairo_font_options_destroy(o);
    }

    void Hint(bool g)
    {
        if (g == gridFit)
            return;
        gridFit = g;
        SetHinting(shared, g);
        if (privateContext)
            SetHinting(privateContext, g);
        pango_layout_context_changed(sharedLayout);
        if (privateLayout)
            pango_layout_context_changed(privateLayout);
    }

    bool PrivateHas(const std::string& family) const
    {
        if (!privateConfig)
            return false;
        FcPattern* pat = FcPatternCreate();
        FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
        FcFontSet* set = FcFontList(privateConfig, pat, os);
        const bool has = set && set->nfont > 0;
        if (set)
            FcFontSetDestroy(set);
        FcObjectSetDestroy(os);
        FcPatternDestroy(pat);
        return has;
    }
};

TvxCanvasCairo::TvxCanvasCairo(int width, int height)
{
    width_ = height_ = 0;
    ResizeBuffer(width, height);
}

TvxCanvasCairo::TvxCanvasCairo(TvxBitmap& bitmap)
{
    bitmap_ = &bitmap;
    width_ = bitmap.Width();
    height_ = bitmap.Height();
    Attach(WrapBitmap(bitmap));
}

// The text machinery is made on first use: most canvases (bitmaps for effects) draw no text.
TvxCanvasCairo::Fonts& TvxCanvasCairo::EnsureFonts()
{
    if (!fonts_) {
        fonts_ = std::make_unique<Fonts>();
        fonts_->shared = pango_font_map_create_context(pango_cairo_font_map_get_default());
        Fonts::SetHinting(fonts_->shared, true);
        fonts_->sharedLayout = pango_layout_new(fonts_->shared);
        fonts_->layout = fonts_->sharedLayout;
        FontChanged();
    }
    return *fonts_;
}

TvxCanvasCairo::~TvxCanvasCairo() { Detach(); }

void TvxCanvasCairo::Attach(cairo_surface_t* surface)
{
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        Log("canvas: cannot allocate a " + std::to_string(width_) + " x " + std::to_string(height_)
            + " buffer; the canvas draws nothing");
        cairo_surface_destroy(surface);
        return;
    }
    surface_ = surface;
    cr_ = cairo_create(surface_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
    depth_ = 0;
    for (auto& s : saved_)
        s->used = false;
    ApplyMatrix();
}

void TvxCanvasCairo::Detach()
{
    if (cr_)
        cairo_destroy(cr_);
    if (surface_)
        cairo_surface_destroy(surface_);
    cr_ = nullptr;
    surface_ = nullptr;
}

uint32_t* TvxCanvasCairo::Buffer()
{
    if (!surface_)
        return nullptr;
    cairo_surface_flush(surface_);
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface_));
}

uint32_t TvxCanvasCairo::Pixel(int x, int y)
{
    uint32_t* b = Buffer();
    if (!b || x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return b[size_t(y) * width_ + x];
}

void TvxCanvasCairo::FontChanged()
{
    if (!fonts_)
        return;
    fonts_->layout = fonts_->PrivateHas(font_.Family()) ? fonts_->privateLayout : fonts_->sharedLayout;
    PangoFontDescription* d = pango_font_description_new();
    // An unknown family falls back through fontconfig to the generic sans-serif face.
    pango_font_description_set_family(d, (font_.Family() + ",sans-serif").c_str());
    pango_font_description_set_absolute_size(d, std::max(0.0f, font_.Size()) * PANGO_SCALE);
    const auto st = font_.Style();
    pango_font_description_set_weight(d,
        st == TvxFontStyle::vgFontBold || st == TvxFontStyle::vgFontBoldItalic ? PANGO_WEIGHT_BOLD
                                                                               : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(d,
        st == TvxFontStyle::vgFontItalic || st == TvxFontStyle::vgFontBoldItalic ? PANGO_STYLE_ITALIC
                                                                                 : PANGO_STYLE_NORMAL);
    PangoAttrList* attrs = pango_attr_list_new();
    if (st == TvxFontStyle::vgFontUnderline)
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (st == TvxFontStyle::vgFontStrikeout)
        pango_attr_list_insert(attrs, pango_attr_strikethrough_new(true));
    for (PangoLayout* l : { fonts_->sharedLayout, fonts_->privateLayout }) {
        if (!l)
            continue;
        pango_layout_set_font_description(l, d);
        pango_layout_set_attributes(l, attrs);
    }
    pango_attr_list_unref(attrs);
    pango_font_description_free(d);
    fonts_->Hint(font_.ClearType());
}

bool TvxCanvasCairo::BeginScene() { return true; }

void TvxCanvasCairo::EndScene()
{
    if (surface_)
        cairo_surface_flush(surface_);
}

void TvxCanvasCairo::FlushBuffer(int x, int y, TvxDeviceContext dc)
{
    if (!surface_ || !dc)
        return;
    cairo_t* target = static_cast<cairo_t*>(dc);
    cairo_surface_flush(surface_);
    cairo_save(target);
    cairo_set_operator(target, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(target, surface_, x, y);
    cairo_rectangle(target, x, y, width_, height_);
    cairo_fill(target);
    cairo_restore(target);
}

void TvxCanvasCairo::FlushBufferRect(int x, int y, TvxDeviceContext dc, const TvxRect& r)
{
    if (!surface_ || !dc)
        return;
    const int l = int(r.Left), t = int(r.Top), rr = int(r.Right) + 1, b = int(r.Bottom) + 1;
    cairo_t* target = static_cast<cairo_t*>(dc);
    cairo_surface_flush(surface_);
    cairo_save(target);
    cairo_set_operator(target, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(target, surface_, x, y);
    cairo_rectangle(target, x + l, y + t, rr - l, b - t);
    cairo_fill(target);
    cairo_restore(target);
}

void TvxCanvasCairo::FreeBuffer()
{
    if (bitmap_)
        return; // a bitmap canvas draws into memory it does not own
    Detach();
}

void TvxCanvasCairo::ResizeBuffer(int width, int height)
{
    if (bitmap_)
        return;
    width = std::max(1, width);
    height = std::max(1, height);
    if (width == width_ && height == height_ && surface_)
        return;
    Detach();
    width_ = width;
    height_ = height;
    if (width > TvxBitmap::MaxSide || height > TvxBitmap::MaxSide || int64_t(width) * height > TvxBitmap::MaxPixels) {
        Log("canvas: refused a " + std::to_string(width) + " x " + std::to_string(height) + " buffer");
        return;
    }
    Attach(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
}

void TvxCanvasCairo::Clear(uint32_t color)
{
    if (!cr_)
        return;
    cairo_save(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    SetSolid(cr_, color);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

void TvxCanvasCairo::ClearRect(const TvxRect& r, uint32_t color)
{
    uint32_t* px = Buffer();
    if (!px)
        return;
    auto cut = [](double v, int hi) { return int(std::clamp(v, 0.0, double(hi))); };
    const int l = cut(std::trunc(r.Left), width_), t = cut(std::trunc(r.Top), height_);
    const int rr = cut(std::round(r.Right), width_), b = cut(std::round(r.Bottom), height_);
    for (int y = t; y < b; ++y)
        std::fill(px + size_t(y) * width_ + l, px + size_t(y) * width_ + std::max(l, rr), color);
    if (rr > l && b > t)
        cairo_surface_mark_dirty_rectangle(surface_, l, t, rr - l, b - t);
}

uint32_t* TvxCanvasCairo::GetBitmapScanline(TvxBitmap& bitmap, int y) { return bitmap.Scanline(y); }

void TvxCanvasCairo::ApplyMatrix()
{
    if (!cr_)
        return;
    cairo_matrix_t m = ToCairo(matrix_);
    cairo_matrix_t probe = m;
    // cairo refuses a matrix it cannot invert and stops drawing for good: such a transform
    // (an object scaled to nothing) draws nothing instead.
    degenerate_ = !Finite(matrix_) || cairo_matrix_invert(&probe) != CAIRO_STATUS_SUCCESS;
    if (degenerate_)
        cairo_identity_matrix(cr_);
    else
        cairo_set_matrix(cr_, &m);
}

void TvxCanvasCairo::SetMatrix(const TvxMatrix& m)
{
    matrix_ = m;
    ApplyMatrix();
}

void TvxCanvasCairo::MultiplyMatrix(const TvxMatrix& m)
{
    matrix_ = m * matrix_;
    ApplyMatrix();
}

int TvxCanvasCairo::SaveCanvas()
{
    if (!cr_)
        return -1;
    size_t i = 0;
    while (i < saved_.size() && saved_[i]->used)
        ++i;
    if (i == saved_.size())
        saved_.push_back(std::make_unique<SavedState>());
    SavedState& s = *saved_[i];
    s.used = true;
    s.depth = depth_;
    cairo_save(cr_);
    ++depth_;
    s.matrix = matrix_;
    s.fill.Assign(fill_);
    s.stroke.Assign(stroke_);
    s.thickness = StrokeThickness;
    s.cap = StrokeCap;
    s.join = StrokeJoin;
    s.dash = dash_;
    s.dashArray = DashArray;
    s.dashOffset = DashOffset;
    s.font.Assign(font_);
    return int(i);
}

void TvxCanvasCairo::RestoreCanvas(int handle)
{
    if (!cr_ || handle < 0 || size_t(handle) >= saved_.size() || !saved_[handle]->used)
        return;
    SavedState& s = *saved_[handle];
    while (depth_ > s.depth) {
        cairo_restore(cr_);
        --depth_;
    }
    // States saved after this one were inside it and are gone with it.
    for (auto& o : saved_) {
        if (o->used && o->depth > s.depth)
            o->used = false;
    }
    fill_.Assign(s.fill);
    stroke_.Assign(s.stroke);
    StrokeThickness = s.thickness;
    StrokeCap = s.cap;
    StrokeJoin = s.join;
    dash_ = s.dash;
    DashArray = s.dashArray;
    DashOffset = s.dashOffset;
    font_.Assign(s.font);
    SetMatrix(s.matrix);
    s.used = false;
    // Drop the copies' pictures; the entry itself is kept for reuse.
    s.fill.Bitmap().Bitmap().SetSize(0, 0);
    s.stroke.Bitmap().Bitmap().SetSize(0, 0);
}

void TvxCanvasCairo::SetClipRects(std::span<const TvxRect> rects)
{
    if (!cr_)
        return;
    cairo_reset_clip(cr_);
    cairo_new_path(cr_);
    if (degenerate_) {
        cairo_clip(cr_); // nothing visible under a degenerate transform
        return;
    }
    for (const TvxRect& r : rects)
        cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
    cairo_clip(cr_);
}

void TvxCanvasCairo::IntersectClipRect(const TvxRect& r)
{
    if (!Drawable())
        return;
    cairo_new_path(cr_);
    cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
    cairo_clip(cr_);
}

void TvxCanvasCairo::ExcludeClipRect(const TvxRect& r)
{
    if (!Drawable())
        return;
    cairo_new_path(cr_);
    cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
    cairo_identity_matrix(cr_);
    cairo_rectangle(cr_, -1, -1, width_ + 2.0, height_ + 2.0);
    ApplyMatrix();
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_clip(cr_);
}

void TvxCanvasCairo::ResetClipRect()
{
    if (cr_)
        cairo_reset_clip(cr_);
}

double TvxCanvasCairo::SetSource(const TvxBrush& brushIn, const TvxRect& r, float opacity, bool forStroke)
{
    const TvxBrush& brush = brushIn.Resolved();
    switch (brush.Style()) {
    case TvxBrushStyle::vgBrushSolid:
        SetSolid(cr_, ScaleAlpha(brush.Color(), opacity));
        return 1;
    case TvxBrushStyle::vgBrushGradient: {
        const TvxGradient& g = brush.Gradient();
        const std::vector<TvxGradientStop> pts = g.Stops();
        if (pts.size() < 2) {
            SetSolid(cr_, ScaleAlpha(brush.Color(), opacity));
            return 1;
        }
        cairo_pattern_t* p;
        const bool radial = !forStroke && g.Style() == TvxGradientStyle::vgRadialGradient;
        if (!radial) {
            const double w = r.Width(), h = r.Height();
            p = cairo_pattern_create_linear(r.Left + g.StartPosition().X() * w, r.Top + g.StartPosition().Y() * h,
                r.Left + g.StopPosition().X() * w, r.Top + g.StopPosition().Y() * h);
            // Beyond the start and stop positions the gradient mirrors, as a flipped tile.
            cairo_pattern_set_extend(p, forStroke ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_REFLECT);
        } else {
            // Offset 0 sits on the ellipse of r and offset 1 at its centre; outside the ellipse
            // nothing is painted.
            p = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
            cairo_matrix_t e, t, m;
            cairo_matrix_init(
                &e, r.Width() / 2.0, 0, 0, r.Height() / 2.0, (r.Left + r.Right) / 2.0, (r.Top + r.Bottom) / 2.0);
            t = ToCairo(g.RadialTransform().Matrix());
            cairo_matrix_multiply(&m, &e, &t);
            if (cairo_matrix_invert(&m) != CAIRO_STATUS_SUCCESS) {
                cairo_pattern_destroy(p);
                return -1;
            }
            cairo_pattern_set_matrix(p, &m);
            cairo_pattern_set_extend(p, CAIRO_EXTEND_NONE);
        }
        auto stop = [&](double off, uint32_t c) { AddStop(p, radial ? 1 - off : off, ScaleAlpha(c, opacity)); };
        if (!forStroke && pts.front().Offset > 0)
            stop(0, pts.front().Color);
        for (const auto& gp : pts)
            stop(gp.Offset, gp.Color);
        if (!forStroke && pts.back().Offset < 1)
            stop(1, pts.back().Color);
        cairo_set_source(cr_, p);
        cairo_pattern_destroy(p);
        return 1;
    }
    case TvxBrushStyle::vgBrushBitmap: {
        const TvxBitmap& bm = brush.Bitmap().Bitmap().Effective();
        if (bm.IsEmpty())
            return -1;
        cairo_surface_t* s = WrapBitmap(bm);
        cairo_pattern_t* p = cairo_pattern_create_for_surface(s);
        cairo_surface_destroy(s);
        // The texture is anchored at the origin of the present transform.
        if (brush.Bitmap().WrapMode() == TvxWrapMode::vgWrapTileStretch) {
            const double half = forStroke ? 0 : StrokeThickness / 2.0;
            const double sx = (r.Width() + half) / bm.Width(), sy = (r.Height() + half) / bm.Height();
            if (sx == 0 || sy == 0 || !std::isfinite(sx) || !std::isfinite(sy)) {
                cairo_pattern_destroy(p);
                return -1;
            }
            cairo_matrix_t m;
            cairo_matrix_init_scale(&m, 1 / sx, 1 / sy);
            if (forStroke)
                cairo_matrix_translate(&m, -r.Left, -r.Top);
            cairo_pattern_set_matrix(p, &m);
            // Clamped, the picture would fade into transparency along its smoothed edges.
            cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
        } else {
            cairo_pattern_set_extend(
                p, brush.Bitmap().WrapMode() == TvxWrapMode::vgWrapTile ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_REFLECT);
        }
        cairo_set_source(cr_, p);
        cairo_pattern_destroy(p);
        return forStroke || opacity >= 1 ? 1 : std::max(0.0f, opacity);
    }
    default:
        return -1;
    }
}

void TvxCanvasCairo::FillCurrentPath(const TvxRect& r, float opacity)
{
    const TvxBrush& brush = fill_.Resolved();
    if (brush.Style() == TvxBrushStyle::vgBrushVisual) {
        IvxVisualSource* v = brush.Visual().Source();
        if (!v) {
            cairo_new_path(cr_);
            return;
        }
        const int h = SaveCanvas();
        cairo_clip(cr_);
        TvxBrush stroke;
        stroke.Assign(stroke_);
        const float thickness = StrokeThickness;
        v->PaintTo(*this, r, opacity);
        stroke_.Assign(stroke);
        StrokeThickness = thickness;
        RestoreCanvas(h);
        return;
    }
    const double alpha = SetSource(brush, r, opacity, false);
    if (alpha < 0) {
        cairo_new_path(cr_);
    } else if (alpha >= 1) {
        cairo_fill(cr_);
    } else {
        cairo_save(cr_);
        cairo_clip(cr_);
        cairo_paint_with_alpha(cr_, alpha);
        cairo_restore(cr_);
    }
}

void TvxCanvasCairo::StrokeCurrentPath(const TvxRect& r, float opacity)
{
    if (SetSource(stroke_.Resolved(), r, opacity, true) < 0) {
        cairo_new_path(cr_);
        return;
    }
    cairo_set_line_cap(cr_, StrokeCap == TvxStrokeCap::vgCapRound ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr_,
        StrokeJoin == TvxStrokeJoin::vgJoinRound       ? CAIRO_LINE_JOIN_ROUND
            : StrokeJoin == TvxStrokeJoin::vgJoinBevel ? CAIRO_LINE_JOIN_BEVEL
                                                       : CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(cr_, 10);
    // A pen of width 0 draws one device pixel wide.
    const bool hairline = !(StrokeThickness > 0) || !std::isfinite(StrokeThickness);
    double width = StrokeThickness;
    if (hairline) {
        cairo_identity_matrix(cr_);
        width = 1;
    }
    cairo_set_line_width(cr_, width);
    // Dashes are in units of the pen width; an array cairo would refuse draws solid.
    bool dashed = !DashArray.empty();
    double sum = 0;
    for (float d : DashArray) {
        dashed = dashed && d >= 0 && std::isfinite(d);
        sum += d;
    }
    if (dashed && sum > 0) {
        std::vector<double> d(DashArray.begin(), DashArray.end());
        for (auto& v : d)
            v *= width;
        cairo_set_dash(cr_, d.data(), int(d.size()), DashOffset * width);
    } else {
        cairo_set_dash(cr_, nullptr, 0, 0);
    }
    cairo_stroke(cr_);
    if (hairline)
        ApplyMatrix();
}

void TvxCanvasCairo::DrawLine(TvxPoint p1, TvxPoint p2, float opacity)
{
    if (!Drawable() || stroke_.Style() == TvxBrushStyle::vgBrushNone)
        return;
    cairo_new_path(cr_);
    cairo_move_to(cr_, p1.X, p1.Y);
    cairo_line_to(cr_, p2.X, p2.Y);
    StrokeCurrentPath(
        { std::min(p1.X, p2.X), std::min(p1.Y, p2.Y), std::max(p1.X, p2.X), std::max(p1.Y, p2.Y) }, opacity);
}

void TvxCanvasCairo::AddRectPath(const TvxRect& r, float xr, float yr, TvxCorners corners, TvxCornerType type)
{
    const double w = std::fabs(r.Width()), h = std::fabs(r.Height());
    const double rx = std::min<double>(std::fabs(xr), w / 2);
    const double ry = std::min<double>(std::fabs(yr), h / 2);
    const double L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
    struct Corner {
        TvxCorner bit;
        double px, py, ax, ay, bx, by;
    };
    // Clockwise from the top-left corner; each corner is entered at A and left at B.
    const Corner cs[4] = {
        { vgCornerTopLeft, L, T, L, T + ry, L + rx, T },
        { vgCornerTopRight, R, T, R - rx, T, R, T + ry },
        { vgCornerBottomRight, R, B, R, B - ry, R - rx, B },
        { vgCornerBottomLeft, L, B, L + rx, B, L, B - ry },
    };
    cairo_new_path(cr_);
    cairo_move_to(cr_, cs[0].ax, cs[0].ay);
    for (const Corner& c : cs) {
        cairo_line_to(cr_, c.ax, c.ay);
        if (!(corners & c.bit)) {
            cairo_line_to(cr_, c.px, c.py);
            cairo_line_to(cr_, c.bx, c.by);
            continue;
        }
        switch (type) {
        case TvxCornerType::vgCornerRound:
            cairo_curve_to(cr_, c.px + CornerK * (c.ax - c.px), c.py + CornerK * (c.ay - c.py),
                c.px + CornerK * (c.bx - c.px), c.py + CornerK * (c.by - c.py), c.bx, c.by);
            break;
        case TvxCornerType::vgCornerBevel:
            cairo_line_to(cr_, c.bx, c.by);
            break;
        case TvxCornerType::vgCornerInnerRound:
            cairo_curve_to(cr_, c.ax + CornerK * (c.bx - c.px), c.ay + CornerK * (c.by - c.py),
                c.bx + CornerK * (c.ax - c.px), c.by + CornerK * (c.ay - c.py), c.bx, c.by);
            break;
        case TvxCornerType::vgCornerInnerLine:
            cairo_line_to(cr_, c.ax + CornerK * (c.bx - c.px), c.ay + CornerK * (c.by - c.py));
            cairo_line_to(cr_, c.bx + CornerK * (c.ax - c.px), c.by + CornerK * (c.ay - c.py));
            cairo_line_to(cr_, c.bx, c.by);
            break;
        }
    }
    cairo_close_path(cr_);
}

void TvxCanvasCairo::FillRect(
    const TvxRect& r, float xRadius, float yRadius, TvxCorners corners, float opacity, TvxCornerType cornerType)
{
    if (!Drawable() || fill_.Style() == TvxBrushStyle::vgBrushNone)
        return;
    if ((xRadius == 0 && yRadius == 0) || corners == 0) {
        cairo_new_path(cr_);
        cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
    } else {
        AddRectPath(r, xRadius, yRadius, corners, cornerType);
    }
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
    FillCurrentPath(r, opacity);
}

void TvxCanvasCairo::DrawRect(
    const TvxRect& r, float xRadius, float yRadius, TvxCorners corners, float opacity, TvxCornerType cornerType)
{
    if (!Drawable() || stroke_.Style() == TvxBrushStyle::vgBrushNone)
        return;
    if (xRadius == 0 && yRadius == 0) {
        cairo_new_path(cr_);
        cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
    } else {
        AddRectPath(r, xRadius, yRadius, corners, cornerType);
    }
    StrokeCurrentPath(r, opacity);
}

void TvxCanvasCairo::AddEllipsePath(const TvxRect& r)
{
    cairo_new_path(cr_);
    cairo_save(cr_);
    cairo_translate(cr_, (r.Left + r.Right) / 2.0, (r.Top + r.Bottom) / 2.0);
    cairo_scale(cr_, r.Width() / 2.0, r.Height() / 2.0);
    cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr_);
}

void TvxCanvasCairo::FillEllipse(const TvxRect& r, float opacity)
{
    if (!Drawable() || fill_.Style() == TvxBrushStyle::vgBrushNone || r.Width() == 0 || r.Height() == 0)
        return;
    AddEllipsePath(r);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
    FillCurrentPath(r, opacity);
}

void TvxCanvasCairo::DrawEllipse(const TvxRect& r, float opacity)
{
    if (!Drawable() || stroke_.Style() == TvxBrushStyle::vgBrushNone || r.Width() == 0 || r.Height() == 0)
        return;
    AddEllipsePath(r);
    StrokeCurrentPath(r, opacity);
}

bool TvxCanvasCairo::AddMappedPath(const TvxPathData& pathIn, const TvxRect& r, bool segments)
{
    const TvxPathData& path = pathIn.Effective();
    if (path.IsEmpty())
        return false;
    const TvxRect b = path.GetBounds();
    const double bw = b.Width(), bh = b.Height();
    if (!(bw * bh != 0) || !std::isfinite(bw * bh))
        return false;
    const double sx = r.Width() / bw, sy = r.Height() / bh;
    auto mx = [&](const TvxPoint& p) { return r.Left + (p.X - b.Left) * sx; };
    auto my = [&](const TvxPoint& p) { return r.Top + (p.Y - b.Top) * sy; };
    const auto& pts = path.Points();
    cairo_new_path(cr_);
    double lastX = 0, lastY = 0, startX = 0, startY = 0;
    bool have = false;
    for (size_t i = 0; i < pts.size(); ++i) {
        const auto& p = pts[i];
        if (!have && p.Kind != TvxPathPointKind::MoveTo) {
            // A figure without a move-to starts at its first point.
            lastX = startX = mx(p.Point);
            lastY = startY = my(p.Point);
            have = true;
            if (!segments)
                cairo_move_to(cr_, lastX, lastY);
        }
        switch (p.Kind) {
        case TvxPathPointKind::MoveTo:
            lastX = startX = mx(p.Point);
            lastY = startY = my(p.Point);
            have = true;
            if (!segments)
                cairo_move_to(cr_, lastX, lastY);
            break;
        case TvxPathPointKind::LineTo:
            if (segments)
                cairo_move_to(cr_, lastX, lastY);
            lastX = mx(p.Point);
            lastY = my(p.Point);
            cairo_line_to(cr_, lastX, lastY);
            have = true;
            break;
        case TvxPathPointKind::CurveTo: {
            if (i + 2 >= pts.size())
                return true; // an unfinished curve at the end is dropped
            if (segments)
                cairo_move_to(cr_, lastX, lastY);
            const auto &c1 = pts[i].Point, &c2 = pts[i + 1].Point, &e = pts[i + 2].Point;
            cairo_curve_to(cr_, mx(c1), my(c1), mx(c2), my(c2), mx(e), my(e));
            lastX = mx(e);
            lastY = my(e);
            have = true;
            i += 2;
            break;
        }
        case TvxPathPointKind::Close:
            if (segments) {
                cairo_move_to(cr_, lastX, lastY);
                cairo_line_to(cr_, startX, startY);
            } else {
                cairo_close_path(cr_);
            }
            lastX = startX;
            lastY = startY;
            break;
        }
    }
    return true;
}

bool TvxCanvasCairo::PtInPath(TvxPoint p, const TvxRect& r, const TvxPathData& path)
{
    if (!Drawable())
        return false;
    if (p.X < r.Left || p.X > r.Right || p.Y < r.Top || p.Y > r.Bottom)
        return false;
    if (!AddMappedPath(path, r, false))
        return false;
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
    const bool in = cairo_in_fill(cr_, p.X, p.Y);
    cairo_new_path(cr_);
    return in;
}

void TvxCanvasCairo::FillPath(const TvxPathData& path, const TvxRect& r, float opacity)
{
    if (!Drawable() || fill_.Style() == TvxBrushStyle::vgBrushNone)
        return;
    if (!AddMappedPath(path, r, false))
        return;
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
    FillCurrentPath(r, opacity);
}

void TvxCanvasCairo::DrawPath(const TvxPathData& path, const TvxRect& r, float opacity)
{
    if (!Drawable() || stroke_.Style() == TvxBrushStyle::vgBrushNone)
        return;
    // Each segment is its own piece, drawn with caps and without joins.
    if (!AddMappedPath(path, r, true))
        return;
    StrokeCurrentPath(r, opacity);
}

void TvxCanvasCairo::DrawBitmap(
    const TvxBitmap& bitmapIn, const TvxRect& src, const TvxRect& dst, float opacity, bool highSpeed)
{
    const TvxBitmap& bm = bitmapIn.Effective();
    if (!Drawable() || bm.IsEmpty() || !(opacity > 0) || src.Width() == 0 || src.Height() == 0 || dst.Width() == 0
        || dst.Height() == 0)
        return;
    cairo_surface_t* s = WrapBitmap(bm);
    cairo_pattern_t* p = cairo_pattern_create_for_surface(s);
    cairo_surface_destroy(s);
    const double sx = src.Width() / double(dst.Width()), sy = src.Height() / double(dst.Height());
    cairo_matrix_t m;
    cairo_matrix_init(&m, sx, 0, 0, sy, src.Left - dst.Left * sx, src.Top - dst.Top * sy);
    cairo_pattern_set_matrix(p, &m);
    cairo_pattern_set_filter(p, highSpeed ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
    cairo_set_source(cr_, p);
    cairo_pattern_destroy(p);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, dst.Left, dst.Top, dst.Width(), dst.Height());
    if (opacity >= 1) {
        cairo_fill(cr_);
    } else {
        cairo_save(cr_);
        cairo_clip(cr_);
        cairo_paint_with_alpha(cr_, opacity);
        cairo_restore(cr_);
    }
}

void TvxCanvasCairo::DrawThumbnail(const TvxBitmap& bitmap, float width, float /*height*/)
{
    if (!bitmap_ || bitmap.IsEmpty() || !(width > 0))
        return;
    const float s = width / float(bitmap.Width());
    const TvxMatrix old = matrix_;
    SetMatrix(TvxMatrix::Scaling(s, s) * matrix_);
    const TvxRect all { 0, 0, float(bitmap.Width()), float(bitmap.Height()) };
    DrawBitmap(bitmap, all, all, 1, false);
    SetMatrix(old);
}

bool TvxCanvasCairo::LoadFontFromStream(std::span<const uint8_t> bytes)
{
    if (bytes.empty())
        return false;
    const int fd = memfd_create("horalux-font", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            close(fd);
            return false;
        }
        done += size_t(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    EnsureFonts();
    if (!fonts_->privateConfig)
        fonts_->privateConfig = FcConfigCreate();
    if (!FcConfigAppFontAddFile(fonts_->privateConfig, reinterpret_cast<const FcChar8*>(path.c_str()))) {
        Log("canvas: a font stream of " + std::to_string(bytes.size()) + " bytes holds no font");
        close(fd);
        return false;
    }
    FontFiles().push_back(fd);
    if (!fonts_->privateMap) {
        fonts_->privateMap = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
        pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(fonts_->privateMap), fonts_->privateConfig);
        fonts_->privateContext = pango_font_map_create_context(fonts_->privateMap);
        Fonts::SetHinting(fonts_->privateContext, fonts_->gridFit);
        fonts_->privateLayout = pango_layout_new(fonts_->privateContext);
    } else {
        pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(fonts_->privateMap));
    }
    FontChanged();
    return true;
}

PangoLayout* TvxCanvasCairo::PrepareLayout(const std::u16string& text, const TvxRect& r, bool wordWrap,
    TvxTextAlign align, TvxTextAlign vAlign, double& x, double& y, double& w, double& h)
{
    PangoLayout* l = EnsureFonts().layout;
    const std::string utf8 = ToUtf8(text);
    pango_layout_set_text(l, utf8.c_str(), int(utf8.size()));
    const PangoAlignment pa = align == TvxTextAlign::vgTextAlignNear ? PANGO_ALIGN_LEFT
        : align == TvxTextAlign::vgTextAlignFar                      ? PANGO_ALIGN_RIGHT
                                                                     : PANGO_ALIGN_CENTER;
    pango_layout_set_alignment(l, pa);
    if (wordWrap && r.Width() > 0) {
        pango_layout_set_width(l, int(r.Width() * PANGO_SCALE));
        pango_layout_set_wrap(l, PANGO_WRAP_WORD_CHAR);
    } else {
        pango_layout_set_width(l, -1);
    }
    if (cr_)
        pango_cairo_update_layout(cr_, l);
    PangoRectangle logical;
    pango_layout_get_extents(l, nullptr, &logical);
    w = double(logical.width) / PANGO_SCALE;
    h = double(logical.height) / PANGO_SCALE;
    const double lx = double(logical.x) / PANGO_SCALE, ly = double(logical.y) / PANGO_SCALE;
    // A wrapped layout is as wide as r and aligns its own lines; an unwrapped one is placed.
    double left = r.Left;
    if (!(wordWrap && r.Width() > 0)) {
        if (align == TvxTextAlign::vgTextAlignCenter)
            left = r.Left + (r.Width() - w) / 2;
        else if (align == TvxTextAlign::vgTextAlignFar)
            left = r.Right - w;
        left -= lx;
    }
    double top = r.Top;
    if (vAlign == TvxTextAlign::vgTextAlignCenter)
        top = r.Top + (r.Height() - h) / 2;
    else if (vAlign == TvxTextAlign::vgTextAlignFar)
        top = r.Bottom - h;
    x = left;
    y = top - ly;
    return l;
}

void TvxCanvasCairo::FillText(const TvxRect& r, const TvxRect& /*clip*/, const std::u16string& text, bool wordWrap,
    float opacity, TvxTextAlign align, TvxTextAlign vAlign)
{
    if (!Drawable() || text.empty() || fill_.Style() == TvxBrushStyle::vgBrushNone)
        return;
    // A fractional scale draws with unhinted outlines for this call.
    const bool fractional = matrix_.m11 != std::trunc(matrix_.m11) || matrix_.m22 != std::trunc(matrix_.m22);
    if (fractional)
        EnsureFonts().Hint(false);
    double x, y, w, h;
    PangoLayout* l = PrepareLayout(text, r, wordWrap, align, vAlign, x, y, w, h);
    const float op = opacity == 1 ? 0.99f : opacity;
    const TvxBrush& brush = fill_.Resolved();
    cairo_new_path(cr_);
    cairo_move_to(cr_, x, y);
    if (brush.Style() == TvxBrushStyle::vgBrushSolid || brush.Style() == TvxBrushStyle::vgBrushGradient) {
        if (SetSource(brush, r, op, false) >= 0)
            pango_cairo_show_layout(cr_, l);
    } else {
        pango_cairo_layout_path(cr_, l);
        cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
        FillCurrentPath(r, op);
    }
    cairo_new_path(cr_);
    if (fractional)
        fonts_->Hint(font_.ClearType());
}

void TvxCanvasCairo::MeasureText(TvxRect& r, const TvxRect& /*clip*/, const std::u16string& text, bool wordWrap,
    TvxTextAlign align, TvxTextAlign vAlign)
{
    if (text.empty())
        return;
    double x, y, w, h;
    PangoLayout* l = PrepareLayout(text, r, wordWrap, align, vAlign, x, y, w, h);
    PangoRectangle logical;
    pango_layout_get_extents(l, nullptr, &logical);
    const double left = x + double(logical.x) / PANGO_SCALE;
    const double top = y + double(logical.y) / PANGO_SCALE;
    r = { float(left), float(top), float(left + w), float(top + h) };
}

void TvxCanvasCairo::TextToPath(TvxPathData& path, const TvxRect& r, const std::u16string& text, bool wordWrap,
    TvxTextAlign align, TvxTextAlign vAlign)
{
    if (!cr_ || text.empty())
        return;
    // Outlines are taken in object units, free of the present transform.
    cairo_save(cr_);
    cairo_identity_matrix(cr_);
    double x, y, w, h;
    PangoLayout* l = PrepareLayout(text, r, wordWrap, align, vAlign, x, y, w, h);
    cairo_new_path(cr_);
    cairo_move_to(cr_, x, y);
    pango_cairo_layout_path(cr_, l);
    cairo_path_t* cp = cairo_copy_path(cr_);
    cairo_new_path(cr_);
    cairo_restore(cr_);
    pango_cairo_update_layout(cr_, l);

    std::vector<TvxPathPoint> pts;
    bool afterClose = false;
    for (int i = 0; cp && cp->status == CAIRO_STATUS_SUCCESS && i < cp->num_data; i += cp->data[i].header.length) {
        const cairo_path_data_t* d = &cp->data[i];
        auto pt = [&](int k) { return TvxPoint { float(d[k].point.x), float(d[k].point.y) }; };
        switch (d->header.type) {
        case CAIRO_PATH_MOVE_TO:
            // cairo repeats the figure's start after every close; that move adds nothing.
            if (!(afterClose && !pts.empty() && pts.back().Point == pt(1)))
                pts.push_back({ TvxPathPointKind::MoveTo, pt(1) });
            break;
        case CAIRO_PATH_LINE_TO:
            pts.push_back({ TvxPathPointKind::LineTo, pt(1) });
            break;
        case CAIRO_PATH_CURVE_TO:
            for (int k = 1; k <= 3; ++k)
                pts.push_back({ TvxPathPointKind::CurveTo, pt(k) });
            break;
        case CAIRO_PATH_CLOSE_PATH: {
            TvxPoint start;
            for (auto it = pts.rbegin(); it != pts.rend(); ++it) {
                if (it->Kind == TvxPathPointKind::MoveTo) {
                    start = it->Point;
                    break;
                }
            }
            pts.push_back({ TvxPathPointKind::Close, start });
            break;
        }
        }
        afterClose = d->header.type == CAIRO_PATH_CLOSE_PATH;
    }
    if (cp)
        cairo_path_destroy(cp);
    path.SetPoints(std::move(pts));
}

std::unique_ptr<TvxCanvas> CreateCanvas(int width, int height)
{
    return std::make_unique<TvxCanvasCairo>(width, height);
}

std::unique_ptr<TvxCanvas> CreateBitmapCanvas(TvxBitmap& bitmap) { return std::make_unique<TvxCanvasCairo>(bitmap); }

} // namespace hx
