#include "scene/canvas/TvxGradient.h"

#include "scene/ClassBuilder.h"

#include <algorithm>
#include <cmath>

namespace hx {

HX_REGISTER_CLASS(TvxGradientPoint, TCollectionItem)
{
    b.String("Color", &TvxGradientPoint::ColorText, &TvxGradientPoint::SetColorText);
    b.Single("Offset", &TvxGradientPoint::Offset, &TvxGradientPoint::SetOffset);
}

HX_REGISTER_CLASS(TvxGradientPoints, TCollection) { }

HX_REGISTER_CLASS(TvxTransform, TPersistent)
{
    b.Object("Position", [](TvxTransform& t) { return &t.Position(); });
    b.Object("Scale", [](TvxTransform& t) { return &t.Scale(); });
    b.Single("RotateAngle", &TvxTransform::RotateAngle, &TvxTransform::SetRotateAngle).Default(0);
    b.Object("RotateCenter", [](TvxTransform& t) { return &t.RotateCenter(); });
}

HX_REGISTER_CLASS(TvxGradient, TPersistent)
{
    b.Object("Points", [](TvxGradient& g) { return &g.Points(); });
    b.Enum("Style", { "vgLinearGradient", "vgRadialGradient" }, &TvxGradient::Style, &TvxGradient::SetStyle)
        .Default(vgLinearGradient);
    b.Object("StartPosition", [](TvxGradient& g) { return &g.StartPosition(); });
    b.Object("StopPosition", [](TvxGradient& g) { return &g.StopPosition(); });
    b.Object("RadialTransform", [](TvxGradient& g) { return &g.RadialTransform(); });
}

void TvxGradientPoint::SetColor(TvxColor c)
{
    if (c == color_)
        return;
    color_ = c;
    Changed();
}

void TvxGradientPoint::SetOffset(float o)
{
    if (o == offset_)
        return;
    offset_ = o;
    Changed();
}

void TvxGradientPoint::Assign(const TPersistent& source)
{
    if (const auto* p = dynamic_cast<const TvxGradientPoint*>(&source)) {
        color_ = p->color_;
        offset_ = p->offset_;
        Changed();
        return;
    }
    TCollectionItem::Assign(source);
}

TvxTransform::TvxTransform()
    : position_(std::make_unique<TvxPosition>(TvxPoint { 0, 0 }))
    , scale_(std::make_unique<TvxPosition>(TvxPoint { 1, 1 }))
    , rotateCenter_(std::make_unique<TvxPosition>(TvxPoint { 0.5f, 0.5f }))
{
    for (auto* p : { position_.get(), scale_.get(), rotateCenter_.get() })
        p->OnChange = [this](TObject*) { Changed(); };
}

void TvxTransform::SetRotateAngle(float a)
{
    if (a == angle_)
        return;
    angle_ = a;
    Changed();
}

TvxMatrix TvxTransform::Matrix() const
{
    TvxMatrix m = TvxMatrix::Scaling(scale_->X(), scale_->Y());
    m.m31 = position_->X();
    m.m32 = position_->Y();
    if (angle_ != 0) {
        // Rows (cos, sin), (-sin, cos): the same turn an object's local matrix makes.
        const double a = angle_ * M_PI / 180.0;
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
    : points_(std::make_unique<TvxGradientPoints>())
    , start_(std::make_unique<TvxPosition>(TvxPoint { 0, 0 }))
    , stop_(std::make_unique<TvxPosition>(TvxPoint { 0, 1 }))
    , radial_(std::make_unique<TvxTransform>())
{
    SetPoints({ { 0xFF000000, 0 }, { 0xFFFFFFFF, 1 } });
    points_->OnUpdate = [this](TCollectionItem*) { Changed(); };
    start_->OnChange = [this](TObject*) { Changed(); };
    stop_->OnChange = [this](TObject*) { Changed(); };
    radial_->OnChange = [this](TObject*) { Changed(); };
}

TvxGradient::~TvxGradient() = default;

std::vector<TvxGradientStop> TvxGradient::Stops() const
{
    std::vector<TvxGradientStop> s;
    s.reserve(size_t(points_->Count()));
    for (int i = 0; i < points_->Count(); ++i)
        s.push_back({ points_->Point(i)->Color(), points_->Point(i)->Offset() });
    return s;
}

void TvxGradient::SetPoints(std::initializer_list<TvxGradientStop> stops)
{
    SetPoints(std::vector<TvxGradientStop>(stops));
}

void TvxGradient::SetPoints(const std::vector<TvxGradientStop>& stops)
{
    if (Stops() == stops)
        return;
    points_->BeginUpdate();
    points_->Clear();
    for (const auto& s : stops) {
        auto* p = static_cast<TvxGradientPoint*>(points_->Add());
        p->SetColor(s.Color);
        p->SetOffset(s.Offset);
    }
    points_->EndUpdate();
}

void TvxGradient::SetStyle(TvxGradientStyle s)
{
    if (s == style_)
        return;
    style_ = s;
    Changed();
}

TvxColor TvxGradient::InterpolateColor(float x) const
{
    const int n = points_->Count();
    if (n < 2)
        return 0;
    x = std::clamp(x, 0.0f, 1.0f);
    const TvxGradientPoint* first = points_->Point(0);
    const TvxGradientPoint* last = points_->Point(n - 1);
    if (x <= first->Offset())
        return first->Color();
    if (x >= last->Offset())
        return last->Color();
    for (int i = 0; i + 1 < n; ++i) {
        const TvxGradientPoint* a = points_->Point(i);
        const TvxGradientPoint* b = points_->Point(i + 1);
        if (x < a->Offset() || x > b->Offset())
            continue;
        const float span = b->Offset() - a->Offset();
        const float t = span > 0 ? (x - a->Offset()) / span : 0;
        TvxColor out = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const int ca = int((a->Color() >> shift) & 0xFF);
            const int cb = int((b->Color() >> shift) & 0xFF);
            const int c = std::clamp(int(std::lround(ca + (cb - ca) * t)), 0, 255);
            out |= TvxColor(c) << shift;
        }
        return out;
    }
    return last->Color();
}

void TvxGradient::Assign(const TPersistent& source)
{
    const auto* o = dynamic_cast<const TvxGradient*>(&source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    if (o == this)
        return;
    // One notification for the whole copy.
    ChangeAsOne([&] {
        points_->Assign(*o->points_);
        style_ = o->style_;
        start_->SetPoint(o->start_->Point());
        stop_->SetPoint(o->stop_->Point());
        radial_->Position().SetPoint(o->radial_->Position().Point());
        radial_->Scale().SetPoint(o->radial_->Scale().Point());
        radial_->RotateCenter().SetPoint(o->radial_->RotateCenter().Point());
        radial_->SetRotateAngle(o->radial_->RotateAngle());
    });
}

} // namespace hx
