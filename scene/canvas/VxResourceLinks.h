// A paint resource's link to a shared resource object: either the object itself or its
// ResourceName, resolved through the program-wide object list when drawn.
#pragma once

#include <functional>
#include <string>

namespace hx {

template <class T> struct TvxResourceLink {
    // The resource object's content when linked by object (set and cleared by that object).
    const T* Object = nullptr;
    std::string ResourceName;

    bool IsSet() const { return Object || !ResourceName.empty(); }
    const T* Resolve() const
    {
        if (Object)
            return Object;
        if (!ResourceName.empty() && Lookup)
            return Lookup(ResourceName);
        return nullptr;
    }
    bool operator==(const TvxResourceLink& o) const { return Object == o.Object && ResourceName == o.ResourceName; }

    // Finds a resource by name; installed by the resource objects (program-wide list).
    static inline std::function<const T*(const std::string&)> Lookup;
};

} // namespace hx
