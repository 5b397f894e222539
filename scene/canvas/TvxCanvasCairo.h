// The toolkit's canvas: draws with cairo and Pango into its own top-down premultiplied
// 32-bit buffer (cairo's ARGB32, blue-green-red-alpha bytes on little-endian) or into a
// TvxBitmap's pixels, with the geometry of rounded corners, gradients, pens and text the
// toolkit's drawing rules fix.
#pragma once

#include "scene/canvas/TvxCanvas.h"

#include <cairo.h>
#include <memory>
#include <pango/pango.h>

namespace hx {

class TvxCanvasCairo final : public TvxCanvas {
public:
    TvxCanvasCairo(int width, int height);
    explicit TvxCanvasCairo(TvxBitmap& bitmap);
    ~TvxCanvasCairo() override;

    // The pixels drawn into (Width x Height, stride Width x 4), or null without a buffer.
    uint32_t* Buffer();
    uint32_t Pixel(int x, int y);
    cairo_t* Context() { return cr_; }

    void FontChanged() override;
    bool BeginScene() override;
    void EndScene() override;
    void FlushBuffer(int x, int y, TvxDeviceContext dc) override;
    void FlushBufferRect(int x, int y, TvxDeviceContext dc, const TvxRect& r) override;
    void FreeBuffer() override;
    void ResizeBuffer(int width, int height) override;
    void Clear(uint32_t color) override;
    void ClearRect(const TvxRect& r, uint32_t color) override;
    uint32_t* GetBitmapScanline(TvxBitmap& bitmap, int y) override;
    void SetMatrix(const TvxMatrix& m) override;
    void MultiplyMatrix(const TvxMatrix& m) override;
    int SaveCanvas() override;
    void RestoreCanvas(int handle) override;
    void SetClipRects(std::span<const TvxRect> rects) override;
    void IntersectClipRect(const TvxRect& r) override;
    void ExcludeClipRect(const TvxRect& r) override;
    void ResetClipRect() override;
    void DrawLine(TvxPoint p1, TvxPoint p2, float opacity) override;
    void FillRect(const TvxRect& r, float xRadius, float yRadius, TvxCorners corners, float opacity,
        TvxCornerType cornerType = TvxCornerType::vgCornerRound) override;
    void DrawRect(const TvxRect& r, float xRadius, float yRadius, TvxCorners corners, float opacity,
        TvxCornerType cornerType = TvxCornerType::vgCornerRound) override;
    void FillEllipse(const TvxRect& r, float opacity) override;
    void DrawEllipse(const TvxRect& r, float opacity) override;
    bool PtInPath(TvxPoint p, const TvxRect& r, const TvxPathData& path) override;
    void FillPath(const TvxPathData& path, const TvxRect& r, float opacity) override;
    void DrawPath(const TvxPathData& path, const TvxRect& r, float opacity) override;
    void DrawBitmap(const TvxBitmap& bitmap, const TvxRect& src, const TvxRect& dst, float opacity,
        bool highSpeed = false) override;
    void DrawThumbnail(const TvxBitmap& bitmap, float width, float height) override;
    bool LoadFontFromStream(std::span<const uint8_t> bytes) override;
    void FillText(const TvxRect& r, const TvxRect& clip, const std::u16string& text, bool wordWrap, float opacity,
        TvxTextAlign align = TvxTextAlign::vgTextAlignCenter,
        TvxTextAlign vAlign = TvxTextAlign::vgTextAlignCenter) override;
    void MeasureText(TvxRect& r, const TvxRect& clip, const std::u16string& text, bool wordWrap,
        TvxTextAlign align = TvxTextAlign::vgTextAlignCenter,
        TvxTextAlign vAlign = TvxTextAlign::vgTextAlignCenter) override;
    void TextToPath(TvxPathData& path, const TvxRect& r, const std::u16string& text, bool wordWrap,
        TvxTextAlign align = TvxTextAlign::vgTextAlignCenter,
        TvxTextAlign vAlign = TvxTextAlign::vgTextAlignCenter) override;

    // Saved-state entries (in use or free), for checking that they are reused.
    size_t SavedStateCount() const { return saved_.size(); }

private:
    struct SavedState;
    struct Fonts;

    Fonts& EnsureFonts();
    void Attach(cairo_surface_t* surface);
    void Detach();
    bool Drawable() const { return cr_ && !degenerate_; }
    // Sets the source for a brush and returns the extra alpha to paint with (texture brushes),
    // or a negative value when the brush draws nothing.
    double SetSource(const TvxBrush& brush, const TvxRect& r, float opacity, bool forStroke);
    void FillCurrentPath(const TvxRect& r, float opacity);
    void StrokeCurrentPath(const TvxRect& r, float opacity);
    void AddRectPath(const TvxRect& r, float xr, float yr, TvxCorners corners, TvxCornerType type);
    void AddEllipsePath(const TvxRect& r);
    bool AddMappedPath(const TvxPathData& path, const TvxRect& r, bool segments);
    void ApplyMatrix();
    PangoLayout* PrepareLayout(const std::u16string& text, const TvxRect& r, bool wordWrap, TvxTextAlign align,
        TvxTextAlign vAlign, double& x, double& y, double& w, double& h);

    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    TvxBitmap* bitmap_ = nullptr;
    bool degenerate_ = false; // the matrix maps everything to nothing
    int depth_ = 0; // cairo_save depth
    std::vector<std::unique_ptr<SavedState>> saved_;
    std::unique_ptr<Fonts> fonts_;
};

} // namespace hx
