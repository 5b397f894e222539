// TCollection: an owned, ordered list of items of one class (gradient points, for example),
// stored as one vaCollection value; each item is a persistent with its own properties.
#pragma once

#include "scene/Persistent.h"

#include <memory>
#include <vector>

namespace hx {

class TCollection;

class TCollectionItem : public TPersistent {
    HX_CLASS(TCollectionItem)

    TCollectionItem() = default;
    TCollection* Collection() const { return collection_; }
    int Index() const;

protected:
    // Call from setters: tells the collection that this item changed.
    void Changed();

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
};

class TCollection : public TPersistent {
    HX_CLASS(TCollection)

    explicit TCollection(const TClassInfo& itemClass);
    TCollection()
        : TCollection(TCollectionItem::StaticClass())
    {
    }
    ~TCollection() override;

    const TClassInfo& ItemClass() const { return *itemClass_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TCollectionItem* Item(int i) const; // nullptr outside 0..Count-1
    TCollectionItem* Add(); // a new item of ItemClass at the end
    void Delete(int i);
    void Clear();
    // Brackets a batch of changes: Update runs once at the outermost EndUpdate.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

    // Same item class: replaces the items with copies of source's.
    void Assign(const TPersistent& source) override;

    // Called after any change (item == nullptr: the list itself changed).
    std::function<void(TCollectionItem* item)> OnUpdate;

protected:
    virtual void Update(TCollectionItem* item);

private:
    friend class TCollectionItem;
    void Changed(TCollectionItem* item);

    const TClassInfo* itemClass_;
    std::vector<std::unique_ptr<TCollectionItem>> items_;
    int updateCount_ = 0;
};

} // namespace hx
