#include "scene/canvas/TvxPathData.h"

#include "platform/Log.h"
#include "scene/ClassBuilder.h"
#include "scene/canvas/TvxResourceObjects.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace hx {

HX_REGISTER_CLASS(TvxPathData, TPersistent)
{
    // The points are stored once, as "Path"; Data is their text view for authoring.
    b.String("Data", &TvxPathData::Data, [](TvxPathData& p, const std::string& d) { p.SetData(d); }).Stored(false);
    b.Component<TvxPathObject>("Resource", &TvxPathData::Resource, &TvxPathData::SetResource);
    b.String("ResourceName", &TvxPathData::ResourceName, &TvxPathData::SetResourceName).Default("");
    b.DefinedBinary(
        "Path", [](const TvxPathData& p) { return !p.IsEmpty(); }, [](const TvxPathData& p) { return p.SavePath(); },
        [](TvxPathData& p, std::span<const uint8_t> bytes) { p.LoadPath(bytes); });
}

void TvxPathData::MoveTo(TvxPoint p)
{
    points_.push_back({ TvxPathPointKind::MoveTo, p });
    Changed();
}

void TvxPathData::LineTo(TvxPoint p)
{
    points_.push_back({ TvxPathPointKind::LineTo, p });
    Changed();
}

void TvxPathData::CurveTo(TvxPoint c1, TvxPoint c2, TvxPoint end)
{
    points_.push_back({ TvxPathPointKind::CurveTo, c1 });
    points_.push_back({ TvxPathPointKind::CurveTo, c2 });
    points_.push_back({ TvxPathPointKind::CurveTo, end });
    Changed();
}

TvxPoint TvxPathData::FigureStart() const
{
    for (auto it = points_.rbegin(); it != points_.rend(); ++it) {
        if (it->Kind == TvxPathPointKind::MoveTo)
            return it->Point;
    }
    return points_.empty() ? TvxPoint {} : points_.front().Point;
}

void TvxPathData::ClosePath()
{
    // The close item carries the figure's first point, so that it adds nothing to the bounds.
    points_.push_back({ TvxPathPointKind::Close, FigureStart() });
    Changed();
}

void TvxPathData::Clear()
{
    if (points_.empty())
        return;
    points_.clear();
    Changed();
}

void TvxPathData::SetPoints(std::vector<TvxPathPoint> points)
{
    if (points == points_)
        return;
    points_ = std::move(points);
    Changed();
}

TvxRect TvxPathData::GetBounds() const
{
    if (points_.empty())
        return {};
    TvxRect r { points_[0].Point.X, points_[0].Point.Y, points_[0].Point.X, points_[0].Point.Y };
    for (const auto& p : points_) {
        r.Left = std::min(r.Left, p.Point.X);
        r.Top = std::min(r.Top, p.Point.Y);
        r.Right = std::max(r.Right, p.Point.X);
        r.Bottom = std::max(r.Bottom, p.Point.Y);
    }
    return r;
}

namespace {

    void AppendNumber(std::string& s, float v)
    {
        char buf[32];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
        s.append(buf, ec == std::errc() ? end : buf);
    }

    void AppendPair(std::string& s, TvxPoint p)
    {
        AppendNumber(s, p.X);
        s += ',';
        AppendNumber(s, p.Y);
    }

    // SVG path grammar: numbers separated by white space and/or one comma, flags as single digits.
    class DataReader {
    public:
        explicit DataReader(std::string_view t)
            : t_(t)
        {
        }

        void SkipSeparators()
        {
            while (pos_ < t_.size() && (IsSpace(t_[pos_]) || t_[pos_] == ','))
                ++pos_;
        }
        bool AtEnd()
        {
            SkipSeparators();
            return pos_ >= t_.size();
        }
        bool AtCommand()
        {
            SkipSeparators();
            return pos_ < t_.size() && std::strchr("MmLlCcSsHhVvQqTtAaZz", t_[pos_]) && t_[pos_] != '\0';
        }
        bool AtNumber()
        {
            SkipSeparators();
            return pos_ < t_.size() && (std::isdigit(uint8_t(t_[pos_])) || std::strchr("+-.", t_[pos_]));
        }
        char TakeCommand() { return t_[pos_++]; }

