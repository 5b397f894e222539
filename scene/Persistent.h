// TObject is the root of every toolkit class (event senders are TObject*); TPersistent is a
// value-like object with published properties (ClassInfo.h) and Assign.
#pragma once

#include "scene/ClassInfo.h"

#include <string>

namespace hx {

class TObject {
public:
    virtual ~TObject() = default;
    virtual const TClassInfo& ClassType() const = 0;
    const std::string& ClassName() const { return ClassType().Name(); }
    bool InheritsFrom(const TClassInfo& cls) const { return ClassType().InheritsFrom(cls); }
};

using TNotifyEvent = std::function<void(TObject* sender)>;

class TPersistent : public TObject {
    HX_CLASS(TPersistent)

    TPersistent() = default;
    TPersistent(const TPersistent&) = delete;
    TPersistent& operator=(const TPersistent&) = delete;

    // Copies source into this object. The base copies, when source is of this object's class
    // or a descendant, every writable property of the table (sub-objects through their own
    // Assign) and every defined property; otherwise it asks source.AssignTo(*this) and logs
    // when that refuses too.
    virtual void Assign(const TPersistent& source);

    // A TvxObject this object names as its resource (a brush's resource, a bitmap's
    // resource object) is being destroyed: drop the reference. The base does nothing.
    virtual void ResourceDestroying(TPersistent* resource);

protected:
    // The reverse hook of Assign: return true when this object wrote itself into dest.
    virtual bool AssignTo(TPersistent& dest) const;
};

// Copies every writable, table-listed property (and defined property) that both classes have.
void AssignProperties(TPersistent& dest, const TPersistent& source);

} // namespace hx
