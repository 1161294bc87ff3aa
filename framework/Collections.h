// Owned-item collections: a collection owns its items and destroys them when they are
// cleared or the collection goes.
#pragma once

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

template <typename TItem>
requires std::derived_from<TItem, TCollectionItem>
class TCollection {
public:
    TCollection() = default;
    virtual ~TCollection() { Clear(); }
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    // Appends a new item made from `args` and answers it.
    template <typename... Args>
    TItem& Add(Args&&... args) {
        FItems.push_back(std::make_unique<TItem>(std::forward<Args>(args)...));
        return *FItems.back();
    }

    int Count() const { return static_cast<int>(FItems.size()); }

    // Raises EListError for an index outside 0 .. Count() - 1.
    TItem& Items(int index) { return *FItems[CheckedIndex(index)]; }
    const TItem& Items(int index) const { return *FItems[CheckedIndex(index)]; }

    // Destroys the items, last first. Each item has left the collection before it is
    // destroyed, so an item's destructor sees a consistent collection.
    void Clear() {
        while (!FItems.empty()) {
            std::unique_ptr<TItem> last = std::move(FItems.back());
            FItems.pop_back();
            last.reset();
        }
    }

private:
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
};

}  // namespace capspect
