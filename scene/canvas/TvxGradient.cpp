#include "scene/canvas/TvxGradient.h"

#include <algorithm>
#include <cmath>

namespace hx {

TvxMatrix TvxTransform::Matrix() const
{
    TvxMatrix m = TvxMatrix::Scaling(Scale.X, Scale.Y);
    m.m31 = Position.X;
    m.m32 = Position.Y;
    if (RotateAngle != 0) {
        // Rows (cos, sin), (-sin, cos): the same turn an object's local matrix makes.
        const double a = RotateAngle * M_PI / 180.0;
        TvxMatrix r;
        r.m11 = float(std::cos(a));
        r.m12 = float(std::sin(a));
        r.m21 = -r.m12;
        r.m22 = r.m11;
        m = r * m;
    }
    return m;
}

TvxGradient::TvxGradient()
    : points_ { { 0xFF000000, 0 }, { 0xFFFFFFFF, 1 } }
{
}

void TvxGradient::SetPoints(std::vector<TvxGradientPoint> points)
{
    if (points == points_)
        return;
    points_ = std::move(points);
    Changed();
}

void TvxGradient::AddPoint(TvxColor color, float offset)
{
    points_.push_back({ color, offset });
    Changed();
}

void TvxGradient::SetPoint(size_t index, TvxGradientPoint p)
{
    if (index >= points_.size() || points_[index] == p)
        return;
    points_[index] = p;
    Changed();
}

void TvxGradient::SetStyle(TvxGradientStyle s)
{
    if (s == style_)
        return;
    style_ = s;
    Changed();
}

void TvxGradient::SetStartPosition(TvxPoint p)
{
    if (p == start_)
        return;
    start_ = p;
    Changed();
}

void TvxGradient::SetStopPosition(TvxPoint p)
{
    if (p == stop_)
        return;
    stop_ = p;
    Changed();
}

void TvxGradient::SetRadialTransform(const TvxTransform& t)
{
    if (t == radial_)
        return;
    radial_ = t;
    Changed();
}

TvxColor TvxGradient::InterpolateColor(float x) const
{
    if (points_.size() < 2)
        return 0;
    x = std::clamp(x, 0.0f, 1.0f);
    if (x <= points_.front().Offset)
        return points_.front().Color;
    if (x >= points_.back().Offset)
        return points_.back().Color;
    for (size_t i = 0; i + 1 < points_.size(); ++i) {
        const auto& a = points_[i];
        const auto& b = points_[i + 1];
        if (x < a.Offset || x > b.Offset)
            continue;
        const float span = b.Offset - a.Offset;
        const float t = span > 0 ? (x - a.Offset) / span : 0;
        TvxColor out = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const int ca = int((a.Color >> shift) & 0xFF);
            const int cb = int((b.Color >> shift) & 0xFF);
            const int c = std::clamp(int(std::lround(ca + (cb - ca) * t)), 0, 255);
            out |= TvxColor(c) << shift;
        }
        return out;
    }
    return points_.back().Color;
}

void TvxGradient::Assign(const TvxGradient& other)
{
    if (*this == other)
        return;
    points_ = other.points_;
    style_ = other.style_;
    start_ = other.start_;
    stop_ = other.stop_;
    radial_ = other.radial_;
    Changed();
}

} // namespace hx
