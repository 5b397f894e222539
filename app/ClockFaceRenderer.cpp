#include "app/ClockFaceRenderer.h"

#include "app/ClockFaceStyle.h"
#include "app/ClockFaceTileCache.h"
#include "platform/cairo/FaceText.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <pango/pangocairo.h>

namespace hx {

namespace {

    // The face is drawn in eight rasterisations: the outline, the six halo widths, the fill.
    constexpr int kPasses = 8;
    constexpr int kFillPass = 7;
    constexpr int kMaxRows = 256;
    using RowSet = std::bitset<kMaxRows>;
    using PassRows = std::array<RowSet, kPasses>;

    // Pixels a glyph's strokes may reach beyond their measured extents (rounding of the glyph's
    // position and of the rasteriser's edge pixels).
    constexpr int kSafetyMargin = 1;
    // Free columns between a group's pixels and the probe or forcing geometry beside them: more
    // than the widest stroke's reach.
    constexpr int kPadGap = 8;
    // Distinct fonts a configuration may hold on to (fallback fonts for odd texts) before the
    // whole cache starts afresh.
    constexpr size_t kMaxFonts = 8;
    constexpr size_t kDefaultBudget = 8u << 20;
    // Glyphs whose reach a configuration remembers before it starts afresh (a time text uses a
    // dozen; this only bounds odd texts).
    constexpr size_t kMaxGlyphs = 4096;

    // cairo places each glyph at its origin rounded to 1/256 px, halves to even. A tile drawn
    // at a whole-pixel offset must get the same rounding as the full face, so positions are
    // rounded once, in frame coordinates, and tiles are drawn at exact 1/256 positions.
    constexpr int kFixedOne = 256;
    static_assert(PANGO_SCALE % kFixedOne == 0);

    int ToCairoFixed(int pangoUnits)
    {
        return static_cast<int>(std::nearbyint(double(pangoUnits) / (PANGO_SCALE / kFixedOne)));
    }

