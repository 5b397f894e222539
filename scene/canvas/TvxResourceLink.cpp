#include "scene/canvas/TvxResourceLink.h"

#include "scene/ObjectList.h"
#include "scene/TvxObject.h"

namespace hx {

TvxResourceLink::~TvxResourceLink()
{
    if (object_)
        object_->RemoveBackLink(holder_);
}

bool TvxResourceLink::SetObject(TvxObject* obj)
{
    if (obj == object_)
        return false;
    if (object_)
        object_->RemoveBackLink(holder_);
    object_ = obj;
    if (object_)
        object_->AddBackLink(holder_);
    return true;
}

bool TvxResourceLink::SetName(const std::string& name)
{
    if (name == name_)
        return false;
    name_ = name;
    return true;
}

TvxObject* TvxResourceLink::Resolve() const
{
    if (object_)
        return object_;
    return name_.empty() ? nullptr : FindStoredObjectByResourceName(name_);
}

void TvxResourceLink::Forget(TPersistent* obj)
{
    if (object_ && static_cast<TPersistent*>(object_) == obj)
        object_ = nullptr; // the object cleared its back-links itself
}

void TvxResourceLink::CopyFrom(const TvxResourceLink& other)
{
    SetObject(other.object_);
    name_ = other.name_;
}

} // namespace hx