        bool Number(double& v)
        {
            SkipSeparators();
            const char* b = t_.data() + pos_;
            const char* e = t_.data() + t_.size();
            // from_chars takes no leading '+'.
            const char* start = b;
            if (start < e && *start == '+')
                ++start;
            auto [end, ec] = std::from_chars(start, e, v, std::chars_format::general);
            if (ec != std::errc() || !std::isfinite(v) || (start < e && *start == '-' && start != b))
                return false;
            pos_ += size_t(end - b);
            return true;
        }
        bool Flag(bool& f)
        {
            SkipSeparators();
            if (pos_ >= t_.size() || (t_[pos_] != '0' && t_[pos_] != '1'))
                return false;
            f = t_[pos_++] == '1';
            return true;
        }
        size_t Position() const { return pos_; }

    private:
        static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
        std::string_view t_;
        size_t pos_ = 0;
    };

    struct Pt {
        double x = 0, y = 0;
    };

    class PathBuilder {
    public:
        explicit PathBuilder(std::vector<TvxPathPoint>& out)
            : out_(out)
        {
        }
        bool Emit(TvxPathPointKind k, Pt p)
        {
            const float x = float(p.x), y = float(p.y);
            if (!std::isfinite(x) || !std::isfinite(y) || out_.size() >= TvxPathData::MaxPoints)
                return false;
            out_.push_back({ k, { x, y } });
            return true;
        }
        bool Curve(Pt c1, Pt c2, Pt e)
        {
            return Emit(TvxPathPointKind::CurveTo, c1) && Emit(TvxPathPointKind::CurveTo, c2)
                && Emit(TvxPathPointKind::CurveTo, e);
        }

    private:
        std::vector<TvxPathPoint>& out_;
    };

    // The elliptical arc from p0 to p1 as at most four cubic pieces (endpoint to centre form).
    bool ArcTo(PathBuilder& b, Pt p0, double rx, double ry, double angle, bool large, bool sweep, Pt p1)
    {
        if (p0.x == p1.x && p0.y == p1.y)
            return true;
        rx = std::fabs(rx);
        ry = std::fabs(ry);
        if (rx == 0 || ry == 0)
            return b.Emit(TvxPathPointKind::LineTo, p1);
        const double phi = angle * M_PI / 180.0;
        const double cphi = std::cos(phi), sphi = std::sin(phi);
        const double dx = (p0.x - p1.x) / 2, dy = (p0.y - p1.y) / 2;
        const double x1 = cphi * dx + sphi * dy;
        const double y1 = -sphi * dx + cphi * dy;
        const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
        if (lambda > 1) {
            rx *= std::sqrt(lambda);
            ry *= std::sqrt(lambda);
        }
        const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
        const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
        double coef = den > 0 ? std::sqrt(std::max(0.0, num / den)) : 0;
        if (large == sweep)
            coef = -coef;
        const double cx1 = coef * rx * y1 / ry;
        const double cy1 = -coef * ry * x1 / rx;
        const double cx = cphi * cx1 - sphi * cy1 + (p0.x + p1.x) / 2;
        const double cy = sphi * cx1 + cphi * cy1 + (p0.y + p1.y) / 2;
        auto vecAngle = [](double ux, double uy, double vx, double vy) {
            return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
        };
        const double theta1 = vecAngle(1, 0, (x1 - cx1) / rx, (y1 - cy1) / ry);
        double dtheta = vecAngle((x1 - cx1) / rx, (y1 - cy1) / ry, (-x1 - cx1) / rx, (-y1 - cy1) / ry);
        if (!sweep && dtheta > 0)
            dtheta -= 2 * M_PI;
        else if (sweep && dtheta < 0)
            dtheta += 2 * M_PI;
        if (!std::isfinite(dtheta) || !std::isfinite(cx) || !std::isfinite(cy))
            return false;
        const int n = std::clamp(int(std::ceil(std::fabs(dtheta) / (M_PI / 2) - 1e-9)), 1, 4);
        const double seg = dtheta / n;
        const double kappa = 4.0 / 3.0 * std::tan(seg / 4);
        auto at = [&](double t, double& px, double& py, double& tx, double& ty) {
            const double ct = std::cos(t), st = std::sin(t);
            px = cx + rx * ct * cphi - ry * st * sphi;
            py = cy + rx * ct * sphi + ry * st * cphi;
            tx = -rx * st * cphi - ry * ct * sphi;
            ty = -rx * st * sphi + ry * ct * cphi;
        };
        double t = theta1;
        double ax, ay, atx, aty;
        at(t, ax, ay, atx, aty);
        for (int i = 0; i < n; ++i) {
            double bx, by, btx, bty;
            at(t + seg, bx, by, btx, bty);
            Pt end = i == n - 1 ? p1 : Pt { bx, by };
            if (!b.Curve({ ax + kappa * atx, ay + kappa * aty }, { bx - kappa * btx, by - kappa * bty }, end))
                return false;
            t += seg;
            ax = bx;
            ay = by;
            atx = btx;
            aty = bty;
        }
        return true;
    }

