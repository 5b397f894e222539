// TvxPosition: a point-valued persistent (an object's Position, Scale, RotateCenter, a
// gradient's ends) with a default given at creation and OnChange; stored as "Point".
#pragma once

#include "scene/ChangeNotifier.h"
#include "scene/Geometry.h"
#include "scene/Persistent.h"

namespace hx {

class TvxPosition : public TPersistent, public TChangeNotifier<TvxPosition> {
    HX_CLASS(TvxPosition)

    explicit TvxPosition(TvxPoint defaultPoint = {});

    float X() const { return point_.X; }
    float Y() const { return point_.Y; }
    void SetX(float x);
    void SetY(float y);
    TvxPoint Point() const { return point_; }
    // Sets both and always fires OnChange.
    void SetPoint(TvxPoint p);
    TvxPoint DefaultPoint() const { return default_; }
    bool IsDefault() const { return point_ == default_; }

    // "(x,y)"; FromText gives (0,0) for text that does not parse.
    std::string ToText() const;
    void SetFromText(std::string_view text);

    void Assign(const TPersistent& source) override;

private:
    TvxPoint point_;
    TvxPoint default_;
};

} // namespace hx
