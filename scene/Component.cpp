#include "scene/Component.h"

#include "scene/ClassBuilder.h"

#include <algorithm>

namespace hx {

HX_REGISTER_CLASS(TComponent, TPersistent) { b.Integer("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0); }

TComponent::TComponent(TComponent* owner)
{
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    state_ |= csDestroying;
    std::vector<TComponent*> notifies;
    notifies.swap(freeNotifies_);
    for (TComponent* c : notifies) {
        auto& theirs = c->freeNotifies_;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        c->Notification(this, opRemove);
    }
    while (!components_.empty()) {
        TComponent* c = components_.back();
        components_.pop_back();
        c->owner_ = nullptr;
        delete c;
    }
    if (owner_)
        owner_->RemoveComponent(this);
}

void TComponent::SetName(const std::string& name) { name_ = name; }

TComponent* TComponent::Component(int i) const
{
    return i >= 0 && i < ComponentCount() ? components_[static_cast<size_t>(i)] : nullptr;
}

TComponent* TComponent::FindComponent(std::string_view name) const
{
    if (name.empty())
        return nullptr;
    for (TComponent* c : components_) {
        if (SameText(c->name_, name))
            return c;
    }
    return nullptr;
}

void TComponent::InsertComponent(TComponent* c)
{
    if (!c || c->owner_ == this)
        return;
    if (c->owner_)
        c->owner_->RemoveComponent(c);
    components_.push_back(c);
    c->owner_ = this;
    if (IsDesigning())
        c->SetDesigning(true);
    Notification(c, opInsert);
}

void TComponent::RemoveComponent(TComponent* c)
{
    if (!c || c->owner_ != this)
        return;
    Notification(c, opRemove);
    components_.erase(std::remove(components_.begin(), components_.end(), c), components_.end());
    c->owner_ = nullptr;
}

void TComponent::SetLoadingState(bool loading)
{
    if (loading)
        state_ |= csLoading | csReading;
    else
        state_ &= ~(csLoading | csReading);
}

void TComponent::SetDesigning(bool designing, bool ownedToo)
{
    if (designing)
        state_ |= csDesigning;
    else
        state_ &= ~csDesigning;
    if (ownedToo) {
        for (TComponent* c : components_)
            c->SetDesigning(designing, true);
    }
}

void TComponent::FreeNotification(TComponent* other)
{
    if (!other || other == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end()) {
        freeNotifies_.push_back(other);
        other->freeNotifies_.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* other)
{
    if (!other)
        return;
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), other), freeNotifies_.end());
    auto& theirs = other->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component)
        RemoveFreeNotification(component);
    // Index loop: a handler may remove components from the list.
    for (size_t i = components_.size(); i-- > 0;) {
        if (i < components_.size() && components_[i] != component)
            components_[i]->Notification(component, operation);
    }
}

void TComponent::GetChildren(const ChildProc&, TComponent*) const { }

void TComponent::SetParentComponent(TComponent*) { }

std::string TComponent::EventHandlerName(std::string_view eventName) const
{
    auto it = handlers_.find(LowerAscii(eventName));
    return it == handlers_.end() ? std::string() : it->second;
}

void TComponent::SetEventHandlerName(std::string_view eventName, std::string handler)
{
    if (handler.empty())
        handlers_.erase(LowerAscii(eventName));
    else
        handlers_[LowerAscii(eventName)] = std::move(handler);
}

} // namespace hx
