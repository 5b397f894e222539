#include "scene/canvas/TvxCanvas.h"

#include <algorithm>
#include <cmath>

namespace hx {

TvxCanvas::TvxCanvas()
{
    font_.OnChange = [this](TObject*) { FontChanged(); };
}

TvxCanvas::~TvxCanvas() = default;

void TvxCanvas::SetStrokeDash(TvxStrokeDash d)
{
    if (d == dash_)
        return;
    dash_ = d;
    switch (d) {
    case TvxStrokeDash::vgDashSolid:
        DashArray.clear();
        break;
    case TvxStrokeDash::vgDashDash:
        DashArray = { 3, 1 };
        break;
    case TvxStrokeDash::vgDashDot:
        DashArray = { 1, 1 };
        break;
    case TvxStrokeDash::vgDashDashDot:
        DashArray = { 3, 1, 1, 1 };
        break;
    case TvxStrokeDash::vgDashDashDotDot:
        DashArray = { 3, 1, 1, 1, 1, 1 };
        break;
    case TvxStrokeDash::vgDashCustom:
        return; // the array and offset stay as they are
    }
    DashOffset = 0;
}

namespace {

    void PolygonPath(TvxPathData& path, const TvxPolygon& points, bool closeLast)
    {
        std::vector<TvxPathPoint> pts;
        bool newFigure = true;
        for (const TvxPoint& p : points) {
            if (p == PolygonGap) {
                if (!newFigure)
                    pts.push_back({ TvxPathPointKind::Close, {} });
                newFigure = true;
                continue;
            }
            pts.push_back({ newFigure ? TvxPathPointKind::MoveTo : TvxPathPointKind::LineTo, p });
            newFigure = false;
        }
        if (closeLast && !newFigure)
            pts.push_back({ TvxPathPointKind::Close, {} });
        // A close item repeats its figure's first point, so that the bounds stay those of the points.
        TvxPoint start;
        for (auto& p : pts) {
            if (p.Kind == TvxPathPointKind::MoveTo)
                start = p.Point;
            else if (p.Kind == TvxPathPointKind::Close)
                p.Point = start;
        }
        path.SetPoints(std::move(pts));
    }

} // namespace

void TvxCanvas::FillPolygon(const TvxPolygon& points, float opacity)
{
    TvxPathData path;
    PolygonPath(path, points, true);
    FillPath(path, path.GetBounds(), opacity);
}

void TvxCanvas::DrawPolygon(const TvxPolygon& points, float opacity)
{
    TvxPathData path;
    PolygonPath(path, points, false);
    DrawPath(path, path.GetBounds(), opacity);
}

float TvxCanvas::TextWidth(const std::u16string& text)
{
    // MeasureText leaves the rectangle alone for empty text, which would read as 10000 wide.
    if (text.empty())
        return 0;
    TvxRect r { 0, 0, 10000, 20 };
    MeasureText(r, r, text, false, TvxTextAlign::vgTextAlignNear, TvxTextAlign::vgTextAlignCenter);
    return r.Width();
}

void TvxCanvas::BuildArc(TvxPathData& path, TvxPoint c, TvxPoint radius, float startAngle, float sweepAngle)
{
    path.Clear();
    const double a0 = startAngle * M_PI / 180.0;
    const double sweep = std::clamp(double(sweepAngle), -360.0, 360.0) * M_PI / 180.0;
    const int n = std::max(1, int(std::ceil(std::fabs(sweep) / (M_PI / 2) - 1e-9)));
    const double seg = sweep / n;
    const double k = 4.0 / 3.0 * std::tan(seg / 4);
    auto pt = [&](double a) {
        return TvxPoint { float(c.X + radius.X * std::cos(a)), float(c.Y + radius.Y * std::sin(a)) };
    };
    path.MoveTo(pt(a0));
    double a = a0;
    for (int i = 0; i < n; ++i) {
        const double b = a + seg;
        const TvxPoint p0 = pt(a), p1 = pt(b);
        const TvxPoint c1 { float(p0.X - k * radius.X * std::sin(a)), float(p0.Y + k * radius.Y * std::cos(a)) };
        const TvxPoint c2 { float(p1.X + k * radius.X * std::sin(b)), float(p1.Y - k * radius.Y * std::cos(b)) };
        path.CurveTo(c1, c2, p1);
        a = b;
    }
}

void TvxCanvas::FillArc(TvxPoint center, TvxPoint radius, float startAngle, float sweepAngle, float opacity)
{
    TvxPathData path;
    BuildArc(path, center, radius, startAngle, sweepAngle);
    FillPath(path, path.GetBounds(), opacity);
}

void TvxCanvas::DrawArc(TvxPoint center, TvxPoint radius, float startAngle, float sweepAngle, float opacity)
{
    TvxPathData path;
    BuildArc(path, center, radius, startAngle, sweepAngle);
    DrawPath(path, path.GetBounds(), opacity);
}

} // namespace hx
