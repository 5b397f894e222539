#include "scene/TvxObject.h"

#include "platform/Log.h"
#include "scene/ClassBuilder.h"
#include "scene/IvxScene.h"
#include "scene/ObjectList.h"
#include "scene/ObjectReader.h"
#include "scene/ObjectText.h"
#include "scene/ObjectWriter.h"

#include <algorithm>

namespace hx {

size_t EnterObjectList(TvxObject* obj);
void LeaveObjectList(TvxObject* obj, size_t slot);

HX_REGISTER_CLASS(TvxObject, TComponent)
{
    b.Integer("Index", &TvxObject::Index, &TvxObject::SetIndex).Stored(false);
    b.Component<TvxObject>("Parent", &TvxObject::Parent, &TvxObject::SetParent).Stored(false);
    b.String("BindingName", &TvxObject::BindingName, &TvxObject::SetBindingName).Default("");
    b.String("ResourceName", &TvxObject::ResourceName, &TvxObject::SetResourceName).Default("");
}

TvxObject::TvxObject(TComponent* owner)
    : TvxObject(owner, false)
{
}

TvxObject::TvxObject(TComponent* owner, bool isVisual)
    : TComponent(owner)
    , isVisual_(isVisual)
{
    listSlot_ = EnterObjectList(this);
}

TvxObject::~TvxObject()
{
    NotifySceneOfSubtree();
    std::vector<TPersistent*> links;
    links.swap(backLinks_);
    for (TPersistent* p : links) {
        p->ResourceDestroying(this);
        if (p->InheritsFrom(TComponent::StaticClass()))
            static_cast<TComponent*>(p)->Notification(this, opRemove);
    }
    LeaveObjectList(this, listSlot_);
    LeaveParentOrScene();
    scene_ = nullptr;
    DeleteChildren();
}

// The scene hears of a whole subtree before it is destroyed: children lose their scene link
// before their own destructors run, and no focus, capture or hover pointer may outlive them.
void TvxObject::NotifySceneOfSubtree()
{
    if (!scene_)
        return;
    std::vector<TvxObject*> subtree;
    AddObjectsToList(subtree);
    for (TvxObject* o : subtree)
        scene_->Notification(o, opRemove);
}

void TvxObject::SetScene(IvxScene* scene)
{
    scene_ = scene;
    for (TvxObject* c : children_)
        c->SetScene(scene);
}

void TvxObject::ParentChanged() { }

void TvxObject::LeaveParentOrScene()
{
    if (parent_)
        parent_->RemoveObject(this);
    else if (scene_) {
        IvxScene* scene = scene_;
        scene->RemoveObject(this);
        if (scene_ == scene)
            SetScene(nullptr);
    }
}

void TvxObject::SetParent(TvxObject* parent)
{
    if (parent == parent_)
        return;
    LeaveParentOrScene();
    if (parent)
        parent->AddObject(this);
}

static TvxObject* FindByBindingName(TvxObject* obj, std::string_view name)
{
    if (SameText(obj->BindingName(), name))
        return obj;
    for (TvxObject* c : obj->Children()) {
        if (TvxObject* r = FindByBindingName(c, name))
            return r;
    }
    return nullptr;
}

TValue TvxObject::GetBindingValue(std::string_view name)
{
    TvxObject* obj = FindByBindingName(this, name);
    return obj ? obj->GetData() : TValue();
}

void TvxObject::SetBindingValue(std::string_view name, const TValue& value)
{
    TvxObject* obj = FindByBindingName(this, name);
    if (!obj)
        return;
    try {
        obj->SetData(value);
    } catch (...) {
        // A data setter that refuses the value leaves the object as it was.
    }
}

TValue TvxObject::GetData() const { return Name(); }

void TvxObject::SetData(const TValue&) { }

std::string TvxObject::GetItemClassName() const { return {}; }

void TvxObject::AddObject(TvxObject* obj)
{
    if (!obj || obj == this || obj->parent_ == this)
        return;
    for (TvxObject* p = parent_; p; p = p->parent_) {
        if (p == obj) {
            Log("scene: refused to add " + obj->ClassName() + " below its own descendant");
            return;
        }
    }
    obj->LeaveParentOrScene();
    if (children_.capacity() == 0)
        children_.reserve(10);
    children_.push_back(obj);
    obj->parent_ = this;
    obj->cachedIndex_ = static_cast<int>(children_.size()) - 1;
    obj->SetScene(scene_);
    obj->ParentChanged();
    ChildAdded(obj);
}

void TvxObject::RemoveObject(TvxObject* obj)
{
    auto it = std::find(children_.begin(), children_.end(), obj);
    if (!obj || it == children_.end())
        return;
    ChildRemoving(obj);
    obj->parent_ = nullptr;
    obj->SetScene(nullptr);
    size_t index = static_cast<size_t>(it - children_.begin());
    children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(index));
    obj->cachedIndex_ = -1;
    ResetChildIndexes(index);
    ChildRemoved(obj);
}

