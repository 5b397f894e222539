// TvxBounds: a rectangle-valued persistent (Margins, Padding, bitmap margins) with a default
// given at creation and OnChange; stored as "Rect".
#pragma once

#include "scene/ChangeNotifier.h"
#include "scene/Geometry.h"
#include "scene/Persistent.h"

namespace hx {

class TvxBounds : public TPersistent, public TChangeNotifier<TvxBounds> {
    HX_CLASS(TvxBounds)

    explicit TvxBounds(TvxRect defaultRect = {});

    float Left() const { return rect_.Left; }
    float Top() const { return rect_.Top; }
    float Right() const { return rect_.Right; }
    float Bottom() const { return rect_.Bottom; }
    void SetLeft(float v);
    void SetTop(float v);
    void SetRight(float v);
    void SetBottom(float v);
    TvxRect Rect() const { return rect_; }
    // Sets all four; fires OnChange once, and only when one of them differs.
    void SetRect(TvxRect r);
    TvxRect DefaultRect() const { return default_; }
    bool IsDefault() const { return rect_ == default_; }
    // r shrunk by these margins: (r.Left + Left, r.Top + Top, r.Right - Right, r.Bottom - Bottom).
    TvxRect MarginRect(TvxRect r) const;

    // "(l,t,r,b)"; FromText gives all zeros for text that does not parse.
    std::string ToText() const;
    void SetFromText(std::string_view text);

    void Assign(const TPersistent& source) override;

private:
    TvxRect rect_;
    TvxRect default_;
};

} // namespace hx
