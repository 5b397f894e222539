// TvxContent: the place in a style where a control's own children or drawn content go. In a
// stored form its children are written in its place, and it is never written itself.
#pragma once

#include "scene/TvxObject.h"

namespace hx {

// FIXME: becomes a TvxVisualObject when visual objects land; until then it is a visual
// TvxObject so that the tree's visual rules already apply to it.
class TvxContent : public TvxObject {
    HX_CLASS(TvxContent)

    explicit TvxContent(TComponent* owner);

protected:
    bool IsStreamTransparent() const override { return true; }
    // Realigning content also realigns the parent (guarded against re-entry).
    void Realign() override;

private:
    bool realigning_ = false;
};

} // namespace hx