    // Returns false at the first malformed item; `out` keeps what was read before it.
    bool ParseData(std::string_view text, std::vector<TvxPathPoint>& out)
    {
        DataReader r(text);
        PathBuilder b(out);
        Pt cur, start, lastCtrl;
        char prev = 0; // the previous command, upper case, for S and T reflections
        while (!r.AtEnd()) {
            if (!r.AtCommand())
                return false;
            const char cmd = r.TakeCommand();
            const bool rel = std::islower(uint8_t(cmd));
            const char up = char(std::toupper(uint8_t(cmd)));
            if (up == 'Z') {
                if (!b.Emit(TvxPathPointKind::Close, start))
                    return false;
                cur = start;
                prev = 'Z';
                continue;
            }
            bool first = true;
            // A command repeats while numbers follow it.
            do {
                const Pt base = rel ? cur : Pt {};
                double v[7];
                auto read = [&](int n) {
                    for (int i = 0; i < n; ++i) {
                        if (!r.Number(v[i]))
                            return false;
                    }
                    return true;
                };
                switch (up) {
                case 'M':
                case 'L':
                case 'T': {
                    if (!read(2))
                        return false;
                    Pt p { base.x + v[0], base.y + v[1] };
                    if (up == 'M' && first) {
                        if (!b.Emit(TvxPathPointKind::MoveTo, p))
                            return false;
                        start = p;
                    } else if (up == 'T') {
                        Pt q = (prev == 'Q' || prev == 'T') ? Pt { 2 * cur.x - lastCtrl.x, 2 * cur.y - lastCtrl.y }
                                                            : cur;
                        if (!b.Curve({ cur.x + 2.0 / 3 * (q.x - cur.x), cur.y + 2.0 / 3 * (q.y - cur.y) },
                                { p.x + 2.0 / 3 * (q.x - p.x), p.y + 2.0 / 3 * (q.y - p.y) }, p))
                            return false;
                        lastCtrl = q;
                    } else if (!b.Emit(TvxPathPointKind::LineTo, p)) {
                        return false;
                    }
                    cur = p;
                    prev = up == 'M' ? 'L' : up;
                    break;
                }
                case 'H':
                case 'V': {
                    if (!read(1))
                        return false;
                    Pt p = cur;
                    (up == 'H' ? p.x : p.y) = (up == 'H' ? base.x : base.y) + v[0];
                    if (!b.Emit(TvxPathPointKind::LineTo, p))
                        return false;
                    cur = p;
                    prev = up;
                    break;
                }
                case 'C':
                case 'S': {
                    Pt c1, c2, p;
                    if (up == 'C') {
                        if (!read(6))
                            return false;
                        c1 = { base.x + v[0], base.y + v[1] };
                        c2 = { base.x + v[2], base.y + v[3] };
                        p = { base.x + v[4], base.y + v[5] };
                    } else {
                        if (!read(4))
                            return false;
                        c1 = (prev == 'C' || prev == 'S') ? Pt { 2 * cur.x - lastCtrl.x, 2 * cur.y - lastCtrl.y } : cur;
                        c2 = { base.x + v[0], base.y + v[1] };
                        p = { base.x + v[2], base.y + v[3] };
                    }
                    if (!b.Curve(c1, c2, p))
                        return false;
                    lastCtrl = c2;
                    cur = p;
                    prev = up;
                    break;
                }
                case 'Q': {
                    if (!read(4))
                        return false;
                    Pt q { base.x + v[0], base.y + v[1] };
                    Pt p { base.x + v[2], base.y + v[3] };
                    if (!b.Curve({ cur.x + 2.0 / 3 * (q.x - cur.x), cur.y + 2.0 / 3 * (q.y - cur.y) },
                            { p.x + 2.0 / 3 * (q.x - p.x), p.y + 2.0 / 3 * (q.y - p.y) }, p))
                        return false;
                    lastCtrl = q;
                    cur = p;
                    prev = 'Q';
                    break;
                }
                case 'A': {
                    bool large = false, sweep = false;
                    if (!read(3) || !r.Flag(large) || !r.Flag(sweep) || !r.Number(v[3]) || !r.Number(v[4]))
                        return false;
                    Pt p { base.x + v[3], base.y + v[4] };
                    if (!ArcTo(b, cur, v[0], v[1], v[2], large, sweep, p))
                        return false;
                    cur = p;
                    prev = 'A';
                    break;
                }
                }
                first = false;
            } while (r.AtNumber());
        }
        return true;
    }