    void AppendGlyph(cairo_t* cr, PangoFont* font, PangoGlyph glyph, double x, double y)
    {
        cairo_set_scaled_font(cr, pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font)));
        cairo_glyph_t g { glyph, x, y };
        cairo_glyph_path(cr, &g, 1);
    }

    void SetPassPen(cairo_t* cr, int pass)
    {
        if (pass == 0) {
            cairo_set_line_width(cr, kFaceOutlineWidth);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        } else {
            cairo_set_line_width(cr, pass);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        }
    }

    void Rasterize(cairo_t* cr, int pass)
    {
        if (pass == kFillPass) {
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
            cairo_fill(cr);
        } else {
            SetPassPen(cr, pass);
            cairo_stroke(cr);
        }
    }

    // Slanted lines (thin slanted bars for the fill) crossing every row with no vertex inside
    // any row. Their pixels come out differently when a row is sampled row by row and when it is
    // stepped whole, so comparing them tells which rows other geometry in the same
    // rasterisation forces into sampling. Returns the columns they take.
    int AppendProbe(cairo_t* cr, double x0, int height, bool fill)
    {
        const double span = height + 10;
        double x = x0 + 0.3;
        for (double slope : { 0.37, 1.13 }) {
            for (int k = 0; k < 2; ++k) {
                const double a = x + k * 0.29;
                cairo_move_to(cr, a, -5);
                cairo_line_to(cr, a + slope * span, height + 5);
                if (fill) {
                    cairo_line_to(cr, a + slope * span + 2.5, height + 5);
                    cairo_line_to(cr, a + 2.5, -5);
                    cairo_close_path(cr);
                }
                x += 9;
            }
            x += slope * span;
        }
        return static_cast<int>(std::ceil(x - x0)) + kPadGap;
    }

    // Short vertical bars from the middle of each chosen row to its bottom edge: they force
    // those rows, and only those, into row-by-row sampling (an edge ending exactly on a row's
    // bottom is not active in the next row). Kept short so that a row meets one bar, not all.
    void AppendForcing(cairo_t* cr, double x, const RowSet& rows, int height, bool fill)
    {
        for (int r = 0; r < height; ++r) {
            if (!rows[r])
                continue;
            if (fill) {
                cairo_rectangle(cr, x, r + 0.5, 2, 0.5);
            } else {
                cairo_move_to(cr, x, r + 0.5);
                cairo_line_to(cr, x, r + 1);
            }
        }
    }

    // cairo draws a path made only of horizontal and vertical lines by a different, box-based
    // route. A glyph group such as a square colon would take it alone while the whole face does
    // not; one slanted line beside the used columns, with no vertex inside any row, keeps every
    // tile on the general route.
    void AppendSlant(cairo_t* cr, double x, int height, bool fill)
    {
        cairo_move_to(cr, x, -5);
        cairo_line_to(cr, x + 1.5, height + 5);
        if (fill) {
            cairo_line_to(cr, x + 3, height + 5);
            cairo_line_to(cr, x + 1.5, -5);
            cairo_close_path(cr);
        }
    }

    bool IsRectilinear(const cairo_path_t* path)
    {
        double x = 0, y = 0;
        for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
            const cairo_path_data_t& d = path->data[i];
            switch (d.header.type) {
            case CAIRO_PATH_MOVE_TO:
                x = path->data[i + 1].point.x, y = path->data[i + 1].point.y;
                break;
            case CAIRO_PATH_LINE_TO: {
                const double nx = path->data[i + 1].point.x, ny = path->data[i + 1].point.y;
                if (nx != x && ny != y)
                    return false;
                x = nx, y = ny;
                break;
            }
            case CAIRO_PATH_CURVE_TO:
                return false;
            case CAIRO_PATH_CLOSE_PATH:
                break;
            }
        }
        return true;
    }

    bool RowHasInk(cairo_surface_t* s, int x, int width, int row)
    {
        const uint8_t* p = cairo_image_surface_get_data(s) + row * cairo_image_surface_get_stride(s) + x;
        return std::any_of(p, p + width, [](uint8_t v) { return v != 0; });
    }

    bool RowsDiffer(cairo_surface_t* a, int ax, cairo_surface_t* b, int bx, int width, int row)
    {
        const uint8_t* pa = cairo_image_surface_get_data(a) + row * cairo_image_surface_get_stride(a) + ax;
        const uint8_t* pb = cairo_image_surface_get_data(b) + row * cairo_image_surface_get_stride(b) + bx;
        return std::memcmp(pa, pb, width) != 0;
    }

    struct Member {
        PangoFont* font; // kept alive by the renderer while any key may name it
        PangoGlyph glyph;
        int x, y; // glyph origin in 1/256 px from the group's left edge and the frame's top
        bool operator==(const Member&) const = default;
    };

    // A group of glyphs whose strokes all reach the same columns. Its pixels are drawn on a
    // surface of unionWidth columns (where any member reaches, cut to the frame); the frame uses
    // columns useX0..useX1 of it (where every member reaches).
    struct GroupKey {
        std::vector<Member> members;
        int unionWidth = 0, height = 0, useX0 = 0, useX1 = 0;
        bool operator==(const GroupKey&) const = default;
    };

    size_t Mix(size_t h, size_t v) { return h ^ (v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2)); }

    struct GroupKeyHash {
        size_t operator()(const GroupKey& k) const
        {
            size_t h = Mix(Mix(Mix(k.unionWidth, k.height), k.useX0), k.useX1);
            for (const Member& m : k.members)
                h = Mix(Mix(Mix(Mix(h, std::hash<const void*>()(m.font)), m.glyph), m.x), m.y);
            return h;
        }
    };

    // What a group does to cairo's rasteriser, per pass and row. cairo's scan converter steps a
    // pixel row whole when every edge crossing it spans the row, and samples it row by row
    // otherwise, and the two differ slightly on slanted edges: so one glyph's vertices change the
    // pixels of another glyph in the same rows. `forces`: rows this group makes sampled.
    // `inked`: rows where the group has pixels in its used columns, the rows where the face's
    // choice must be reproduced.
    struct GroupInfo {
        PassRows forces, inked;
        size_t bytes = sizeof(PassRows) * 2 + 128;
    };

    // A group drawn for the rows the whole face samples, among the rows where it has pixels.
    struct VariantKey {
        GroupKey group;
        PassRows sampled;
        bool operator==(const VariantKey&) const = default;
    };

    struct VariantKeyHash {
        size_t operator()(const VariantKey& k) const
        {
            size_t h = GroupKeyHash()(k.group);
            for (const RowSet& rows : k.sampled)
                h = Mix(h, std::hash<RowSet>()(rows));
            return h;
        }
    };

    struct FaceTile {
        SurfacePtr strokes; // premultiplied ARGB32: outline and halo, the used columns only
        SurfacePtr fill; // A8: coverage of the fill
        int top = 0; // frame row of the first kept row (rows without pixels are not kept)
        uint64_t serial = 0; // unique per drawn tile, never reused (an address may be)
        size_t bytes = 0;
    };

    // An interval as painted into the kept frame: the same tile at the same place under the
    // same gradient gives the same pixels, so the next frame can leave it as it is.
    struct PaintedInterval {
        int a, b, origin;
        uint64_t serial;
        int top, bottom; // the rows the tile can touch (the same for the same serial)
        bool operator==(const PaintedInterval&) const = default;
    };

    bool Holds(const std::vector<PaintedInterval>& list, const PaintedInterval& p)
    {
        return std::find(list.begin(), list.end(), p) != list.end();
    }

    // The box of what differs between two frames' intervals: the columns of the intervals that
    // came or went, over the rows their tiles touch (the rest of those columns is transparent
    // in both). `each` sees every such interval.
    template <typename Each>
    PixelBox ChangedBetween(const std::vector<PaintedInterval>& before, const std::vector<PaintedInterval>& now,
        int width, int height, Each&& each)
    {
        int bx0 = width, bx1 = 0, by0 = height, by1 = 0;
        auto grow = [&](const PaintedInterval& p) {
            each(p);
            bx0 = std::min(bx0, p.a), bx1 = std::max(bx1, p.b);
            by0 = std::min(by0, std::max(p.top, 0)), by1 = std::max(by1, std::min(p.bottom, height));
        };
        for (const PaintedInterval& old : before)
            if (!Holds(now, old))
                grow(old);
        for (const PaintedInterval& p : now)
            if (!Holds(before, p))
                grow(p);
        return bx1 > bx0 && by1 > by0 ? PixelBox { bx0, by0, bx1 - bx0, by1 - by0 } : PixelBox {};
    }

    // A tile as one frame uses it. The references keep its pixels even when drawing a later
    // tile of the same frame evicts it from the cache.
    struct UsedTile {
        SurfacePtr strokes, fill;
        int top = 0, bottom = 0;
        uint64_t serial = 0;
    };

    // What resolving one text found, kept so that showing it later (the warm-up resolved it
    // ahead) costs a look-up instead of the whole resolution.
    struct ArrangeMemo {
        int width = 0;
        std::vector<PaintedInterval> intervals;
        std::vector<UsedTile> tiles; // one per interval, holding its pixels
        std::vector<PiecePlacement> placements; // into those pixels
        size_t bytes = 0;
    };

    // What Pango makes of a time text, kept because shaping it twice a tick (width and
    // glyphs) costs more than composing the face from its tiles.
    struct TextKey {
        std::string text, widthFamily;
        int widthSize = 0, pixelSize = 0;
        bool operator==(const TextKey&) const = default;
    };

    struct TextKeyHash {
        size_t operator()(const TextKey& k) const
        {
            return Mix(Mix(Mix(std::hash<std::string>()(k.text), std::hash<std::string>()(k.widthFamily)), k.widthSize),
                k.pixelSize);
        }
    };

    struct TextLayout {
        int width = 1;
        bool drawable = true;
        std::vector<PlacedGlyph> placed;
        std::vector<GObjectPtr<PangoFont>> fonts; // the fonts `placed` names, kept alive
        size_t bytes = 0;
    };

    // Texts kept: a day has 86,400, a running clock needs the next few minutes' (the warm-up
    // draws ten minutes ahead) and the current one.
    constexpr size_t kTextBudget = 1u << 20;

    // Where a glyph's pixels can be non-zero, relative to its origin.
    struct GlyphReach {
        bool empty = true;
        bool rectilinear = true;
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    };

    struct PlacedRect {
        const PlacedGlyph* glyph;
        int x0, x1; // whole pixels in the frame, end exclusive
    };

    struct Interval {
        int a, b;
        std::vector<size_t> set; // indices into the placed rects
    };

    // One interval's keys as the last frame built them, kept so that an interval that is the
    // same as last tick's (the hours and minutes, most ticks) skips the group lookup.
    struct IntervalKeys {
        VariantKey variant;
        GroupInfo info;
        int origin = 0;
        bool known = false;
    };

} // namespace

