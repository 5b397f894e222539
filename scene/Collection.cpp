#include "scene/Collection.h"

#include "platform/Log.h"
#include "scene/ClassBuilder.h"

namespace hx {

HX_REGISTER_CLASS(TCollectionItem, TPersistent) { }
HX_REGISTER_CLASS(TCollection, TPersistent) { }

int TCollectionItem::Index() const
{
    if (!collection_)
        return -1;
    for (int i = 0; i < collection_->Count(); ++i) {
        if (collection_->Item(i) == this)
            return i;
    }
    return -1;
}

void TCollectionItem::Changed()
{
    if (collection_)
        collection_->Changed(this);
}

TCollection::TCollection(const TClassInfo& itemClass)
    : itemClass_(&itemClass)
{
}

TCollection::~TCollection() = default;

TCollectionItem* TCollection::Item(int i) const
{
    return i >= 0 && i < Count() ? items_[static_cast<size_t>(i)].get() : nullptr;
}

TCollectionItem* TCollection::Add()
{
    TPersistent* p = itemClass_->Create(nullptr);
    if (!p || !p->InheritsFrom(TCollectionItem::StaticClass())) {
        delete p;
        Log("scene: collection item class " + itemClass_->Name() + " cannot be created");
        return nullptr;
    }
    auto* item = static_cast<TCollectionItem*>(p);
    item->collection_ = this;
    items_.emplace_back(item);
    Changed(nullptr);
    return item;
}

void TCollection::Delete(int i)
{
    if (i < 0 || i >= Count())
        return;
    items_.erase(items_.begin() + i);
    Changed(nullptr);
}

void TCollection::Clear()
{
    if (items_.empty())
        return;
    items_.clear();
    Changed(nullptr);
}

void TCollection::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0)
        Changed(nullptr);
}

void TCollection::Assign(const TPersistent& source)
{
    if (&source == this)
        return;
    if (!source.InheritsFrom(TCollection::StaticClass())) {
        TPersistent::Assign(source);
        return;
    }
    const auto& src = static_cast<const TCollection&>(source);
    BeginUpdate();
    items_.clear();
    for (int i = 0; i < src.Count(); ++i) {
        if (TCollectionItem* item = Add())
            item->Assign(*src.Item(i));
    }
    EndUpdate();
}

void TCollection::Update(TCollectionItem* item)
{
    if (OnUpdate)
        OnUpdate(item);
}

void TCollection::Changed(TCollectionItem* item)
{
    if (updateCount_ == 0)
        Update(item);
}

} // namespace hx
