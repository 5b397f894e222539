#include "scene/canvas/TvxBrush.h"

namespace hx {

TvxBrush::TvxBrush(TvxBrushStyle defaultStyle, TvxColor defaultColor)
    : defaultStyle_(defaultStyle)
    , defaultColor_(defaultColor)
    , style_(defaultStyle)
    , color_(defaultColor)
{
    gradient_.OnChange = [this] { Changed(); };
    bitmap_.OnChange = [this] { Changed(); };
}

void TvxBrush::SetStyle(TvxBrushStyle s)
{
    if (s == style_)
        return;
    style_ = s;
    Changed();
}

void TvxBrush::SetColor(TvxColor c)
{
    if (c == color_)
        return;
    color_ = c;
    Changed();
}

void TvxBrush::SetWrapMode(TvxWrapMode w)
{
    if (w == wrap_)
        return;
    wrap_ = w;
    Changed();
}

void TvxBrush::SetResource(const TvxResourceLink<TvxBrush>& link)
{
    if (link == resource_)
        return;
    resource_ = link;
    Changed();
}

void TvxBrush::SetVisual(IvxVisualSource* v)
{
    if (v == visual_)
        return;
    visual_ = v;
    Changed();
}

void TvxBrush::Assign(const TvxBrush& other)
{
    if (&other == this)
        return;
    // One notification for the whole copy, not one per part.
    auto notify = std::move(OnChange);
    style_ = other.style_;
    color_ = other.color_;
    gradient_.Assign(other.gradient_);
    bitmap_.Assign(other.bitmap_);
    wrap_ = other.wrap_;
    resource_ = other.resource_;
    visual_ = other.visual_;
    OnChange = std::move(notify);
    Changed();
}

} // namespace hx