struct ClockFaceRenderer::Impl {
    explicit Impl(size_t budget)
        : tiles(budget - budget / 8)
        , groups(budget / 8)
        , layouts(kTextBudget)
    {
        scratchSurface.reset(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1));
        scratch.reset(cairo_create(scratchSurface.get()));
    }

    FaceText text;
    ClockFaceTileCache<VariantKey, FaceTile, VariantKeyHash> tiles;
    ClockFaceTileCache<GroupKey, GroupInfo, GroupKeyHash> groups;
    ClockFaceTileCache<TextKey, TextLayout, TextKeyHash> layouts;
    uint64_t hits = 0, misses = 0, serials = 0;

    // The configuration everything cached belongs to: the glyphs' pixel size.
    int pixelSize = -1;
    FontDescPtr glyphFont;
    std::vector<GObjectPtr<PangoFont>> fonts;
    std::map<std::pair<PangoFont*, PangoGlyph>, GlyphReach> reach;
    std::array<SurfacePtr, kPasses> probeAlone;
    int probeWidth = 0;

    std::string widthFamily;
    int widthSize = -1;
    FontDescPtr widthFont;

    SurfacePtr scratchSurface;
    CairoPtr scratch;
    SurfacePtr frame;
    // What the kept frame shows, when it was composed (not drawn the plain way): its intervals
    // and its gradient's inputs.
    bool frameComposed = false;
    uint32_t frameStart = 0, frameEnd = 0;
    std::vector<PaintedInterval> painted, painting;
    std::vector<PlacedGlyph> placed;
    std::vector<PlacedRect> rects;
    // What the last Render changed against the frame before it.
    PixelBox changed;

    // Kept from tick to tick so that a tick allocates nothing: the cuts and intervals (the
    // first `intervalCount` entries are this tick's), each interval's keys, the tiles used.
    std::vector<int> cuts;
    std::vector<Interval> intervals;
    size_t intervalCount = 0;
    std::vector<IntervalKeys> keys;
    GroupKey candidate;
    std::vector<UsedTile> used;
    // Drawing state of the kept frame, for as long as the frame and the gradient's inputs stay.
    CairoPtr frameCr;
    PatternPtr gradient;
    int gradientWidth = 0;
    uint32_t gradientStart = 0, gradientEnd = 0;

    void Configure(int size)
    {
        if (size == pixelSize)
            return;
        pixelSize = size;
        glyphFont = FaceFontInPixels(kFaceGlyphFamily, size);
        Forget();
        for (int p = 0; p < kPasses; ++p) {
            probeAlone[p].reset(cairo_image_surface_create(CAIRO_FORMAT_A8, 1024, size));
            CairoPtr cr(cairo_create(probeAlone[p].get()));
            probeWidth = AppendProbe(cr.get(), 0, size, p == kFillPass);
            Rasterize(cr.get(), p);
            cairo_surface_flush(probeAlone[p].get());
        }
    }

    // The font the window width is measured with: `Font` at `FontSize` points.
    void UseWidthFont(const ClockFaceInput& input)
    {
        if (widthFont && input.font == widthFamily && input.fontSize == widthSize)
            return;
        widthFamily = input.font;
        widthSize = input.fontSize;
        widthFont = FaceFontInPoints(input.font, input.fontSize);
    }

    void Forget()
    {
        // The kept keys name fonts that are about to be let go.
        for (IntervalKeys& k : keys)
            k.known = false;
        memos.Clear();
        tiles.Clear();
        groups.Clear();
        reach.clear();
        fonts.clear();
    }

    // Holding a reference keeps a font's address from being reused by another font while keys
    // name it. Called before any key of the frame is built, so that starting afresh never
    // drops what the frame's own keys need.
    void KeepFonts()
    {
        std::vector<PangoFont*> added;
        for (const PlacedGlyph& g : placed) {
            const bool kept = std::any_of(fonts.begin(), fonts.end(), [&](const auto& f) { return f.get() == g.font; });
            if (!kept && std::find(added.begin(), added.end(), g.font) == added.end())
                added.push_back(g.font);
        }
        if (fonts.size() + added.size() > kMaxFonts || reach.size() + placed.size() > kMaxGlyphs) {
            Forget();
            added.clear();
            for (const PlacedGlyph& g : placed)
                if (std::find(added.begin(), added.end(), g.font) == added.end())
                    added.push_back(g.font);
        }
        for (PangoFont* font : added)
            fonts.emplace_back(static_cast<PangoFont*>(g_object_ref(font)));
    }

    const GlyphReach& Reach(PangoFont* font, PangoGlyph glyph)
    {
        auto [it, added] = reach.try_emplace({ font, glyph });
        if (!added)
            return it->second;
        cairo_t* cr = scratch.get();
        cairo_new_path(cr);
        AppendGlyph(cr, font, glyph, 0, 0);
        GlyphReach& r = it->second;
        if (!cairo_has_current_point(cr))
            return r;
        r.empty = false;
        PathPtr path(cairo_copy_path(cr));
        r.rectilinear = IsRectilinear(path.get());
        // The widest round halo, and the mitred outline whose spikes can reach further.
        double x0, y0, x1, y1;
        SetPassPen(cr, kFaceHaloStrokes);
        cairo_stroke_extents(cr, &r.x0, &r.y0, &r.x1, &r.y1);
        SetPassPen(cr, 0);
        cairo_stroke_extents(cr, &x0, &y0, &x1, &y1);
        r.x0 = std::min(r.x0, x0), r.y0 = std::min(r.y0, y0);
        r.x1 = std::max(r.x1, x1), r.y1 = std::max(r.y1, y1);
        cairo_new_path(cr);
        return r;
    }

    static void AppendMembers(cairo_t* cr, const GroupKey& key)
    {
        for (const Member& m : key.members)
            AppendGlyph(cr, m.font, m.glyph, double(m.x) / kFixedOne, double(m.y) / kFixedOne);
    }

    GroupInfo Analyse(const GroupKey& key)
    {
        GroupInfo info;
        const int h = key.height, probeX = key.unionWidth + kPadGap;
        for (int p = 0; p < kPasses; ++p) {
            const bool fill = p == kFillPass;
            SurfacePtr natural(cairo_image_surface_create(CAIRO_FORMAT_A8, probeX + probeWidth, h));
            CairoPtr a(cairo_create(natural.get()));
            AppendMembers(a.get(), key);
            AppendProbe(a.get(), probeX, h, fill);
            Rasterize(a.get(), p);
            cairo_surface_flush(natural.get());

            // One column and one row more each way: a sliver too thin to show when a row is
            // stepped whole can show when it is sampled.
            const int x0 = std::max(0, key.useX0 - 1), x1 = std::min(key.unionWidth, key.useX1 + 1);
            RowSet inked;
            for (int r = 0; r < h; ++r)
                inked[r] = RowHasInk(natural.get(), x0, x1 - x0, r);
            info.inked[p] = inked | (inked << 1) | (inked >> 1);
            for (int r = 0; r < h; ++r)
                info.forces[p][r] = RowsDiffer(natural.get(), probeX, probeAlone[p].get(), 0, probeWidth, r);
        }
        return info;
    }

    FaceTile Draw(const VariantKey& key)
    {
        const GroupKey& g = key.group;
        const int h = g.height, forceX = g.unionWidth + kPadGap, fullWidth = forceX + 2 * kPadGap;
        SurfacePtr strokes(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, fullWidth, h));
        SurfacePtr fill(cairo_image_surface_create(CAIRO_FORMAT_A8, fullWidth, h));
        {
            CairoPtr cr(cairo_create(strokes.get()));
            for (int p = 0; p < kFillPass; ++p) {
                cairo_new_path(cr.get());
                AppendMembers(cr.get(), g);
                AppendForcing(cr.get(), forceX, key.sampled[p], h, false);
                AppendSlant(cr.get(), forceX + kPadGap, h, false);
                SetSourceArgb(cr.get(), p == 0 ? kFaceOutlineColor : kFaceHaloColor);
                Rasterize(cr.get(), p);
            }
            CairoPtr f(cairo_create(fill.get()));
            AppendMembers(f.get(), g);
            AppendForcing(f.get(), forceX, key.sampled[kFillPass], h, true);
            AppendSlant(f.get(), forceX + kPadGap, h, true);
            Rasterize(f.get(), kFillPass);
        }
        cairo_surface_flush(strokes.get());
        cairo_surface_flush(fill.get());
        const int useWidth = g.useX1 - g.useX0;
        auto blank = [&](int r) {
            const uint8_t* a
                = cairo_image_surface_get_data(strokes.get()) + r * cairo_image_surface_get_stride(strokes.get());
            const uint8_t* f
                = cairo_image_surface_get_data(fill.get()) + r * cairo_image_surface_get_stride(fill.get());
            return std::all_of(a + 4 * g.useX0, a + 4 * g.useX1, [](uint8_t v) { return v == 0; })
                && std::all_of(f + g.useX0, f + g.useX1, [](uint8_t v) { return v == 0; });
        };
        int top = 0, bottom = h;
        while (top < bottom && blank(top))
            ++top;
        while (bottom > top + 1 && blank(bottom - 1))
            --bottom;
        if (top == bottom) // nothing in the used columns: keep one empty row
            top = 0, bottom = 1;
        FaceTile tile;
        tile.top = top;
        tile.strokes = Crop(strokes.get(), CAIRO_FORMAT_ARGB32, g.useX0, top, useWidth, bottom - top);
        tile.fill = Crop(fill.get(), CAIRO_FORMAT_A8, g.useX0, top, useWidth, bottom - top);
        tile.bytes = static_cast<size_t>(cairo_image_surface_get_stride(tile.strokes.get())) * (bottom - top)
            + static_cast<size_t>(cairo_image_surface_get_stride(tile.fill.get())) * (bottom - top) + sizeof(VariantKey)
            + g.members.size() * sizeof(Member) + 128;
        return tile;
    }

    static SurfacePtr Crop(cairo_surface_t* from, cairo_format_t format, int x0, int y0, int width, int height)
    {
        SurfacePtr to(cairo_image_surface_create(format, width, height));
        CairoPtr cr(cairo_create(to.get()));
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr.get(), from, -x0, -y0);
        cairo_paint(cr.get());
        cairo_surface_flush(to.get());
        return to;
    }

    const TextLayout& Layout(const ClockFaceInput& input, int height)
    {
        TextKey key { input.text, input.font, input.fontSize, height };
        if (const TextLayout* known = layouts.Find(key))
            return *known;
        TextLayout layout;
        layout.width = std::max(1, text.MeasureWidth(input.text, widthFont.get()));
        layout.drawable = text.Place(input.text, glyphFont.get(), layout.placed);
        for (const PlacedGlyph& g : layout.placed)
            if (std::none_of(
                    layout.fonts.begin(), layout.fonts.end(), [&](const auto& f) { return f.get() == g.font; }))
                layout.fonts.emplace_back(static_cast<PangoFont*>(g_object_ref(g.font)));
        layout.bytes = sizeof(TextLayout) + 2 * key.text.size() + key.widthFamily.size()
            + layout.placed.size() * sizeof(PlacedGlyph) + layout.fonts.size() * sizeof(void*) + 128;
        return *layouts.Insert(std::move(key), std::move(layout));
    }

    // A kept frame of the same size keeps its pixels: Compose repaints only what changed.
    void PrepareFrame(int width, int height)
    {
        if (!frame || cairo_image_surface_get_width(frame.get()) != width
            || cairo_image_surface_get_height(frame.get()) != height) {
            ReplaceFrame(SurfacePtr(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)));
        }
    }

    void ReplaceFrame(SurfacePtr to)
    {
        frameCr.reset();
        frame = std::move(to);
        frameComposed = false;
        painted.clear();
    }

    cairo_pattern_t* Gradient(int width, uint32_t start, uint32_t end)
    {
        if (!gradient || gradientWidth != width || gradientStart != start || gradientEnd != end) {
            gradient.reset(CreateFaceGradient(width, start, end));
            gradientWidth = width, gradientStart = start, gradientEnd = end;
        }
        return gradient.get();
    }

    void ClearColumns(int a, int b)
    {
        uint8_t* data = cairo_image_surface_get_data(frame.get());
        const int stride = cairo_image_surface_get_stride(frame.get());
        const int height = cairo_image_surface_get_height(frame.get());
        for (int r = 0; r < height; ++r)
            std::memset(data + static_cast<size_t>(r) * stride + 4 * a, 0, 4 * static_cast<size_t>(b - a));
    }

    // The face's intervals and their tiles (drawing the missing ones) into `intervals`,
    // `keys`, `used` and `painting`; false when the face must be drawn the plain way.
    bool Resolve(int width, int height);
    bool Compose(const ClockFaceInput& input, int width, int height);
    // What the last Arrange described, for the next one's changed box.
    std::vector<PaintedInterval> arranged;
    ClockFaceTileCache<TextKey, ArrangeMemo, TextKeyHash> memos { kTextBudget };
    int arrangedWidth = 0, arrangedHeight = 0;
    uint32_t arrangedStart = 0, arrangedEnd = 0;
};

