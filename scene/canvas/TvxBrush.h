// What a canvas fills or strokes with: nothing, a solid colour, a gradient, a bitmap texture,
// a shared brush resource or a visual object painted in place. Any change notifies.
#pragma once

#include "scene/ChangeNotifier.h"
#include "scene/Persistent.h"
#include "scene/canvas/ColorText.h"
#include "scene/canvas/TvxBitmap.h"
#include "scene/canvas/TvxGradient.h"
#include "scene/canvas/TvxResourceLink.h"

#include <memory>

namespace hx {

class TvxCanvas;
class TvxObject;
class TvxBrushObject;

enum TvxBrushStyle { vgBrushNone, vgBrushSolid, vgBrushGradient, vgBrushBitmap, vgBrushResource, vgBrushVisual };
enum TvxWrapMode { vgWrapTile, vgWrapTileOriginal, vgWrapTileStretch };

// What a visual brush paints: an object that can paint itself into a canvas rectangle.
// Visual objects implement it.
class IvxVisualSource {
public:
    virtual void PaintTo(TvxCanvas& canvas, const TvxRect& r, float opacity) = 0;

protected:
    ~IvxVisualSource() = default;
};

// A bitmap brush's picture and how it covers the filled area.
class TvxBrushBitmap : public TPersistent, public TChangeNotifier<TvxBrushBitmap> {
    HX_CLASS(TvxBrushBitmap)

    TvxBrushBitmap();
    TvxBitmap& Bitmap() { return *bitmap_; }
    const TvxBitmap& Bitmap() const { return *bitmap_; }
    TvxWrapMode WrapMode() const { return wrap_; }
    void SetWrapMode(TvxWrapMode w);
    void Assign(const TPersistent& source) override;

private:
    std::unique_ptr<TvxBitmap> bitmap_;
    TvxWrapMode wrap_ = vgWrapTile;
};

// A brush resource: the TvxBrushObject itself or its ResourceName.
class TvxBrushResource : public TPersistent, public TChangeNotifier<TvxBrushResource> {
    HX_CLASS(TvxBrushResource)

    TvxBrushResource() = default;
    TvxBrushObject* Resource() const;
    void SetResource(TvxBrushObject* obj);
    const std::string& ResourceName() const { return link_.Name(); }
    void SetResourceName(const std::string& name);
    // The resource's brush, or null when it does not resolve.
    const class TvxBrush* Brush() const;
    void ResourceDestroying(TPersistent* resource) override { link_.Forget(resource); }
    void Assign(const TPersistent& source) override;

private:
    TvxResourceLink link_ { this };
};

// A visual brush's object.
class TvxVisual : public TPersistent, public TChangeNotifier<TvxVisual> {
    HX_CLASS(TvxVisual)

    TvxVisual() = default;
    TvxObject* VisualObject() const { return link_.Object(); }
    void SetVisualObject(TvxObject* obj);
    // The object as a painter, or null when it is none.
    IvxVisualSource* Source() const;
    void ResourceDestroying(TPersistent* resource) override { link_.Forget(resource); }
    void Assign(const TPersistent& source) override;

private:
    TvxResourceLink link_ { this };
};

class TvxBrush : public TPersistent, public TChangeNotifier<TvxBrush> {
    HX_CLASS(TvxBrush)

    explicit TvxBrush(TvxBrushStyle defaultStyle = vgBrushSolid, TvxColor defaultColor = 0xFFFFFFFF);
    ~TvxBrush() override;

    TvxBrushStyle Style() const { return style_; }
    void SetStyle(TvxBrushStyle s);
    TvxColor Color() const { return color_; }
    void SetColor(TvxColor c);
    std::string ColorText() const { return ColorToText(color_); }
    void SetColorText(const std::string& text) { SetColor(TextToColor(text, color_)); }

    TvxGradient& Gradient() { return *gradient_; }
    const TvxGradient& Gradient() const { return *gradient_; }
    TvxBrushBitmap& Bitmap() { return *bitmap_; }
    const TvxBrushBitmap& Bitmap() const { return *bitmap_; }
    TvxBrushResource& Resource() { return *resource_; }
    const TvxBrushResource& Resource() const { return *resource_; }
    TvxVisual& Visual() { return *visual_; }
    const TvxVisual& Visual() const { return *visual_; }

    TvxBrushStyle DefaultStyle() const { return defaultStyle_; }
    TvxColor DefaultColor() const { return defaultColor_; }

    // The brush that paints: a resource brush's resolved brush (following a few links on),
    // else this one.
    const TvxBrush& Resolved() const;

    void Assign(const TPersistent& source) override;

private:
    TvxBrushStyle defaultStyle_;
    TvxColor defaultColor_;
    TvxBrushStyle style_;
    TvxColor color_;
    std::unique_ptr<TvxGradient> gradient_;
    std::unique_ptr<TvxBrushBitmap> bitmap_;
    std::unique_ptr<TvxBrushResource> resource_;
    std::unique_ptr<TvxVisual> visual_;
};

} // namespace hx
