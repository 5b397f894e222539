// TComponent: a named persistent with an owner that frees it, the loading/designing state,
// the Loaded and Notification hooks, and the streaming hooks the object reader and writer use.
#pragma once

#include "scene/Persistent.h"

#include <map>
#include <string>
#include <vector>

namespace hx {

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0, // from the first property read to Loaded
    csReading = 1u << 1, // while the reader sets properties
    csDesigning = 1u << 2, // in design mode (also set around a layout read)
    csDestroying = 1u << 3,
};

class TComponent : public TPersistent {
    HX_CLASS(TComponent)

    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    const std::string& Name() const { return name_; }
    virtual void SetName(const std::string& name);
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Component(int i) const;
    TComponent* FindComponent(std::string_view name) const; // owned components, case-insensitive
    void InsertComponent(TComponent* c); // takes ownership; leaves its previous owner
    void RemoveComponent(TComponent* c); // gives up ownership (does not free)

    unsigned ComponentState() const { return state_; }
    bool IsLoading() const { return state_ & csLoading; }
    bool IsDesigning() const { return state_ & csDesigning; }
    bool IsDestroying() const { return state_ & csDestroying; }
    void SetLoadingState(bool loading); // csLoading | csReading, used by the reader
    // Design mode, also for every owned component (new owned components inherit it).
    void SetDesigning(bool designing, bool ownedToo = true);

    // Ask for Notification(this, opRemove) on other when this component is destroyed, and
    // the other way round. Both sides forget each other automatically.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    // The reader calls Loaded on every component it read, after csLoading was cleared.
    virtual void Loaded() { }
    // A component this one knows is going away (opRemove) or was inserted (opInsert). The
    // base passes it on to every owned component.
    virtual void Notification(TComponent* component, TOperation operation);

    // Streaming hooks (object writer and reader).
    using ChildProc = std::function<void(TComponent*)>;
    // Reports the components written as this one's children. The base reports none.
    virtual void GetChildren(const ChildProc& proc, TComponent* root) const;
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent* parent);

    // Handler names of event properties, as read from or written to a stored form.
    std::string EventHandlerName(std::string_view eventName) const;
    void SetEventHandlerName(std::string_view eventName, std::string handler);

private:
    std::string name_;
    int tag_ = 0;
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    std::map<std::string, std::string> handlers_; // lower-case event name -> handler
    unsigned state_ = 0;
};

} // namespace hx
