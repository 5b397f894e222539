#include "scene/canvas/TvxFont.h"

#include "scene/ClassBuilder.h"

namespace hx {

HX_REGISTER_CLASS(TvxFont, TPersistent)
{
    b.String("Family", &TvxFont::Family, &TvxFont::SetFamily).Default(TvxFont::DefaultFamily);
    b.Single("Size", &TvxFont::Size, &TvxFont::SetSize).Default(TvxFont::DefaultSize);
    b.Enum("Style",
         { "vgFontRegular", "vgFontBold", "vgFontItalic", "vgFontBoldItalic", "vgFontUnderline", "vgFontStrikeout" },
         &TvxFont::Style, &TvxFont::SetStyle)
        .Default(vgFontRegular);
    b.Boolean("ClearType", &TvxFont::ClearType, &TvxFont::SetClearType).Default(true);
}

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

void TvxFont::Assign(const TPersistent& source)
{
    const auto* o = dynamic_cast<const TvxFont*>(&source);
    if (!o) {
        TPersistent::Assign(source);
        return;
    }
    if (*this == *o)
        return;
    family_ = o->family_;
    size_ = o->size_;
    style_ = o->style_;
    clearType_ = o->clearType_;
    Changed();
}

} // namespace hx
