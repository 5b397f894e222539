#include "scene/canvas/TvxBitmap.h"

#include "platform/Log.h"
#include "scene/ClassBuilder.h"
#include "scene/canvas/TvxCanvas.h"
#include "scene/canvas/TvxFilter.h"
#include "scene/canvas/TvxResourceObjects.h"

#include <algorithm>

namespace hx {

HX_REGISTER_CLASS(TvxBitmap, TPersistent)
{
    b.Component<TvxBitmapObject>("Resource", &TvxBitmap::Resource, &TvxBitmap::SetResource);
    b.String("ResourceName", &TvxBitmap::ResourceName, &TvxBitmap::SetResourceName).Default("");
    b.DefinedBinary(
        "PNG", [](const TvxBitmap& bm) { return !bm.IsEmpty(); }, [](const TvxBitmap& bm) { return bm.SavePng(); },
        [](TvxBitmap& bm, std::span<const uint8_t> bytes) { bm.LoadPng(bytes); });
}

TvxBitmap::TvxBitmap(int width, int height) { SetSize(width, height); }

TvxBitmap::TvxBitmap() = default;
TvxBitmap::~TvxBitmap() = default;

bool TvxBitmap::SetSize(int width, int height)
{
    if (width == width_ && height == height_)
        return true;
    if (width < 0 || height < 0 || width > MaxSide || height > MaxSide || int64_t(width) * height > MaxPixels) {
        Log("canvas: refused a bitmap of " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
        return false;
    }
    // The canvas draws into the old memory: it goes with it.
    canvas_.reset();
    width_ = width;
    height_ = height;
    pixels_.assign(size_t(width) * height, 0);
    pixels_.shrink_to_fit();
    return true;
}

void TvxBitmap::Clear(uint32_t color) { std::fill(pixels_.begin(), pixels_.end(), color); }

bool TvxBitmap::HasTranslucentPixels() const
{
    return std::any_of(pixels_.begin(), pixels_.end(), [](uint32_t p) { return (p >> 24) != 0xFF; });
}

TvxCanvas& TvxBitmap::Canvas()
{
    if (!canvas_)
        canvas_ = CreateBitmapCanvas(*this);
    return *canvas_;
}

std::vector<uint8_t> TvxBitmap::SavePng() const
{
    std::vector<uint8_t> out;
    if (IsEmpty())
        return out;
    if (HasTranslucentPixels())
        DefaultFilter().SaveToStream(out, *this, "png", "");
    else
        DefaultFilter().SaveToStream(out, *this, "jpeg", "quality=100");
    return out;
}

bool TvxBitmap::LoadPng(std::span<const uint8_t> bytes) { return DefaultFilter().LoadFromStream(bytes, *this); }

void TvxBitmap::Assign(const TPersistent& source)
{
    const auto* o = dynamic_cast<const TvxBitmap*>(&source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    if (o == this)
        return;
    if (SetSize(o->width_, o->height_))
        pixels_ = o->pixels_;
    resource_.CopyFrom(o->resource_);
    Changed();
}

TvxBitmapObject* TvxBitmap::Resource() const { return dynamic_cast<TvxBitmapObject*>(resource_.Object()); }

void TvxBitmap::SetResource(TvxBitmapObject* obj)
{
    if (resource_.SetObject(obj))
        Changed();
}

void TvxBitmap::SetResourceName(const std::string& name)
{
    if (resource_.SetName(name))
        Changed();
}

const TvxBitmap& TvxBitmap::Effective() const
{
    if (auto* obj = dynamic_cast<TvxBitmapObject*>(resource_.Resolve()); obj && &obj->Bitmap() != this)
        return obj->Bitmap();
    return *this;
}

} // namespace hx
