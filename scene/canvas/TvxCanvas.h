// The drawing surface everything in the toolkit is painted through: the current fill and
// stroke brushes with the pen settings, a font and a transform, and the drawing operations.
// TvxCanvasCairo is the implementation; this base turns polygons into path data.
#pragma once

#include "scene/Geometry.h"
#include "scene/canvas/TvxBitmap.h"
#include "scene/canvas/TvxBrush.h"
#include "scene/canvas/TvxFont.h"
#include "scene/canvas/TvxPathData.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace hx {

enum class TvxStrokeCap { vgCapFlat, vgCapRound };
enum class TvxStrokeJoin { vgJoinMiter, vgJoinRound, vgJoinBevel };
enum class TvxStrokeDash { vgDashSolid, vgDashDash, vgDashDot, vgDashDashDot, vgDashDashDotDot, vgDashCustom };
enum class TvxCornerType { vgCornerRound, vgCornerBevel, vgCornerInnerRound, vgCornerInnerLine };
enum class TvxTextAlign { vgTextAlignCenter, vgTextAlignNear, vgTextAlignFar };

// A set of corners, as bits.
enum TvxCorner : uint8_t {
    vgCornerTopLeft = 1,
    vgCornerTopRight = 2,
    vgCornerBottomLeft = 4,
    vgCornerBottomRight = 8,
};
using TvxCorners = uint8_t;
inline constexpr TvxCorners AllCorners = vgCornerTopLeft | vgCornerTopRight | vgCornerBottomLeft | vgCornerBottomRight;

using TvxPolygon = std::vector<TvxPoint>;
// A polygon point with this value closes the figure; the next point starts a new one.
inline constexpr TvxPoint PolygonGap { 65535.0f, 65535.0f };

// Where a buffer is flushed to: the cairo implementation takes a cairo_t* (a window's context).
using TvxDeviceContext = void*;

