// The link a paint resource keeps to a shared resource object: the object itself (heard of
// through its back-links, so that its destruction clears the link) or its ResourceName,
// looked up in the program-wide object list when drawn.
#pragma once

#include <string>

namespace hx {

class TPersistent;
class TvxObject;

class TvxResourceLink {
public:
    explicit TvxResourceLink(TPersistent* holder)
        : holder_(holder)
    {
    }
    ~TvxResourceLink();
    TvxResourceLink(const TvxResourceLink&) = delete;
    TvxResourceLink& operator=(const TvxResourceLink&) = delete;

    TvxObject* Object() const { return object_; }
    // Returns false when nothing changed.
    bool SetObject(TvxObject* obj);
    const std::string& Name() const { return name_; }
    bool SetName(const std::string& name);
    bool IsSet() const { return object_ || !name_.empty(); }
    // The object, else the last stored object with that ResourceName; null when neither.
    TvxObject* Resolve() const;
    // The holder's ResourceDestroying: forgets obj when it is the linked one.
    void Forget(TPersistent* obj);
    void CopyFrom(const TvxResourceLink& other);

private:
    TPersistent* holder_;
    TvxObject* object_ = nullptr;
    std::string name_;
};

} // namespace hx
