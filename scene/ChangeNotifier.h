// The "I changed" signal that value objects (geometry, paint resources) give their owner:
// an OnChange event fired with the object as sender, and a way to make many changes count
// as one notification.
#pragma once

#include "scene/Persistent.h"

#include <utility>

namespace hx {

template <class Owner> class TChangeNotifier {
public:
    TNotifyEvent OnChange;

protected:
    void Changed()
    {
        if (OnChange)
            OnChange(static_cast<Owner*>(this));
    }

    // Runs `change` with the event held back, then notifies once for all of it.
    template <class Fn> void ChangeAsOne(Fn&& change)
    {
        auto notify = std::move(OnChange);
        OnChange = nullptr;
        std::forward<Fn>(change)();
        OnChange = std::move(notify);
        Changed();
    }
};

} // namespace hx
