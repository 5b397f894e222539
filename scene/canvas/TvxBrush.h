// What a canvas fills or strokes with: nothing, a solid colour, a gradient, a bitmap texture,
// a shared brush resource or a visual object painted in place. Any change notifies.
#pragma once

#include "scene/canvas/ColorText.h"
#include "scene/canvas/TvxBitmap.h"
#include "scene/canvas/TvxGradient.h"
#include "scene/canvas/VxResourceLinks.h"

#include <functional>

namespace hx {

class TvxCanvas;

enum class TvxBrushStyle { vgBrushNone, vgBrushSolid, vgBrushGradient, vgBrushBitmap, vgBrushResource, vgBrushVisual };
enum class TvxWrapMode { vgWrapTile, vgWrapTileOriginal, vgWrapTileStretch };

// Something that can paint itself into a canvas rectangle (a visual object, for visual brushes).
class IvxVisualSource {
public:
    virtual void PaintTo(TvxCanvas& canvas, const TvxRect& r, float opacity) = 0;

protected:
    ~IvxVisualSource() = default;
};

class TvxBrush {
public:
    TvxBrush(TvxBrushStyle defaultStyle = TvxBrushStyle::vgBrushSolid, TvxColor defaultColor = 0xFFFFFFFF);
    TvxBrush(const TvxBrush&) = delete;
    TvxBrush& operator=(const TvxBrush&) = delete;

    TvxBrushStyle Style() const { return style_; }
    void SetStyle(TvxBrushStyle s);
    TvxColor Color() const { return color_; }
    void SetColor(TvxColor c);
    std::string ColorText() const { return ColorToText(color_); }
    void SetColorText(std::string_view text) { SetColor(TextToColor(text, color_)); }

    TvxGradient& Gradient() { return gradient_; }
    const TvxGradient& Gradient() const { return gradient_; }

    // The bitmap brush's picture and how it covers the filled area.
    TvxBitmap& Bitmap() { return bitmap_; }
    const TvxBitmap& Bitmap() const { return bitmap_; }
    TvxWrapMode WrapMode() const { return wrap_; }
    void SetWrapMode(TvxWrapMode w);

    const TvxResourceLink<TvxBrush>& Resource() const { return resource_; }
    void SetResource(const TvxResourceLink<TvxBrush>& link);

    IvxVisualSource* Visual() const { return visual_; }
    void SetVisual(IvxVisualSource* v);

    TvxBrushStyle DefaultStyle() const { return defaultStyle_; }
    TvxColor DefaultColor() const { return defaultColor_; }
    // Stored-when rules of the stored form.
    bool IsStyleStored() const { return style_ != defaultStyle_; }
    bool IsColorStored() const { return style_ == TvxBrushStyle::vgBrushSolid && color_ != defaultColor_; }

    void Assign(const TvxBrush& other);

    std::function<void()> OnChange;

private:
    void Changed()
    {
        if (OnChange)
            OnChange();
    }

    TvxBrushStyle defaultStyle_;
    TvxColor defaultColor_;
    TvxBrushStyle style_;
    TvxColor color_;
    TvxGradient gradient_;
    TvxBitmap bitmap_;
    TvxWrapMode wrap_ = TvxWrapMode::vgWrapTile;
    TvxResourceLink<TvxBrush> resource_;
    IvxVisualSource* visual_ = nullptr;
};

} // namespace hx
