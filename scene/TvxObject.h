// TvxObject: a component with an ordered, owned list of child objects, a parent and a scene
// link; found by ResourceName; copied (Clone) and stored through the object stream.
#pragma once

#include "scene/Component.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hx {

class IvxScene;

class TvxObject : public TComponent {
    HX_CLASS(TvxObject)

    explicit TvxObject(TComponent* owner);
    ~TvxObject() override;

    // Virtual operations, in slot order.
    virtual void SetScene(IvxScene* scene); // stores the link and passes it to every child
    virtual void ParentChanged(); // after the object was added to a parent; empty
    virtual void SetParent(TvxObject* parent);
    // Data binding: the object with that BindingName (itself first, then depth first).
    virtual TValue GetBindingValue(std::string_view name);
    virtual void SetBindingValue(std::string_view name, const TValue& value);
    virtual TValue GetData() const; // the base gives the component Name
    virtual void SetData(const TValue& value); // the base ignores it
    virtual std::string GetItemClassName() const;
    virtual void AddObject(TvxObject* obj);
    virtual void RemoveObject(TvxObject* obj);
    virtual void Exchange(TvxObject* a, TvxObject* b);
    virtual void DeleteChildren();
    virtual TvxObject* FindByResourceName(std::string_view name);
    virtual void UpdateStyle();
    // Animations and effects among the children react to these (the animation classes
    // provide the walk); the base does nothing.
    virtual void StartAnimation(std::string_view name);
    virtual void StopAnimation(std::string_view name);
    virtual void StartTriggerAnimation(TvxObject* instance, std::string_view trigger);
    virtual void StartTriggerAnimationWait(TvxObject* instance, std::string_view trigger);
    virtual void StopTriggerAnimation(TvxObject* instance);
    virtual void ApplyTriggerEffect(TvxObject* instance, std::string_view trigger);

    // Tree.
    TvxObject* Parent() const { return parent_; }
    IvxScene* Scene() const { return scene_; }
    int ChildrenCount() const { return static_cast<int>(children_.size()); }
    TvxObject* Child(int i) const; // nullptr outside 0..count-1
    const std::vector<TvxObject*>& Children() const { return children_; }
    int Index() const; // position in the parent's list, -1 without a parent
    void SetIndex(int index);
    void BringToFront();
    void SendToBack();
    // cmp(a, b) < 0 puts a first; the sort is stable.
    void SortChildren(const std::function<int(TvxObject*, TvxObject*)>& cmp);
    // The object first, then each child's subtree in order.
    void AddObjectsToList(std::vector<TvxObject*>& list);
    // Every control (IsControl) of the subtree, in the same order.
    void AddControlsToList(std::vector<TvxObject*>& list);

    // Visual-object slots (empty here): lay the children out again; repaint the object's area.
    virtual void Realign();
    virtual void Repaint();

    bool IsVisual() const { return isVisual_; }
    virtual bool IsControl() const { return false; }
    bool Stored() const { return stored_; }
    void SetStored(bool stored); // the whole subtree
    const std::string& ResourceName() const { return resourceName_; }
    void SetResourceName(const std::string& name) { resourceName_ = name; }
    const std::string& BindingName() const { return bindingName_; }
    void SetBindingName(const std::string& name) { bindingName_ = name; }

    // Copying and storing.
    TvxObject* Clone(TComponent* owner); // same class, same stored properties and children
    // Reads into this object: names cleared, errors ignored, design mode around the read.
    void LoadFromBinary(std::span<const uint8_t> data);
    bool LoadFromText(std::string_view text);
    std::vector<uint8_t> SaveToBinary() const;
    std::string SaveToText() const;
    // Creates an object of the stream's registered class; nullptr on any failure.
    static TvxObject* CreateFromBinary(std::span<const uint8_t> data, TComponent* owner);
    static TvxObject* CreateFromText(std::string_view text, TComponent* owner);

    // Persistents that use this object as their resource (brushes, bitmaps, path data).
    void AddBackLink(TPersistent* p);
    void RemoveBackLink(TPersistent* p);

    // Component streaming.
    void GetChildren(const ChildProc& proc, TComponent* root) const override;
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;

protected:
    TvxObject(TComponent* owner, bool isVisual);

    // Visual-object slots the tree calls; a TvxVisualObject fills them in.
    // After obj joined this object's list (obj's Parent and scene are set).
    virtual void ChildAdded(TvxObject* obj);
    // Before obj leaves this object's list.
    virtual void ChildRemoving(TvxObject* obj);
    // After obj left (its Parent and scene cleared).
    virtual void ChildRemoved(TvxObject* obj);
    // After DeleteChildren dropped the list (a visual object drops its tab list).
    virtual void ChildrenDeleted();
    // The object stands in for its children in stored forms (TvxContent): its children are
    // written in its place and it does not count as their stream parent.
    virtual bool IsStreamTransparent() const { return false; }
    // Also skipped as a stream parent, but written itself (a combo box's list box).
    virtual bool IsSkippedStreamParent() const { return IsStreamTransparent(); }

    void ResetChildIndexes(size_t from = 0);

private:
    void LeaveParentOrScene();
    void NotifySceneOfSubtree();

    std::vector<TvxObject*> children_;
    TvxObject* parent_ = nullptr;
    IvxScene* scene_ = nullptr;
    std::vector<TPersistent*> backLinks_;
    std::string resourceName_;
    std::string bindingName_;
    mutable int cachedIndex_ = -1;
    size_t listSlot_ = 0;
    bool isVisual_ = false;
    bool stored_ = true;
};

} // namespace hx
