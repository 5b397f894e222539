#include "scene/canvas/TvxFont.h"

namespace hx {

void TvxFont::SetFamily(const std::string& f)
{
    if (f == family_)
        return;
    family_ = f;
    Changed();
}

void TvxFont::SetSize(float s)
{
    if (s == size_)
        return;
    size_ = s;
    Changed();
}

void TvxFont::SetStyle(TvxFontStyle s)
{
    if (s == style_)
        return;
    style_ = s;
    Changed();
}

void TvxFont::SetClearType(bool b)
{
    if (b == clearType_)
        return;
    clearType_ = b;
    Changed();
}

void TvxFont::Assign(const TvxFont& o)
{
    if (*this == o)
        return;
    family_ = o.family_;
    size_ = o.size_;
    style_ = o.style_;
    clearType_ = o.clearType_;
    Changed();
}

} // namespace hx
