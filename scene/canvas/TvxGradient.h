// A gradient of a brush: colour points along 0..1, linear between two positions of the
// filled rectangle or radial inside its ellipse, and the colour at an offset for animations.
#pragma once

#include "scene/Geometry.h"
#include "scene/canvas/ColorText.h"

#include <functional>
#include <vector>

namespace hx {

enum class TvxGradientStyle { vgLinearGradient, vgRadialGradient };

struct TvxGradientPoint {
    TvxColor Color = 0;
    float Offset = 0;
    friend bool operator==(const TvxGradientPoint&, const TvxGradientPoint&) = default;
};

// Placement of a radial gradient's ellipse: scale and translation, then the rotation, like an
// object's local matrix but always about the origin (RotateCenter is kept for the stored form).
struct TvxTransform {
    TvxPoint Position { 0, 0 };
    TvxPoint Scale { 1, 1 };
    float RotateAngle = 0;
    TvxPoint RotateCenter { 0.5f, 0.5f };
    TvxMatrix Matrix() const;
    friend bool operator==(const TvxTransform&, const TvxTransform&) = default;
};

class TvxGradient {
public:
    TvxGradient(); // "#FF000000" at 0, "#FFFFFFFF" at 1, top to bottom

    const std::vector<TvxGradientPoint>& Points() const { return points_; }
    void SetPoints(std::vector<TvxGradientPoint> points);
    void AddPoint(TvxColor color, float offset);
    void SetPoint(size_t index, TvxGradientPoint p); // ignored outside the list

    TvxGradientStyle Style() const { return style_; }
    void SetStyle(TvxGradientStyle s);
    TvxPoint StartPosition() const { return start_; }
    void SetStartPosition(TvxPoint p);
    TvxPoint StopPosition() const { return stop_; }
    void SetStopPosition(TvxPoint p);
    const TvxTransform& RadialTransform() const { return radial_; }
    void SetRadialTransform(const TvxTransform& t);

    // Colour at offset x (clamped to 0..1), mixed channel by channel; 0 with fewer than two points.
    TvxColor InterpolateColor(float x) const;

    void Assign(const TvxGradient& other);
    bool operator==(const TvxGradient& o) const
    {
        return points_ == o.points_ && style_ == o.style_ && start_ == o.start_ && stop_ == o.stop_
            && radial_ == o.radial_;
    }

    std::function<void()> OnChange;

private:
    void Changed()
    {
        if (OnChange)
            OnChange();
    }

    std::vector<TvxGradientPoint> points_;
    TvxGradientStyle style_ = TvxGradientStyle::vgLinearGradient;
    TvxPoint start_ { 0, 0 };
    TvxPoint stop_ { 0, 1 };
    TvxTransform radial_;
};

} // namespace hx