// A pixel of the face depends only on the glyphs whose strokes can reach it, and on which
// rows the rasteriser samples. The frame is cut into column intervals over which the set of
// glyphs is the same; each interval is copied from that set's tile, drawn once for the rows
// the whole face samples and kept. Returns false when the text does not suit this.
bool ClockFaceRenderer::Impl::Resolve(int width, int height)
{
    if (height > kMaxRows)
        return false;
    KeepFonts();
    rects.clear();
    bool rectilinear = true;
    for (const PlacedGlyph& g : placed) {
        const GlyphReach& r = Reach(g.font, g.glyph);
        if (r.empty)
            continue;
        rectilinear = rectilinear && r.rectilinear;
        const double gx = double(g.x) / PANGO_SCALE;
        const int x0 = int(std::floor(gx + r.x0)) - kSafetyMargin, x1 = int(std::ceil(gx + r.x1)) + kSafetyMargin;
        // Strokes cut by the right edge would rasterise differently alone.
        if (x1 > width)
            return false;
        if (x0 < x1 && x1 > 0)
            rects.push_back({ &g, x0, x1 });
    }

    // A face of straight lines only takes cairo's box route as a whole; so be it.
    if (rectilinear)
        return false;

    cuts.clear();
    cuts.push_back(0);
    cuts.push_back(width);
    for (const PlacedRect& r : rects) {
        cuts.push_back(std::max(r.x0, 0));
        cuts.push_back(r.x1);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    // Entries past intervalCount are spares whose vectors keep their capacity.
    intervalCount = 0;
    for (size_t c = 0; c + 1 < cuts.size(); ++c) {
        if (intervals.size() <= intervalCount)
            intervals.emplace_back();
        Interval& iv = intervals[intervalCount];
        iv.a = cuts[c], iv.b = cuts[c + 1];
        iv.set.clear();
        for (size_t i = 0; i < rects.size(); ++i)
            if (rects[i].x0 <= iv.a && rects[i].x1 >= iv.b)
                iv.set.push_back(i);
        if (iv.set.empty())
            continue;
        if (intervalCount > 0 && intervals[intervalCount - 1].b == iv.a && intervals[intervalCount - 1].set == iv.set)
            intervals[intervalCount - 1].b = iv.b;
        else
            ++intervalCount;
    }

    // Each interval's group, and what the whole face samples.
    if (keys.size() < intervalCount)
        keys.resize(intervalCount);
    PassRows sampled;
    for (size_t k = 0; k < intervalCount; ++k) {
        const Interval& iv = intervals[k];
        GroupKey& key = candidate;
        int ux0 = width, ux1 = 0, ix0 = 0, ix1 = width;
        for (size_t i : iv.set) {
            ux0 = std::min(ux0, rects[i].x0), ux1 = std::max(ux1, rects[i].x1);
            ix0 = std::max(ix0, rects[i].x0), ix1 = std::min(ix1, rects[i].x1);
        }
        ux0 = std::max(ux0, 0);
        key.unionWidth = ux1 - ux0, key.height = height, key.useX0 = ix0 - ux0, key.useX1 = ix1 - ux0;
        key.members.clear();
        for (size_t i : iv.set) {
            const PlacedGlyph& g = *rects[i].glyph;
            key.members.push_back({ g.font, g.glyph, ToCairoFixed(g.x) - ux0 * kFixedOne, ToCairoFixed(g.y) });
        }
        IntervalKeys& kept = keys[k];
        if (!kept.known || !(kept.variant.group == key)) {
            std::swap(kept.variant.group, key);
            const GroupInfo* info = groups.Find(kept.variant.group);
            if (!info)
                info = groups.Insert(kept.variant.group, Analyse(kept.variant.group));
            kept.info = *info;
            kept.known = true;
        }
        kept.origin = ix0;
        for (int p = 0; p < kPasses; ++p)
            sampled[p] |= kept.info.forces[p];
    }

    // Every tile first, then the frame: only the intervals that differ from what the kept frame
    // shows are cleared and painted again.
    if (used.size() < intervalCount)
        used.resize(intervalCount);
    painting.clear();
    for (size_t k = 0; k < intervalCount; ++k) {
        VariantKey& key = keys[k].variant;
        for (int p = 0; p < kPasses; ++p)
            key.sampled[p] = sampled[p] & keys[k].info.inked[p];
        const FaceTile* tile = tiles.Find(key);
        if (tile) {
            ++hits;
        } else {
            ++misses;
            FaceTile drawn = Draw(key);
            drawn.serial = ++serials;
            tile = tiles.Insert(key, std::move(drawn));
        }
        UsedTile& u = used[k];
        if (u.serial != tile->serial) {
            u.strokes.reset(cairo_surface_reference(tile->strokes.get()));
            u.fill.reset(cairo_surface_reference(tile->fill.get()));
            u.top = tile->top;
            u.bottom = tile->top + cairo_image_surface_get_height(tile->strokes.get());
            u.serial = tile->serial;
        }
        // Serials, not pointers: a drawn tile may take the address of an evicted one.
        painting.push_back({ intervals[k].a, intervals[k].b, keys[k].origin, u.serial, u.top, u.bottom });
    }
    return true;
}

bool ClockFaceRenderer::Impl::Compose(const ClockFaceInput& input, int width, int height)
{
    if (!Resolve(width, height))
        return false;
    const bool keep = frameComposed && frameStart == input.startColor && frameEnd == input.endColor;
    cairo_surface_flush(frame.get());
    if (!keep) {
        ClearColumns(0, width);
        changed = { 0, 0, width, height };
    } else {
        changed = ChangedBetween(
            painted, painting, width, height, [&](const PaintedInterval& p) { ClearColumns(p.a, p.b); });
    }

    if (!frameCr)
        frameCr.reset(cairo_create(frame.get()));
    cairo_t* cr = frameCr.get();
    cairo_pattern_t* fillPattern = Gradient(width, input.startColor, input.endColor);
    // The strokes go over columns just cleared: over transparent pixels, cairo's OVER is a
    // plain copy of the tile's rows, which costs far less than a clipped paint.
    uint8_t* frameData = cairo_image_surface_get_data(frame.get());
    const int frameStride = cairo_image_surface_get_stride(frame.get());
    for (size_t k = 0; k < intervalCount; ++k) {
        if (keep && Holds(painted, painting[k]))
            continue;
        const UsedTile& tile = used[k];
        const Interval& iv = intervals[k];
        cairo_surface_t* strokes = tile.strokes.get();
        const uint8_t* tileData = cairo_image_surface_get_data(strokes);
        const int tileStride = cairo_image_surface_get_stride(strokes);
        const int tileX0 = std::max(iv.a, keys[k].origin);
        const int tileX1 = std::min(iv.b, keys[k].origin + cairo_image_surface_get_width(strokes));
        for (int r = std::max(tile.top, 0); r < std::min(tile.bottom, height) && tileX1 > tileX0; ++r)
            std::memcpy(frameData + static_cast<size_t>(r) * frameStride + 4 * tileX0,
                tileData + static_cast<size_t>(r - tile.top) * tileStride + 4 * (tileX0 - keys[k].origin),
                4 * static_cast<size_t>(tileX1 - tileX0));
    }
    cairo_surface_mark_dirty(frame.get());
    for (size_t k = 0; k < intervalCount; ++k) {
        if (keep && Holds(painted, painting[k]))
            continue;
        const UsedTile& tile = used[k];
        const Interval& iv = intervals[k];
        cairo_save(cr);
        cairo_rectangle(cr, iv.a, 0, iv.b - iv.a, height);
        cairo_clip(cr);
        cairo_set_source(cr, fillPattern);
        cairo_mask_surface(cr, tile.fill.get(), keys[k].origin, tile.top);
        cairo_restore(cr);
    }
    cairo_surface_flush(frame.get());
    std::swap(painted, painting);
    frameComposed = true;
    frameStart = input.startColor, frameEnd = input.endColor;
    return true;
}

ClockFaceRenderer::ClockFaceRenderer(size_t cacheBudgetBytes)
    : impl_(std::make_unique<Impl>(cacheBudgetBytes ? cacheBudgetBytes : kDefaultBudget))
{
}

ClockFaceRenderer::~ClockFaceRenderer() = default;

ClockFaceFrame ClockFaceRenderer::Render(const ClockFaceInput& input)
{
    Impl& d = *impl_;
    d.UseWidthFont(input);
    const int height = ClockFaceHeight(input);
    d.Configure(height);
    const TextLayout& layout = d.Layout(input, height);
    const int width = layout.width;

    bool composed = false;
    // A glyph no font has is drawn by Pango as a box: not worth caching.
    if (layout.drawable) {
        d.placed = layout.placed;
        d.PrepareFrame(width, height);
        composed = d.Compose(input, width, height);
    }
    if (!composed) {
        d.ReplaceFrame(RenderClockFaceNaive(input));
        d.changed
            = { 0, 0, cairo_image_surface_get_width(d.frame.get()), cairo_image_surface_get_height(d.frame.get()) };
    }
    cairo_surface_t* s = d.frame.get();
    return { cairo_image_surface_get_data(s), cairo_image_surface_get_width(s), cairo_image_surface_get_height(s),
        cairo_image_surface_get_stride(s), s, d.changed };
}

bool ClockFaceRenderer::Arrange(const ClockFaceInput& input, ClockFaceArrangement& out, bool shown)
{
    Impl& d = *impl_;
    d.UseWidthFont(input);
    const int height = ClockFaceHeight(input);
    d.Configure(height);
    TextKey memoKey { input.text, input.font, input.fontSize, height };
    const ArrangeMemo* memo = d.memos.Find(memoKey);
    if (!memo) {
        const TextLayout& layout = d.Layout(input, height);
        if (!layout.drawable)
            return false;
        d.placed = layout.placed;
        if (!d.Resolve(layout.width, height)) {
            if (shown)
                d.arranged.clear();
            return false;
        }
        ArrangeMemo made;
        made.width = layout.width;
        made.intervals = d.painting;
        for (size_t k = 0; k < d.intervalCount; ++k) {
            const UsedTile& u = d.used[k];
            made.tiles.push_back({ SurfacePtr(cairo_surface_reference(u.strokes.get())),
                SurfacePtr(cairo_surface_reference(u.fill.get())), u.top, u.bottom, u.serial });
            cairo_surface_t* strokes = u.strokes.get();
            cairo_surface_t* fill = u.fill.get();
            cairo_surface_flush(strokes);
            cairo_surface_flush(fill);
            PiecePlacement p;
            p.a = d.painting[k].a, p.b = d.painting[k].b;
            p.x = d.painting[k].origin, p.y = u.top;
            p.id = u.serial;
            p.width = cairo_image_surface_get_width(strokes);
            p.height = cairo_image_surface_get_height(strokes);
            p.color = cairo_image_surface_get_data(strokes);
            p.colorStride = cairo_image_surface_get_stride(strokes);
            p.coverage = cairo_image_surface_get_data(fill);
            p.coverageStride = cairo_image_surface_get_stride(fill);
            made.placements.push_back(p);
        }
        made.bytes = sizeof(made) + 2 * memoKey.text.size() + memoKey.widthFamily.size()
            + made.intervals.size() * (sizeof(PaintedInterval) + sizeof(UsedTile) + sizeof(PiecePlacement)) + 64;
        memo = d.memos.Insert(std::move(memoKey), std::move(made));
    }
    const int width = memo->width;

    // Measured from the last arrangement shown, when it is comparable.
    const bool keep = shown && !d.arranged.empty() && d.arrangedWidth == width && d.arrangedHeight == height
        && d.arrangedStart == input.startColor && d.arrangedEnd == input.endColor;
    out.width = width, out.height = height;
    out.startColor = input.startColor, out.endColor = input.endColor;
    out.changed = keep ? ChangedBetween(d.arranged, memo->intervals, width, height, [](const PaintedInterval&) {})
                       : PixelBox { 0, 0, width, height };
    out.placements = memo->placements;
    if (shown) {
        d.arranged = memo->intervals;
        d.arrangedWidth = width, d.arrangedHeight = height;
        d.arrangedStart = input.startColor, d.arrangedEnd = input.endColor;
    }
    return true;
}

void ClockFaceRenderer::ForgetArrangement() { impl_->arranged.clear(); }

ClockFaceCacheStats ClockFaceRenderer::CacheStats() const
{
    return { impl_->tiles.Size(), impl_->tiles.Bytes() + impl_->groups.Bytes(), impl_->hits, impl_->misses };
}

} // namespace hx
