// Objects that hold one picture, brush or path as a named, shared resource: paint resources
// elsewhere link to them by object or by ResourceName, which follows the component name
// unless set to something else.
#pragma once

#include "scene/TvxObject.h"
#include "scene/canvas/TvxBitmap.h"
#include "scene/canvas/TvxBrush.h"
#include "scene/canvas/TvxPathData.h"

#include <memory>

namespace hx {

// ResourceName tracks Name while the two agree.
class TvxResourceObject : public TvxObject {
    HX_CLASS(TvxResourceObject)

    explicit TvxResourceObject(TComponent* owner);
    void SetName(const std::string& name) override;
};

class TvxBitmapObject : public TvxResourceObject {
    HX_CLASS(TvxBitmapObject)

    explicit TvxBitmapObject(TComponent* owner);
    ~TvxBitmapObject() override;
    TvxBitmap& Bitmap() { return *bitmap_; }

private:
    std::unique_ptr<TvxBitmap> bitmap_;
};

class TvxBrushObject : public TvxResourceObject {
    HX_CLASS(TvxBrushObject)

    explicit TvxBrushObject(TComponent* owner);
    ~TvxBrushObject() override;
    TvxBrush& Brush() { return *brush_; }

private:
    std::unique_ptr<TvxBrush> brush_;
};

class TvxPathObject : public TvxResourceObject {
    HX_CLASS(TvxPathObject)

    explicit TvxPathObject(TComponent* owner);
    ~TvxPathObject() override;
    TvxPathData& Path() { return *path_; }

private:
    std::unique_ptr<TvxPathData> path_;
};

// Enters every class of the canvas library in the class registry (toolkit start calls it).
void RegisterCanvasClasses();

} // namespace hx
