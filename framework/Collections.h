// Owned-item collections: a collection owns its items and destroys them when they are
// cleared or the collection goes.
#pragma once

#include <algorithm>
#include <concepts>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/Exceptions.h"

namespace capspect {

// The base of every collection item.
class TCollectionItem {
public:
    TCollectionItem() = default;
    virtual ~TCollectionItem() = default;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;
};

// What Notify reports to a derived collection.
enum class TCollectionNotification {
    cnAdded,       // the item has just joined the collection
    cnExtracting,  // the item is about to leave the collection (and be destroyed)
};

// A collection that owns its items. Derived collections learn of items joining and leaving
// through Notify and of every change through Update; the base never calls either from its
// destructor, so a collection that is being destroyed sends no notifications.
template <typename TItem>
requires std::derived_from<TItem, TCollectionItem>
class TCollection {
public:
    TCollection() = default;
    virtual ~TCollection() { ClearItems(); }
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    // Appends a new item made from `args` and answers it. When Notify rejects the item by
    // throwing, the item is removed again and the exception passes on, so a failed Add
    // leaves the collection as it was.
    template <typename... Args>
    TItem& Add(Args&&... args) {
        FItems.push_back(std::make_unique<TItem>(std::forward<Args>(args)...));
        TItem& item = *FItems.back();
        try {
            Notify(item, Count() - 1, TCollectionNotification::cnAdded);
        } catch (...) {
            FItems.pop_back();
            throw;
        }
        Changed();
        return item;
    }

    int Count() const { return static_cast<int>(FItems.size()); }

    // Raises EListError for an index outside 0 .. Count() - 1.
    TItem& Items(int index) { return *FItems[CheckedIndex(index)]; }
    const TItem& Items(int index) const { return *FItems[CheckedIndex(index)]; }

    // Removes and destroys the item at `index`.
    void Delete(int index) {
        const std::size_t position = CheckedIndex(index);
        Notify(*FItems[position], index, TCollectionNotification::cnExtracting);
        std::unique_ptr<TItem> removed = std::move(FItems[position]);
        FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(position));
        removed.reset();
        Changed();
    }

    // Moves the item at `fromIndex` to `toIndex`; the items between close up.
    void Move(int fromIndex, int toIndex) {
        const auto from = FItems.begin() + static_cast<std::ptrdiff_t>(CheckedIndex(fromIndex));
        const auto to = FItems.begin() + static_cast<std::ptrdiff_t>(CheckedIndex(toIndex));
        if (from < to) {
            std::rotate(from, from + 1, to + 1);
        } else if (to < from) {
            std::rotate(to, from, from + 1);
        }
        Changed();
    }

    // Destroys the items, last first, with one Update at the end. Each item has left the
    // collection before it is destroyed, so an item's destructor sees a consistent
    // collection.
    void Clear() {
        BeginUpdate();
        try {
            while (!FItems.empty()) {
                Notify(*FItems.back(), Count() - 1, TCollectionNotification::cnExtracting);
                DestroyLast();
            }
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
    }

    // Between BeginUpdate and the matching EndUpdate, changes do not call Update; the
    // outermost EndUpdate calls it once.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate() {
        if (FUpdateCount > 0 && --FUpdateCount == 0) {
            Update();
        }
    }

protected:
    virtual void Notify(TItem& /*item*/, int /*index*/, TCollectionNotification /*action*/) {}
    virtual void Update() {}

    // Reports a change of the collection or of one of its items: Update, unless an update
    // is in progress.
    void Changed() {
        if (FUpdateCount == 0) {
            Update();
        }
    }

private:
    void DestroyLast() {
        std::unique_ptr<TItem> last = std::move(FItems.back());
        FItems.pop_back();
        last.reset();
    }

    void ClearItems() noexcept {
        while (!FItems.empty()) {
            DestroyLast();
        }
    }

    std::size_t CheckedIndex(int index) const {
        if (index < 0 || index >= Count()) {
            throw EListError(u"List index out of bounds (" + std::u16string(IndexText(index)) +
                             u")");
        }
        return static_cast<std::size_t>(index);
    }

    static std::u16string IndexText(int index) {
        const std::string digits = std::to_string(index);
        return std::u16string(digits.begin(), digits.end());
    }

    std::vector<std::unique_ptr<TItem>> FItems;
    int FUpdateCount = 0;
};

}  // namespace capspect
