#include "scene/canvas/TvxResourceObjects.h"

#include "scene/ClassBuilder.h"
#include "scene/canvas/TvxFont.h"

namespace hx {

HX_REGISTER_CLASS(TvxResourceObject, TvxObject)
{
    b.Redefine("ResourceName").NoDefault().StoredWhen([](const TvxResourceObject& o) {
        return o.ResourceName() != o.Name();
    });
}

HX_REGISTER_CLASS(TvxBitmapObject, TvxResourceObject)
{
    b.Object("Bitmap", [](TvxBitmapObject& o) { return &o.Bitmap(); });
}

HX_REGISTER_CLASS(TvxBrushObject, TvxResourceObject)
{
    b.Object("Brush", [](TvxBrushObject& o) { return &o.Brush(); });
}

HX_REGISTER_CLASS(TvxPathObject, TvxResourceObject)
{
    b.Object("Path", [](TvxPathObject& o) { return &o.Path(); });
}

TvxResourceObject::TvxResourceObject(TComponent* owner)
    : TvxObject(owner)
{
}

void TvxResourceObject::SetName(const std::string& name)
{
    const bool follows = ResourceName().empty() || ResourceName() == Name();
    TvxObject::SetName(name);
    if (follows)
        SetResourceName(Name());
}

TvxBitmapObject::TvxBitmapObject(TComponent* owner)
    : TvxResourceObject(owner)
    , bitmap_(std::make_unique<TvxBitmap>())
{
}

TvxBitmapObject::~TvxBitmapObject() = default;

TvxBrushObject::TvxBrushObject(TComponent* owner)
    : TvxResourceObject(owner)
    , brush_(std::make_unique<TvxBrush>(vgBrushSolid, 0xFFFFFFFF))
{
}

TvxBrushObject::~TvxBrushObject() = default;

TvxPathObject::TvxPathObject(TComponent* owner)
    : TvxResourceObject(owner)
    , path_(std::make_unique<TvxPathData>())
{
}

TvxPathObject::~TvxPathObject() = default;

void RegisterCanvasClasses()
{
    for (const TClassInfo* cls :
        { &TvxFont::StaticClass(), &TvxGradientPoint::StaticClass(), &TvxGradientPoints::StaticClass(),
            &TvxTransform::StaticClass(), &TvxGradient::StaticClass(), &TvxBitmap::StaticClass(),
            &TvxBrushBitmap::StaticClass(), &TvxBrushResource::StaticClass(), &TvxVisual::StaticClass(),
            &TvxBrush::StaticClass(), &TvxPathData::StaticClass(), &TvxResourceObject::StaticClass(),
            &TvxBitmapObject::StaticClass(), &TvxBrushObject::StaticClass(), &TvxPathObject::StaticClass() })
        RegisterClass(*cls);
}

} // namespace hx
