#include "scene/ClassRegistry.h"
#include "scene/Collection.h"
#include "scene/TvxBounds.h"
#include "scene/TvxContent.h"
#include "scene/TvxObject.h"
#include "scene/TvxPosition.h"

namespace hx {

void RegisterSceneClasses()
{
    for (const TClassInfo* cls : { &TPersistent::StaticClass(), &TComponent::StaticClass(), &TCollection::StaticClass(),
             &TCollectionItem::StaticClass(), &TvxPosition::StaticClass(), &TvxBounds::StaticClass(),
             &TvxObject::StaticClass(), &TvxContent::StaticClass() })
        RegisterClass(*cls);
}

} // namespace hx
