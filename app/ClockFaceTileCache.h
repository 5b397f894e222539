// A least-recently-used store with a byte budget, for the clock face's reusable pieces.
// Values report their own size in `bytes`; the oldest entries go once the budget is passed.
#pragma once

#include <cstddef>
#include <list>
#include <unordered_map>
#include <utility>

namespace hx {

template <typename Key, typename Value, typename Hash> class ClockFaceTileCache {
public:
    explicit ClockFaceTileCache(size_t budgetBytes)
        : budget_(budgetBytes)
    {
    }

    // nullptr when absent; a hit becomes the most recently used.
    const Value* Find(const Key& key)
    {
        auto it = index_.find(key);
        if (it == index_.end())
            return nullptr;
        order_.splice(order_.begin(), order_, it->second);
        return &it->second->second;
    }

    // Stores value and evicts the least recently used others until the budget holds. The
    // returned pointer stays valid until the next Insert or Clear.
    const Value* Insert(Key key, Value value)
    {
        if (auto it = index_.find(key); it != index_.end()) {
            bytes_ -= it->second->second.bytes;
            order_.erase(it->second);
            index_.erase(it);
        }
        bytes_ += value.bytes;
        order_.emplace_front(std::move(key), std::move(value));
        index_.emplace(order_.front().first, order_.begin());
        while (bytes_ > budget_ && order_.size() > 1) {
            bytes_ -= order_.back().second.bytes;
            index_.erase(order_.back().first);
            order_.pop_back();
        }
        return &order_.front().second;
    }

    void Clear()
    {
        index_.clear();
        order_.clear();
        bytes_ = 0;
    }

    size_t Size() const { return index_.size(); }
    size_t Bytes() const { return bytes_; }

private:
    using Entry = std::pair<Key, Value>;
    size_t budget_;
    size_t bytes_ = 0;
    std::list<Entry> order_; // most recently used first
    std::unordered_map<Key, typename std::list<Entry>::iterator, Hash> index_;
};

} // namespace hx