class TvxCanvas {
public:
    virtual ~TvxCanvas();
    TvxCanvas(const TvxCanvas&) = delete;
    TvxCanvas& operator=(const TvxCanvas&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    const TvxMatrix& Matrix() const { return matrix_; }
    TvxBrush& Fill() { return fill_; }
    TvxBrush& Stroke() { return stroke_; }
    TvxFont& Font() { return font_; }

    float StrokeThickness = 0; // the scene sets 1 before each pass
    TvxStrokeCap StrokeCap = TvxStrokeCap::vgCapFlat;
    TvxStrokeJoin StrokeJoin = TvxStrokeJoin::vgJoinMiter;
    // In units of the stroke width; set by SetStrokeDash, or directly for vgDashCustom.
    std::vector<float> DashArray;
    float DashOffset = 0;

    TvxStrokeDash StrokeDash() const { return dash_; }
    void SetStrokeDash(TvxStrokeDash d);

    // 1.
    virtual void FontChanged() = 0;
    // 4, 5.
    virtual bool BeginScene() { return true; }
    virtual void EndScene() { }
    // 6, 7.
    virtual void FlushBuffer(int x, int y, TvxDeviceContext dc) = 0;
    virtual void FlushBufferRect(int x, int y, TvxDeviceContext dc, const TvxRect& r) = 0;
    // 8, 9. Sizes of 0 or less become 1.
    virtual void FreeBuffer() = 0;
    virtual void ResizeBuffer(int width, int height) = 0;
    // 10, 11. ClearRect writes the colour value as it is, premultiplied or not.
    virtual void Clear(uint32_t color) = 0;
    virtual void ClearRect(const TvxRect& r, uint32_t color) = 0;
    // 12.
    virtual uint32_t* GetBitmapScanline(TvxBitmap& bitmap, int y) = 0;
    // 13, 14. MultiplyMatrix applies m before the present transform.
    virtual void SetMatrix(const TvxMatrix& m) = 0;
    virtual void MultiplyMatrix(const TvxMatrix& m) = 0;
    // 15, 16.
    virtual int SaveCanvas() = 0;
    virtual void RestoreCanvas(int handle) = 0;
    // 17 - 20.
    virtual void SetClipRects(std::span<const TvxRect> rects) = 0;
    virtual void IntersectClipRect(const TvxRect& r) = 0;
    virtual void ExcludeClipRect(const TvxRect& r) = 0;
    virtual void ResetClipRect() = 0;
    // 21.
    virtual void DrawLine(TvxPoint p1, TvxPoint p2, float opacity) = 0;
    // 22, 23.
    virtual void FillRect(const TvxRect& r, float xRadius, float yRadius, TvxCorners corners, float opacity,
        TvxCornerType cornerType = TvxCornerType::vgCornerRound)
        = 0;
    virtual void DrawRect(const TvxRect& r, float xRadius, float yRadius, TvxCorners corners, float opacity,
        TvxCornerType cornerType = TvxCornerType::vgCornerRound)
        = 0;
    // 24, 25.
    virtual void FillEllipse(const TvxRect& r, float opacity) = 0;
    virtual void DrawEllipse(const TvxRect& r, float opacity) = 0;
    // 26 - 28. The path's bounds are mapped onto r.
    virtual bool PtInPath(TvxPoint p, const TvxRect& r, const TvxPathData& path) = 0;
    virtual void FillPath(const TvxPathData& path, const TvxRect& r, float opacity) = 0;
    virtual void DrawPath(const TvxPathData& path, const TvxRect& r, float opacity) = 0;
    // 29, 30.
    virtual void DrawBitmap(
        const TvxBitmap& bitmap, const TvxRect& src, const TvxRect& dst, float opacity, bool highSpeed = false)
        = 0;
    virtual void DrawThumbnail(const TvxBitmap& bitmap, float width, float height) = 0;
    // 31, 32.
    virtual void FillPolygon(const TvxPolygon& points, float opacity);
    virtual void DrawPolygon(const TvxPolygon& points, float opacity);
    // 33. Adds a font file's bytes to this canvas's own fonts; false when they hold no font.
    virtual bool LoadFontFromStream(std::span<const uint8_t> bytes) = 0;
    // 34 - 36.
    virtual void FillText(const TvxRect& r, const TvxRect& clip, const std::u16string& text, bool wordWrap,
        float opacity, TvxTextAlign align = TvxTextAlign::vgTextAlignCenter,
        TvxTextAlign vAlign = TvxTextAlign::vgTextAlignCenter)
        = 0;
    virtual void MeasureText(TvxRect& r, const TvxRect& clip, const std::u16string& text, bool wordWrap,
        TvxTextAlign align = TvxTextAlign::vgTextAlignCenter, TvxTextAlign vAlign = TvxTextAlign::vgTextAlignCenter)
        = 0;
    virtual void TextToPath(TvxPathData& path, const TvxRect& r, const std::u16string& text, bool wordWrap,
        TvxTextAlign align = TvxTextAlign::vgTextAlignCenter, TvxTextAlign vAlign = TvxTextAlign::vgTextAlignCenter)
        = 0;

    // Width of a single line of text.
    float TextWidth(const std::u16string& text);
    // An elliptical arc about center with the given radii, angles in degrees, as path data.
    static void BuildArc(TvxPathData& path, TvxPoint center, TvxPoint radius, float startAngle, float sweepAngle);
    void FillArc(TvxPoint center, TvxPoint radius, float startAngle, float sweepAngle, float opacity);
    void DrawArc(TvxPoint center, TvxPoint radius, float startAngle, float sweepAngle, float opacity);

protected:
    TvxCanvas();

    int width_ = 1;
    int height_ = 1;
    TvxMatrix matrix_;
    TvxBrush fill_ { TvxBrushStyle::vgBrushSolid, 0xFFFFFFFF };
    TvxBrush stroke_ { TvxBrushStyle::vgBrushSolid, 0xFF000000 };
    TvxFont font_;
    TvxStrokeDash dash_ = TvxStrokeDash::vgDashSolid;
};

// A canvas of the toolkit's default kind with its own buffer, or drawing into a bitmap.
std::unique_ptr<TvxCanvas> CreateCanvas(int width, int height);
std::unique_ptr<TvxCanvas> CreateBitmapCanvas(TvxBitmap& bitmap);

} // namespace hx