    void PutU32(std::vector<uint8_t>& out, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            out.push_back(uint8_t(v >> (8 * i)));
    }
    uint32_t GetU32(const uint8_t* p)
    {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }

} // namespace

std::string TvxPathData::Data() const
{
    std::string s;
    for (size_t i = 0; i < points_.size(); ++i) {
        const auto& p = points_[i];
        switch (p.Kind) {
        case TvxPathPointKind::MoveTo:
            s += "M ";
            AppendPair(s, p.Point);
            s += ' ';
            break;
        case TvxPathPointKind::LineTo:
            s += "L ";
            AppendPair(s, p.Point);
            s += ' ';
            break;
        case TvxPathPointKind::CurveTo:
            s += "C ";
            for (size_t j = 0; j < 3 && i < points_.size(); ++j, ++i) {
                AppendPair(s, points_[i].Point);
                s += ' ';
            }
            --i;
            break;
        case TvxPathPointKind::Close:
            s += "Z ";
            break;
        }
    }
    return s;
}

void TvxPathData::SetData(std::string_view text)
{
    std::vector<TvxPathPoint> parsed;
    if (!ParseData(text, parsed))
        Log("canvas: path data is malformed; " + std::to_string(parsed.size()) + " points before the fault kept");
    SetPoints(std::move(parsed));
}

std::vector<uint8_t> TvxPathData::SavePath() const
{
    std::vector<uint8_t> out;
    if (points_.empty())
        return out;
    out.reserve(4 + points_.size() * 12);
    PutU32(out, uint32_t(points_.size()));
    for (const auto& p : points_) {
        uint32_t x, y;
        std::memcpy(&x, &p.Point.X, 4);
        std::memcpy(&y, &p.Point.Y, 4);
        PutU32(out, uint32_t(p.Kind));
        PutU32(out, x);
        PutU32(out, y);
    }
    return out;
}

bool TvxPathData::LoadPath(std::span<const uint8_t> bytes)
{
    std::vector<TvxPathPoint> pts;
    bool ok = bytes.size() >= 4;
    const uint32_t count = ok ? GetU32(bytes.data()) : 0;
    // The count must agree with the bytes that follow it before anything is allocated.
    ok = ok && count <= MaxPoints && (bytes.size() - 4) / 12 >= count;
    for (uint32_t i = 0; ok && i < count; ++i) {
        const uint8_t* rec = bytes.data() + 4 + size_t(i) * 12;
        const uint32_t kind = GetU32(rec);
        const uint32_t xb = GetU32(rec + 4), yb = GetU32(rec + 8);
        float x, y;
        std::memcpy(&x, &xb, 4);
        std::memcpy(&y, &yb, 4);
        if (kind > 3 || !std::isfinite(x) || !std::isfinite(y)) {
            ok = false;
            break;
        }
        if (i == 0)
            pts.reserve(count);
        pts.push_back({ TvxPathPointKind(kind), { x, y } });
    }
    if (!ok) {
        Log("canvas: stored path of " + std::to_string(bytes.size()) + " bytes is corrupt; path left empty");
        pts.clear();
    }
    SetPoints(std::move(pts));
    return ok;
}

void TvxPathData::Assign(const TPersistent& source)
{
    const auto* o = dynamic_cast<const TvxPathData*>(&source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    if (o == this)
        return;
    resource_.CopyFrom(o->resource_);
    SetPoints(o->points_);
}

TvxPathObject* TvxPathData::Resource() const { return dynamic_cast<TvxPathObject*>(resource_.Object()); }

void TvxPathData::SetResource(TvxPathObject* obj)
{
    if (resource_.SetObject(obj))
        Changed();
}

void TvxPathData::SetResourceName(const std::string& name)
{
    if (resource_.SetName(name))
        Changed();
}

const TvxPathData& TvxPathData::Effective() const
{
    if (auto* obj = dynamic_cast<TvxPathObject*>(resource_.Resolve()); obj && &obj->Path() != this)
        return obj->Path();
    return *this;
}

} // namespace hx
