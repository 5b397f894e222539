#include "scene/TvxBounds.h"

#include "scene/ClassBuilder.h"
#include "scene/NumberText.h"

namespace hx {

HX_REGISTER_CLASS(TvxBounds, TPersistent)
{
    b.Single("Left", &TvxBounds::Left, &TvxBounds::SetLeft).Stored(false);
    b.Single("Top", &TvxBounds::Top, &TvxBounds::SetTop).Stored(false);
    b.Single("Right", &TvxBounds::Right, &TvxBounds::SetRight).Stored(false);
    b.Single("Bottom", &TvxBounds::Bottom, &TvxBounds::SetBottom).Stored(false);
    b.DefinedValue(
        "Rect", [](const TvxBounds& r) { return !r.IsDefault(); },
        [](const TvxBounds& r) { return TValue(r.ToText()); },
        [](TvxBounds& r, const TValue& v) {
            auto* s = std::get_if<std::string>(&v);
            r.SetFromText(s ? *s : std::string());
        });
}

TvxBounds::TvxBounds(TvxRect defaultRect)
    : rect_(defaultRect)
    , default_(defaultRect)
{
}

void TvxBounds::SetLeft(float v)
{
    if (v == rect_.Left)
        return;
    rect_.Left = v;
    Changed();
}

void TvxBounds::SetTop(float v)
{
    if (v == rect_.Top)
        return;
    rect_.Top = v;
    Changed();
}

void TvxBounds::SetRight(float v)
{
    if (v == rect_.Right)
        return;
    rect_.Right = v;
    Changed();
}

void TvxBounds::SetBottom(float v)
{
    if (v == rect_.Bottom)
        return;
    rect_.Bottom = v;
    Changed();
}

void TvxBounds::SetRect(TvxRect r)
{
    if (r == rect_)
        return;
    rect_ = r;
    Changed();
}

TvxRect TvxBounds::MarginRect(TvxRect r) const
{
    return { r.Left + rect_.Left, r.Top + rect_.Top, r.Right - rect_.Right, r.Bottom - rect_.Bottom };
}

std::string TvxBounds::ToText() const
{
    return "(" + FormatStoredFloat(rect_.Left) + "," + FormatStoredFloat(rect_.Top) + ","
        + FormatStoredFloat(rect_.Right) + "," + FormatStoredFloat(rect_.Bottom) + ")";
}

void TvxBounds::SetFromText(std::string_view text)
{
    auto v = ParseStoredTuple(text, 4);
    SetRect(v ? TvxRect { (*v)[0], (*v)[1], (*v)[2], (*v)[3] } : TvxRect {});
}

void TvxBounds::Assign(const TPersistent& source)
{
    if (source.InheritsFrom(TvxBounds::StaticClass()))
        SetRect(static_cast<const TvxBounds&>(source).Rect());
    else
        TPersistent::Assign(source);
}

} // namespace hx
