#include "scene/TvxContent.h"

#include "scene/ClassBuilder.h"

namespace hx {

HX_REGISTER_CLASS(TvxContent, TvxObject) { }

TvxContent::TvxContent(TComponent* owner)
    : TvxObject(owner, true)
{
}

void TvxContent::Realign()
{
    if (realigning_ || IsLoading())
        return;
    realigning_ = true;
    if (Parent() && Parent()->IsVisual())
        Parent()->Realign();
    realigning_ = false;
}

} // namespace hx
