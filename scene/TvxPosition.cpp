#include "scene/TvxPosition.h"

#include "scene/ClassBuilder.h"
#include "scene/NumberText.h"

namespace hx {

// X and Y are published for animations ("Position.Y") but stored together as "Point".
HX_REGISTER_CLASS(TvxPosition, TPersistent)
{
    b.Single("X", &TvxPosition::X, &TvxPosition::SetX).Stored(false);
    b.Single("Y", &TvxPosition::Y, &TvxPosition::SetY).Stored(false);
    b.DefinedValue(
        "Point", [](const TvxPosition& p) { return !p.IsDefault(); },
        [](const TvxPosition& p) { return TValue(p.ToText()); },
        [](TvxPosition& p, const TValue& v) {
            auto* s = std::get_if<std::string>(&v);
            p.SetFromText(s ? *s : std::string());
        });
}

TvxPosition::TvxPosition(TvxPoint defaultPoint)
    : point_(defaultPoint)
    , default_(defaultPoint)
{
}

void TvxPosition::SetX(float x)
{
    if (x == point_.X)
        return;
    point_.X = x;
    Changed();
}

void TvxPosition::SetY(float y)
{
    if (y == point_.Y)
        return;
    point_.Y = y;
    Changed();
}

void TvxPosition::SetPoint(TvxPoint p)
{
    point_ = p;
    Changed();
}

std::string TvxPosition::ToText() const
{
    return "(" + FormatStoredFloat(point_.X) + "," + FormatStoredFloat(point_.Y) + ")";
}

void TvxPosition::SetFromText(std::string_view text)
{
    auto v = ParseStoredTuple(text, 2);
    SetPoint(v ? TvxPoint { (*v)[0], (*v)[1] } : TvxPoint {});
}

void TvxPosition::Assign(const TPersistent& source)
{
    if (source.InheritsFrom(TvxPosition::StaticClass()))
        SetPoint(static_cast<const TvxPosition&>(source).Point());
    else
        TPersistent::Assign(source);
}

} // namespace hx
