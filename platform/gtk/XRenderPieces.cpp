#include "platform/gtk/XRenderPieces.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <pixman.h>

namespace hx {
namespace {

    // The atlases' budget on the server: enough slots for the minutes of faces a running clock
    // cycles through, without taking much of the server's memory at large sizes.
    constexpr size_t kAtlasBytes = 16u << 20;
    constexpr int kMinSlots = 16, kMaxSlots = 384;
    constexpr int kMaxAtlasSide = 8192;

    XRenderColor ToColor(uint32_t argb)
    {
        // 8 bits to 16 the way cairo does (v * 257), so the server's gradient is cairo's.
        auto c = [argb](int shift) { return static_cast<unsigned short>(((argb >> shift) & 0xFF) * 257); };
        return { c(16), c(8), c(0), c(24) };
    }

    XImage* WrapImage(Display* d, Visual* v, int depth, const uint8_t* data, int w, int h, int stride)
    {
        XImage* image = XCreateImage(d, v, static_cast<unsigned>(depth), ZPixmap, 0,
            const_cast<char*>(reinterpret_cast<const char*>(data)), static_cast<unsigned>(w), static_cast<unsigned>(h),
            depth == 32 ? 32 : 8, stride);
        if (image)
            image->byte_order = image->bitmap_bit_order
                = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
        return image;
    }

} // namespace

void XRenderPieces::FreePicture(Picture& picture)
{
    if (picture)
        XRenderFreePicture(display_, picture);
    picture = 0;
}

void XRenderPieces::FreePixmap(Pixmap& pixmap)
{
    if (pixmap)
        XFreePixmap(display_, pixmap);
    pixmap = 0;
}

void XRenderPieces::FreeGc(GC& gc)
{
    if (gc)
        XFreeGC(display_, gc);
    gc = nullptr;
}

XRenderPieces::XRenderPieces(Display* display, ::Window window, Visual* visual)
    : display_(display)
    , window_(window)
{
    int event = 0, error = 0, major = 0, minor = 0;
    // Gradients and solid fills came with Render 0.10; an older server would answer them with
    // an X error, which ends a GTK program.
    if (!display || !visual || !XRenderQueryExtension(display, &event, &error)
        || !XRenderQueryVersion(display, &major, &minor) || (major == 0 && minor < 10))
        return;
    XRenderPictFormat* format = XRenderFindVisualFormat(display, visual);
    argb_ = XRenderFindStandardFormat(display, PictStandardARGB32);
    a8_ = XRenderFindStandardFormat(display, PictStandardA8);
    if (!format || !argb_ || !a8_ || format->type != PictTypeDirect || format->direct.alphaMask == 0
        || format->depth != 32)
        return;
    visual_ = visual;
    windowPicture_ = XRenderCreatePicture(display, window, format, 0, nullptr);
}

XRenderPieces::~XRenderPieces()
{
    if (!Usable())
        return;
    FreeAtlas();
    FreePicture(framePicture_);
    FreePixmap(framePixmap_);
    FreePicture(gradient_);
    FreePicture(alpha_);
    FreePicture(windowPicture_);
}

void XRenderPieces::FreeAtlas()
{
    FreePicture(colorPicture_);
    FreePicture(coveragePicture_);
    FreeGc(colorGc_);
    FreeGc(coverageGc_);
    FreePixmap(colorAtlas_);
    FreePixmap(coverageAtlas_);
    slotWidth_ = slotHeight_ = slotColumns_ = slots_ = 0;
    pieces_.clear();
    slotOwner_.clear();
}

bool XRenderPieces::EnsureFrame(int width, int height)
{
    if (framePixmap_ && width == frameWidth_ && height == frameHeight_)
        return true;
    FreePicture(framePicture_);
    FreePixmap(framePixmap_);
    framePixmap_ = XCreatePixmap(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height), 32);
    framePicture_ = XRenderCreatePicture(display_, framePixmap_, argb_, 0, nullptr);
    frameWidth_ = width, frameHeight_ = height;
    const XRenderColor clear {};
    XRenderFillRectangle(
        display_, PictOpSrc, framePicture_, &clear, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    return true;
}

bool XRenderPieces::EnsureAtlas(int slotWidth, int slotHeight)
{
    if (colorAtlas_ && slotWidth <= slotWidth_ && slotHeight <= slotHeight_)
        return true;
    // Grow to fit, rounded up, so that a slightly wider piece does not start it over each time.
    const int w = std::max(slotWidth_, (slotWidth + 31) / 32 * 32);
    const int h = std::max(slotHeight_, slotHeight);
    const size_t slotBytes = static_cast<size_t>(w) * h * 5;
    const int slots = static_cast<int>(std::clamp<size_t>(kAtlasBytes / slotBytes, kMinSlots, kMaxSlots));
    const int columns = std::max(1, std::min(slots, kMaxAtlasSide / w));
    const int rows = (slots + columns - 1) / columns;
    if (w > kMaxAtlasSide || rows * h > kMaxAtlasSide)
        return false;
    FreeAtlas();
    slotWidth_ = w, slotHeight_ = h, slotColumns_ = columns, slots_ = slots;
    slotOwner_.assign(static_cast<size_t>(slots), 0);
    const auto aw = static_cast<unsigned>(columns * w), ah = static_cast<unsigned>(rows * h);
    colorAtlas_ = XCreatePixmap(display_, window_, aw, ah, 32);
    coverageAtlas_ = XCreatePixmap(display_, window_, aw, ah, 8);
    colorGc_ = XCreateGC(display_, colorAtlas_, 0, nullptr);
    coverageGc_ = XCreateGC(display_, coverageAtlas_, 0, nullptr);
    colorPicture_ = XRenderCreatePicture(display_, colorAtlas_, argb_, 0, nullptr);
    coveragePicture_ = XRenderCreatePicture(display_, coverageAtlas_, a8_, 0, nullptr);
    return true;
}

void XRenderPieces::SlotOrigin(int slot, int& x, int& y) const
{
    x = (slot % slotColumns_) * slotWidth_;
    y = (slot / slotColumns_) * slotHeight_;
}

const XRenderPieces::Piece* XRenderPieces::Upload(const PiecePlacement& p)
{
    if (auto it = pieces_.find(p.id); it != pieces_.end()) {
        it->second.lastUse = ++uses_;
        return &it->second;
    }
    // A free slot, else the one used longest ago that the frame being composed does not use.
    int slot = -1;
    uint64_t oldest = std::numeric_limits<uint64_t>::max();
    for (int s = 0; s < slots_; ++s) {
        const uint64_t owner = slotOwner_[static_cast<size_t>(s)];
        if (owner == 0) {
            slot = s;
            break;
        }
        const Piece& held = pieces_.at(owner);
        if (held.lastUse < frameFirstUse_ && held.lastUse < oldest)
            oldest = held.lastUse, slot = s;
    }
    if (slot < 0)
        return nullptr;
    if (const uint64_t owner = slotOwner_[static_cast<size_t>(slot)])
        pieces_.erase(owner);

    int sx = 0, sy = 0;
    SlotOrigin(slot, sx, sy);
    XImage* color = WrapImage(display_, visual_, 32, p.color, p.width, p.height, p.colorStride);
    XImage* coverage = WrapImage(display_, visual_, 8, p.coverage, p.width, p.height, p.coverageStride);
    if (!color || !coverage) {
        for (XImage* image : { color, coverage })
            if (image) {
                image->data = nullptr;
                XDestroyImage(image);
            }
        return nullptr;
    }
    const auto w = static_cast<unsigned>(p.width), h = static_cast<unsigned>(p.height);
    XPutImage(display_, colorAtlas_, colorGc_, color, 0, 0, sx, sy, w, h);
    XPutImage(display_, coverageAtlas_, coverageGc_, coverage, 0, 0, sx, sy, w, h);
    for (XImage* image : { color, coverage }) {
        image->data = nullptr; // the renderer's pixels
        XDestroyImage(image);
    }

    Piece piece;
    piece.slot = slot;
    piece.width = p.width, piece.height = p.height;
    piece.lastUse = ++uses_;
    // Over strokes with alpha the gradient's OVER keeps alpha > 0; elsewhere the pixel has the
    // gradient's alpha times the coverage, rounded as the compositor does.
    for (int y = 0; y < p.height; ++y) {
        const auto* c = reinterpret_cast<const uint32_t*>(p.color + static_cast<size_t>(y) * p.colorStride);
        const uint8_t* f = p.coverage + static_cast<size_t>(y) * p.coverageStride;
        int x = 0;
        while (x < p.width) {
            while (x < p.width && (c[x] >> 24) == 0) {
                if (f[x] != 0)
                    piece.fillOnly.push_back({ x, y, f[x] });
                ++x;
            }
            const int start = x;
            while (x < p.width && (c[x] >> 24) != 0)
                ++x;
            if (x > start)
                piece.strokeRuns.push_back({ start, y, x - start, 1 });
        }
    }
    // Runs that repeat the row above grow that one's height: a glyph's stems and the halo's
    // flanks are mostly straight, so the shape's requests shrink by a good part.
    std::vector<cairo_rectangle_int_t> merged;
    std::vector<size_t> open, reaching; // rectangles that reach the row above / this row
    int lastY = -2;
    for (const cairo_rectangle_int_t& run : piece.strokeRuns) {
        if (run.y != lastY) {
            if (run.y == lastY + 1)
                open.swap(reaching);
            else
                open.clear();
            reaching.clear();
            lastY = run.y;
        }
        auto same = std::find_if(
            open.begin(), open.end(), [&](size_t k) { return merged[k].x == run.x && merged[k].width == run.width; });
        if (same != open.end()) {
            ++merged[*same].height;
            reaching.push_back(*same);
        } else {
            reaching.push_back(merged.size());
            merged.push_back(run);
        }
    }
    piece.strokeRuns = std::move(merged);
    slotOwner_[static_cast<size_t>(slot)] = p.id;
    return &pieces_.emplace(p.id, std::move(piece)).first->second;
}

Picture XRenderPieces::Gradient(int width, uint32_t start, uint32_t end)
{
    if (gradient_ && width == gradientWidth_ && start == gradientStart_ && end == gradientEnd_)
        return gradient_;
    FreePicture(gradient_);
    XLinearGradient line {};
    line.p1.x = 0, line.p1.y = 0;
    line.p2.x = XDoubleToFixed(width), line.p2.y = 0;
    XFixed stops[2] = { XDoubleToFixed(0), XDoubleToFixed(1) };
    XRenderColor colors[2] = { ToColor(start), ToColor(end) };
    gradient_ = XRenderCreateLinearGradient(display_, &line, stops, colors, 2);
    XRenderPictureAttributes repeat {};
    repeat.repeat = RepeatNormal;
    XRenderChangePicture(display_, gradient_, CPRepeat, &repeat);
    gradientWidth_ = width, gradientStart_ = start, gradientEnd_ = end;
    return gradient_;
}

void XRenderPieces::GradientAlpha(int width, uint32_t start, uint32_t end)
{
    if (!gradientAlpha_.empty() && width == alphaWidth_ && start == alphaStart_ && end == alphaEnd_)
        return;
    // The server composes with pixman from the same stops: asking pixman here gives its values.
    pixman_point_fixed_t p1 { 0, 0 }, p2 { pixman_int_to_fixed(width), 0 };
    auto color = [](uint32_t c) {
        const XRenderColor x = ToColor(c);
        return pixman_color_t { x.red, x.green, x.blue, x.alpha };
    };
    const pixman_gradient_stop_t stops[2]
        = { { pixman_int_to_fixed(0), color(start) }, { pixman_int_to_fixed(1), color(end) } };
    pixman_image_t* gradient = pixman_image_create_linear_gradient(&p1, &p2, stops, 2);
    pixman_image_set_repeat(gradient, PIXMAN_REPEAT_NORMAL);
    std::vector<uint32_t> row(static_cast<size_t>(width));
    pixman_image_t* target
        = pixman_image_create_bits(PIXMAN_a8r8g8b8, width, 1, row.data(), static_cast<int>(row.size() * 4));
    pixman_image_composite32(PIXMAN_OP_SRC, gradient, nullptr, target, 0, 0, 0, 0, 0, 0, width, 1);
    pixman_image_unref(target);
    pixman_image_unref(gradient);
    gradientAlpha_.resize(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        gradientAlpha_[static_cast<size_t>(x)] = static_cast<uint8_t>(row[static_cast<size_t>(x)] >> 24);
    alphaWidth_ = width, alphaStart_ = start, alphaEnd_ = end;
}

Picture XRenderPieces::Alpha(uint8_t alpha)
{
    if (alpha_ && alphaValue_ == alpha)
        return alpha_;
    FreePicture(alpha_);
    const XRenderColor solid { 0, 0, 0, static_cast<unsigned short>(alpha * 257) };
    alpha_ = XRenderCreateSolidFill(display_, &solid);
    alphaValue_ = alpha;
    return alpha_;
}

void XRenderPieces::AppendRuns(const PieceFrame& frame, const PiecePlacement& p, const Piece& piece, int x0, int y0,
    int x1, int y1, std::vector<cairo_rectangle_int_t>& shape)
{
    for (const cairo_rectangle_int_t& run : piece.strokeRuns) {
        const int ry0 = std::max(run.y + p.y, y0), ry1 = std::min(run.y + run.height + p.y, y1);
        const int rx0 = std::max(run.x + p.x, x0), rx1 = std::min(run.x + run.width + p.x, x1);
        if (ry0 < ry1 && rx0 < rx1)
            shape.push_back({ rx0, ry0, rx1 - rx0, ry1 - ry0 });
    }
    if (!piece.fillOnly.empty())
        GradientAlpha(frame.width, frame.startColor, frame.endColor);
    for (const Piece::FillOnly& f : piece.fillOnly) {
        const int x = f.x + p.x, y = f.y + p.y;
        // pixman's x * y / 255 is at least 1 from x * y >= 128 on.
        if (x >= x0 && x < x1 && y >= y0 && y < y1 && f.coverage * gradientAlpha_[static_cast<size_t>(x)] >= 128)
            shape.push_back({ x, y, 1, 1 });
    }
}

void XRenderPieces::ShapeRuns(
    const PieceFrame& frame, const cairo_rectangle_int_t& box, std::vector<cairo_rectangle_int_t>& runs)
{
    for (size_t i = 0; i < frame.count; ++i) {
        const PiecePlacement& p = frame.placements[i];
        auto it = pieces_.find(p.id);
        if (it == pieces_.end())
            continue;
        const int x0 = std::max({ p.a, p.x, box.x }), x1 = std::min({ p.b, p.x + p.width, box.x + box.width });
        const int y0 = std::max(p.y, box.y), y1 = std::min(p.y + p.height, box.y + box.height);
        if (x0 < x1 && y0 < y1)
            AppendRuns(frame, p, it->second, x0, y0, x1, y1, runs);
    }
}

bool XRenderPieces::Keep(const PieceFrame& frame)
{
    int needW = 1, needH = 1;
    for (size_t i = 0; i < frame.count; ++i)
        needW = std::max(needW, frame.placements[i].width), needH = std::max(needH, frame.placements[i].height);
    if (!EnsureAtlas(needW, needH))
        return false;
    // What the shown frame uses stays: frameFirstUse_ is still that frame's.
    for (size_t i = 0; i < frame.count; ++i) {
        const PiecePlacement& p = frame.placements[i];
        if (pieces_.count(p.id))
            continue; // known: drawn ahead need not make it any newer
        if (!Upload(p))
            return false;
    }
    return true;
}

bool XRenderPieces::Compose(const PieceFrame& frame, const cairo_rectangle_int_t& box, uint8_t constantAlpha,
    const std::vector<PiecePlacement>* before, std::vector<cairo_rectangle_int_t>& shape,
    std::vector<cairo_rectangle_int_t>& cuts)
{
    const int bx1 = box.x + box.width, by1 = box.y + box.height;
    auto clip = [&](const PiecePlacement& p, int& x0, int& y0, int& x1, int& y1) {
        x0 = std::max({ p.a, p.x, box.x }), x1 = std::min({ p.b, p.x + p.width, bx1 });
        y0 = std::max(p.y, box.y), y1 = std::min(p.y + p.height, by1);
        return x0 < x1 && y0 < y1;
    };
    auto same = [](const PiecePlacement& u, const PiecePlacement& v) {
        return u.a == v.a && u.b == v.b && u.x == v.x && u.y == v.y && u.id == v.id;
    };
    auto among = [&](const PiecePlacement& p, const PiecePlacement* list, size_t n) {
        return std::any_of(list, list + n, [&](const PiecePlacement& q) { return same(p, q); });
    };
    // Against the frame before, only intervals that came or went are cleared and drawn: the
    // others show the same piece at the same place already (intervals never overlap).
    cuts.clear();
    auto cut = [&](const PiecePlacement& p) {
        const int x0 = std::max(p.a, box.x), x1 = std::min(p.b, bx1);
        if (x0 < x1)
            cuts.push_back({ x0, box.y, x1 - x0, box.height });
    };
    if (!before) {
        cuts.push_back(box);
    } else {
        for (const PiecePlacement& old : *before)
            if (!among(old, frame.placements, frame.count))
                cut(old);
    }
    int needW = 1, needH = 1;
    for (size_t i = 0; i < frame.count; ++i) {
        int x0, y0, x1, y1;
        if (clip(frame.placements[i], x0, y0, x1, y1))
            needW = std::max(needW, frame.placements[i].width), needH = std::max(needH, frame.placements[i].height);
    }
    if (!EnsureAtlas(needW, needH) || !EnsureFrame(frame.width, frame.height))
        return false;

    frameFirstUse_ = uses_ + 1;
    placed_.clear();
    for (size_t i = 0; i < frame.count; ++i) {
        const PiecePlacement& p = frame.placements[i];
        if (before && among(p, before->data(), before->size())) {
            // Kept as it is: still in use, so that no upload of this frame takes its slot.
            if (auto it = pieces_.find(p.id); it != pieces_.end())
                it->second.lastUse = ++uses_;
            continue;
        }
        if (before)
            cut(p);
        int x0, y0, x1, y1;
        if (!clip(p, x0, y0, x1, y1))
            continue;
        const Piece* piece = Upload(p);
        if (!piece)
            return false;
        placed_.push_back({ &p, piece });
    }

    const XRenderColor clear {};
    for (const cairo_rectangle_int_t& c : cuts)
        XRenderFillRectangle(display_, PictOpSrc, framePicture_, &clear, c.x, c.y, static_cast<unsigned>(c.width),
            static_cast<unsigned>(c.height));
    const Picture gradient = Gradient(frame.width, frame.startColor, frame.endColor);
    for (const auto& [p, piece] : placed_) {
        int x0, y0, x1, y1;
        clip(*p, x0, y0, x1, y1);
        int sx = 0, sy = 0;
        SlotOrigin(piece->slot, sx, sy);
        sx += x0 - p->x, sy += y0 - p->y;
        const auto w = static_cast<unsigned>(x1 - x0), h = static_cast<unsigned>(y1 - y0);
        // The strokes go onto cleared pixels: a copy. Then the gradient through the coverage.
        XRenderComposite(display_, PictOpSrc, colorPicture_, None, framePicture_, sx, sy, 0, 0, x0, y0, w, h);
        XRenderComposite(display_, PictOpOver, gradient, coveragePicture_, framePicture_, x0, y0, sx, sy, x0, y0, w, h);
        AppendRuns(frame, *p, *piece, x0, y0, x1, y1, shape);
    }
    XRenderComposite(display_, PictOpSrc, framePicture_, Alpha(constantAlpha), windowPicture_, box.x, box.y, 0, 0,
        box.x, box.y, static_cast<unsigned>(box.width), static_cast<unsigned>(box.height));
    return true;
}

} // namespace hx
