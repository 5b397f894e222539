// The font a canvas draws text with: family, em size in pixels, one style, ClearType hint.
// Setters act only on a change and then notify.
#pragma once

#include "scene/ChangeNotifier.h"
#include "scene/Persistent.h"

#include <string>

namespace hx {

enum TvxFontStyle { vgFontRegular, vgFontBold, vgFontItalic, vgFontBoldItalic, vgFontUnderline, vgFontStrikeout };

class TvxFont : public TPersistent, public TChangeNotifier<TvxFont> {
    HX_CLASS(TvxFont)

    static constexpr const char* DefaultFamily = "Tahoma";
    static constexpr float DefaultSize = 11;

    TvxFont() = default;

    const std::string& Family() const { return family_; }
    void SetFamily(const std::string& f);
    float Size() const { return size_; }
    void SetSize(float s);
    TvxFontStyle Style() const { return style_; }
    void SetStyle(TvxFontStyle s);
    bool ClearType() const { return clearType_; }
    void SetClearType(bool b);

    void Assign(const TPersistent& source) override;
    bool operator==(const TvxFont& o) const
    {
        return family_ == o.family_ && size_ == o.size_ && style_ == o.style_ && clearType_ == o.clearType_;
    }

private:
    std::string family_ = DefaultFamily; // UTF-8
    float size_ = DefaultSize;
    TvxFontStyle style_ = vgFontRegular;
    bool clearType_ = true;
};

} // namespace hx