void TvxObject::Exchange(TvxObject* a, TvxObject* b)
{
    auto ia = std::find(children_.begin(), children_.end(), a);
    auto ib = std::find(children_.begin(), children_.end(), b);
    if (!a || !b || ia == children_.end() || ib == children_.end() || a == b)
        return;
    std::iter_swap(ia, ib);
    std::swap(a->cachedIndex_, b->cachedIndex_);
    if (isVisual_ && !IsLoading())
        Realign();
}

void TvxObject::DeleteChildren()
{
    while (!children_.empty()) {
        TvxObject* c = children_.back();
        children_.pop_back();
        c->parent_ = nullptr;
        c->NotifySceneOfSubtree();
        c->SetScene(nullptr);
        delete c;
    }
    children_ = {};
    ChildrenDeleted();
}

TvxObject* TvxObject::FindByResourceName(std::string_view name)
{
    if (name.empty())
        return nullptr;
    for (TvxObject* c : children_) {
        if (SameText(c->ResourceName(), name))
            return c;
        if (!c->IsControl()) {
            if (TvxObject* r = c->FindByResourceName(name))
                return r;
        }
    }
    return nullptr;
}

void TvxObject::UpdateStyle()
{
    if (IsLoading() || IsDestroying())
        return;
    for (size_t i = 0; i < children_.size(); ++i)
        children_[i]->UpdateStyle();
}

void TvxObject::StartAnimation(std::string_view) { }
void TvxObject::StopAnimation(std::string_view) { }
void TvxObject::StartTriggerAnimation(TvxObject*, std::string_view) { }
void TvxObject::StartTriggerAnimationWait(TvxObject*, std::string_view) { }
void TvxObject::StopTriggerAnimation(TvxObject*) { }
void TvxObject::ApplyTriggerEffect(TvxObject*, std::string_view) { }

TvxObject* TvxObject::Child(int i) const
{
    return i >= 0 && i < ChildrenCount() ? children_[static_cast<size_t>(i)] : nullptr;
}

int TvxObject::Index() const
{
    if (!parent_)
        return -1;
    if (cachedIndex_ < 0) {
        const auto& list = parent_->children_;
        auto it = std::find(list.begin(), list.end(), this);
        cachedIndex_ = it == list.end() ? -1 : static_cast<int>(it - list.begin());
    }
    return cachedIndex_;
}

void TvxObject::SetIndex(int index)
{
    if (!parent_)
        return;
    auto& list = parent_->children_;
    int count = static_cast<int>(list.size());
    index = std::clamp(index, 0, count - 1);
    int current = Index();
    if (current < 0 || current == index)
        return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + index, this);
    parent_->ResetChildIndexes();
    if (isVisual_ && parent_->isVisual_ && !IsLoading())
        parent_->Realign();
}

void TvxObject::BringToFront()
{
    if (!parent_)
        return;
    auto& list = parent_->children_;
    list.erase(std::find(list.begin(), list.end(), this));
    list.push_back(this);
    parent_->ResetChildIndexes();
    Repaint();
}

void TvxObject::SendToBack()
{
    if (!parent_)
        return;
    auto& list = parent_->children_;
    list.erase(std::find(list.begin(), list.end(), this));
    list.insert(list.begin(), this);
    parent_->ResetChildIndexes();
    parent_->Realign();
}

void TvxObject::SortChildren(const std::function<int(TvxObject*, TvxObject*)>& cmp)
{
    std::stable_sort(children_.begin(), children_.end(), [&](TvxObject* a, TvxObject* b) { return cmp(a, b) < 0; });
    ResetChildIndexes();
}

void TvxObject::AddObjectsToList(std::vector<TvxObject*>& list)
{
    list.push_back(this);
    for (TvxObject* c : children_)
        c->AddObjectsToList(list);
}

