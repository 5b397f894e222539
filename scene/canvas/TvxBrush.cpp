#include "scene/canvas/TvxBrush.h"

#include "scene/ClassBuilder.h"
#include "scene/canvas/TvxResourceObjects.h"

namespace hx {

HX_REGISTER_CLASS(TvxBrushBitmap, TPersistent)
{
    b.Object("Bitmap", [](TvxBrushBitmap& bb) { return &bb.Bitmap(); });
    b.Enum("WrapMode", { "vgWrapTile", "vgWrapTileOriginal", "vgWrapTileStretch" }, &TvxBrushBitmap::WrapMode,
         &TvxBrushBitmap::SetWrapMode)
        .Default(vgWrapTile);
}

HX_REGISTER_CLASS(TvxBrushResource, TPersistent)
{
    b.Component<TvxBrushObject>("Resource", &TvxBrushResource::Resource, &TvxBrushResource::SetResource);
    b.String("ResourceName", &TvxBrushResource::ResourceName, &TvxBrushResource::SetResourceName).Default("");
}

HX_REGISTER_CLASS(TvxVisual, TPersistent)
{
    b.Component<TvxObject>("VisualObject", &TvxVisual::VisualObject, &TvxVisual::SetVisualObject);
}

HX_REGISTER_CLASS(TvxBrush, TPersistent)
{
    b.Enum("Style",
         { "vgBrushNone", "vgBrushSolid", "vgBrushGradient", "vgBrushBitmap", "vgBrushResource", "vgBrushVisual" },
         &TvxBrush::Style, &TvxBrush::SetStyle)
        .StoredWhen([](const TvxBrush& br) { return br.Style() != br.DefaultStyle(); });
    b.String("Color", &TvxBrush::ColorText, &TvxBrush::SetColorText).StoredWhen([](const TvxBrush& br) {
        return br.Style() == vgBrushSolid && br.Color() != br.DefaultColor();
    });
    b.Object("Gradient", [](TvxBrush& br) { return &br.Gradient(); }).StoredWhen([](const TvxBrush& br) {
        return br.Style() == vgBrushGradient;
    });
    b.Object("Bitmap", [](TvxBrush& br) { return &br.Bitmap(); }).StoredWhen([](const TvxBrush& br) {
        return br.Style() == vgBrushBitmap;
    });
    b.Object("Resource", [](TvxBrush& br) { return &br.Resource(); }).StoredWhen([](const TvxBrush& br) {
        return br.Style() == vgBrushResource;
    });
    b.Object("Visual", [](TvxBrush& br) { return &br.Visual(); }).StoredWhen([](const TvxBrush& br) {
        return br.Style() == vgBrushVisual;
    });
}

TvxBrushBitmap::TvxBrushBitmap()
    : bitmap_(std::make_unique<TvxBitmap>())
{
    bitmap_->OnChange = [this](TObject*) { Changed(); };
}

void TvxBrushBitmap::SetWrapMode(TvxWrapMode w)
{
    if (w == wrap_)
        return;
    wrap_ = w;
    Changed();
}

void TvxBrushBitmap::Assign(const TPersistent& source)
{
    const auto* o = dynamic_cast<const TvxBrushBitmap*>(&source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    wrap_ = o->wrap_;
    bitmap_->Assign(*o->bitmap_); // notifies
}

TvxBrushObject* TvxBrushResource::Resource() const { return dynamic_cast<TvxBrushObject*>(link_.Object()); }

void TvxBrushResource::SetResource(TvxBrushObject* obj)
{
    if (link_.SetObject(obj))
        Changed();
}

void TvxBrushResource::SetResourceName(const std::string& name)
{
    if (link_.SetName(name))
        Changed();
}

const TvxBrush* TvxBrushResource::Brush() const
{
    auto* obj = dynamic_cast<TvxBrushObject*>(link_.Resolve());
    return obj ? &obj->Brush() : nullptr;
}

void TvxBrushResource::Assign(const TPersistent& source)
{
    const auto* o = dynamic_cast<const TvxBrushResource*>(&source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    link_.CopyFrom(o->link_);
    Changed();
}

void TvxVisual::SetVisualObject(TvxObject* obj)
{
    if (link_.SetObject(obj) && OnChange)
        OnChange(this);
}

IvxVisualSource* TvxVisual::Source() const { return dynamic_cast<IvxVisualSource*>(link_.Object()); }

void TvxVisual::Assign(const TPersistent& source)
{
    if (const auto* o = dynamic_cast<const TvxVisual*>(&source))
        SetVisualObject(o->VisualObject());
    else
        TPersistent::Assign(source);
}

TvxBrush::TvxBrush(TvxBrushStyle defaultStyle, TvxColor defaultColor)
    : defaultStyle_(defaultStyle)
    , defaultColor_(defaultColor)
    , style_(defaultStyle)
    , color_(defaultColor)
    , gradient_(std::make_unique<TvxGradient>())
    , bitmap_(std::make_unique<TvxBrushBitmap>())
    , resource_(std::make_unique<TvxBrushResource>())
    , visual_(std::make_unique<TvxVisual>())
{
    gradient_->OnChange = [this](TObject*) { Changed(); };
    bitmap_->OnChange = [this](TObject*) { Changed(); };
    resource_->OnChange = [this](TObject*) { Changed(); };
    visual_->OnChange = [this](TObject*) { Changed(); };
}

TvxBrush::~TvxBrush() = default;

void TvxBrush::SetStyle(TvxBrushStyle s)
{
    if (s == style_)
        return;
    style_ = s;
    Changed();
}

void TvxBrush::SetColor(TvxColor c)
{
    if (c == color_)
        return;
    color_ = c;
    Changed();
}

const TvxBrush& TvxBrush::Resolved() const
{
    const TvxBrush* cur = this;
    for (int i = 0; i < 8 && cur->Style() == vgBrushResource; ++i) {
        const TvxBrush* next = cur->resource_->Brush();
        if (!next || next == cur)
            break;
        cur = next;
    }
    return *cur;
}

void TvxBrush::Assign(const TPersistent& source)
{
    const auto* o = dynamic_cast<const TvxBrush*>(&source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    if (o == this)
        return;
    // One notification for the whole copy, not one per part.
    ChangeAsOne([&] {
        style_ = o->style_;
        color_ = o->color_;
        gradient_->Assign(*o->gradient_);
        // A copy made for saving state or a style need not carry the picture when it is not used.
        if (o->style_ == vgBrushBitmap || !bitmap_->Bitmap().IsEmpty())
            bitmap_->Assign(*o->bitmap_);
        resource_->Assign(*o->resource_);
        visual_->Assign(*o->visual_);
    });
}

} // namespace hx
