// Vector path data: a list of (kind, x, y) points — move-to, line-to, cubic curve-to (three
// points) and close. Read from SVG-like `Data` text, stored as the binary "Path" bytes.
#pragma once

#include "scene/ChangeNotifier.h"
#include "scene/Geometry.h"
#include "scene/Persistent.h"
#include "scene/canvas/TvxResourceLink.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hx {

enum class TvxPathPointKind : int32_t { MoveTo = 0, LineTo = 1, CurveTo = 2, Close = 3 };

struct TvxPathPoint {
    TvxPathPointKind Kind = TvxPathPointKind::MoveTo;
    TvxPoint Point;
    friend bool operator==(const TvxPathPoint&, const TvxPathPoint&) = default;
};

class TvxPathObject;

class TvxPathData : public TPersistent, public TChangeNotifier<TvxPathData> {
    HX_CLASS(TvxPathData)

    TvxPathData() = default;

    // Larger stored point counts are taken for corruption.
    static constexpr uint32_t MaxPoints = 1u << 20;

    const std::vector<TvxPathPoint>& Points() const { return points_; }
    bool IsEmpty() const { return points_.empty(); }

    void MoveTo(TvxPoint p);
    void LineTo(TvxPoint p);
    void CurveTo(TvxPoint c1, TvxPoint c2, TvxPoint end);
    void ClosePath();
    void Clear();
    void SetPoints(std::vector<TvxPathPoint> points);

    // The smallest rectangle around all points, control points included; zeros when empty.
    TvxRect GetBounds() const;

    // `Data` text: "M x,y L x,y C x,y x,y x,y Z " items.
    std::string Data() const;
    // Reads M L C S H V Q T A Z and their relative forms. Reading stops at the first malformed
    // item (logged): the items before it are kept, as an SVG viewer would draw them.
    void SetData(std::string_view text);

    // The "Path" defined property: a 32-bit little-endian count, then per point 32-bit kind,
    // Single x, Single y. Empty for an empty path.
    std::vector<uint8_t> SavePath() const;
    // Truncated or corrupt bytes (a count the bytes do not hold, an unknown kind, a non-finite
    // coordinate) give an empty path and false.
    bool LoadPath(std::span<const uint8_t> bytes);

    void Assign(const TPersistent& source) override;
    bool operator==(const TvxPathData& o) const { return points_ == o.points_; }

    // A shared path used instead of the own points when it resolves.
    TvxPathObject* Resource() const;
    void SetResource(TvxPathObject* obj);
    const std::string& ResourceName() const { return resource_.Name(); }
    void SetResourceName(const std::string& name);
    void ResourceDestroying(TPersistent* resource) override { resource_.Forget(resource); }
    // The path that is drawn: the resource's when it resolves, else this one.
    const TvxPathData& Effective() const;

private:
    TvxPoint FigureStart() const;

    std::vector<TvxPathPoint> points_;
    TvxResourceLink resource_ { this };
};

} // namespace hx