void TvxObject::AddControlsToList(std::vector<TvxObject*>& list)
{
    if (IsControl())
        list.push_back(this);
    for (TvxObject* c : children_)
        c->AddControlsToList(list);
}

void TvxObject::SetStored(bool stored)
{
    stored_ = stored;
    for (TvxObject* c : children_)
        c->SetStored(stored);
}

TvxObject* TvxObject::Clone(TComponent* owner)
{
    std::string name = Name();
    SetName({});
    std::vector<uint8_t> data = WriteComponentToBinary(*this);
    SetName(name);
    TPersistent* p = ClassType().Create(owner);
    if (!p)
        return nullptr;
    auto* copy = static_cast<TvxObject*>(p);
    copy->LoadFromBinary(data);
    return copy;
}

void TvxObject::LoadFromBinary(std::span<const uint8_t> data)
{
    TReadOptions options;
    options.clearNames = true;
    bool designing = IsDesigning();
    if (!designing)
        SetDesigning(true);
    ReadComponentFromBinary(data, *this, options);
    if (!designing)
        SetDesigning(false);
}

bool TvxObject::LoadFromText(std::string_view text)
{
    std::vector<uint8_t> data;
    if (!ObjectTextToBinary(text, data))
        return false;
    LoadFromBinary(data);
    return true;
}

std::vector<uint8_t> TvxObject::SaveToBinary() const { return WriteComponentToBinary(*this); }

std::string TvxObject::SaveToText() const
{
    std::string text;
    ObjectBinaryToText(SaveToBinary(), text);
    return text;
}

TvxObject* TvxObject::CreateFromBinary(std::span<const uint8_t> data, TComponent* owner)
{
    std::optional<std::string> className = ReadRootClassName(data);
    if (!className) {
        Log("scene: object stream without a root object");
        return nullptr;
    }
    const TClassInfo* cls = FindClass(*className);
    if (!cls || !cls->InheritsFrom(TvxObject::StaticClass()) || !cls->IsCreatable()) {
        Log("scene: object stream names an unknown class " + *className);
        return nullptr;
    }
    auto* obj = static_cast<TvxObject*>(cls->Create(owner));
    obj->LoadFromBinary(data);
    return obj;
}

TvxObject* TvxObject::CreateFromText(std::string_view text, TComponent* owner)
{
    std::vector<uint8_t> data;
    if (!ObjectTextToBinary(text, data))
        return nullptr;
    return CreateFromBinary(data, owner);
}

void TvxObject::AddBackLink(TPersistent* p)
{
    if (p && std::find(backLinks_.begin(), backLinks_.end(), p) == backLinks_.end())
        backLinks_.push_back(p);
}

void TvxObject::RemoveBackLink(TPersistent* p)
{
    backLinks_.erase(std::remove(backLinks_.begin(), backLinks_.end(), p), backLinks_.end());
}

void TvxObject::GetChildren(const ChildProc& proc, TComponent*) const
{
    if (IsStreamTransparent())
        return;
    std::function<void(const TvxObject*)> report = [&](const TvxObject* o) {
        for (TvxObject* c : o->children_) {
            if (!c->stored_)
                continue;
            if (c->IsStreamTransparent())
                report(c);
            else
                proc(c);
        }
    };
    report(this);
}

TComponent* TvxObject::GetParentComponent() const
{
    TvxObject* p = parent_;
    while (p && p->IsSkippedStreamParent())
        p = p->parent_;
    if (p)
        return p;
    return scene_ ? scene_->GetComponent() : nullptr;
}

void TvxObject::SetParentComponent(TComponent* parent)
{
    LeaveParentOrScene();
    if (!parent)
        return;
    if (parent->InheritsFrom(TvxObject::StaticClass()))
        static_cast<TvxObject*>(parent)->AddObject(this);
    else if (auto* scene = dynamic_cast<IvxScene*>(parent))
        scene->AddObject(this);
}

void TvxObject::ChildAdded(TvxObject*) { }
void TvxObject::ChildRemoving(TvxObject*) { }
void TvxObject::ChildRemoved(TvxObject*) { }
void TvxObject::ChildrenDeleted() { }
void TvxObject::Realign() { }
void TvxObject::Repaint() { }

void TvxObject::ResetChildIndexes(size_t from)
{
    for (size_t i = from; i < children_.size(); ++i)
        children_[i]->cachedIndex_ = -1;
}

} // namespace hx
