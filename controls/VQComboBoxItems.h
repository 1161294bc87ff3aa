// The items of the item combo box: each has a shown caption and a hidden value. Qt-free, so
// the control's logic can be used and tested without a display.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "framework/Collections.h"

namespace capspect {

class TVQLangComboBoxItems;
class TVQLangComboBoxModel;

class TVQLangComboBoxItem : public TCollectionItem {
public:
    // `listControlItems` is the collection the item belongs to; a caption change asks it to
    // repaint the control.
    explicit TVQLangComboBoxItem(TVQLangComboBoxItems* listControlItems = nullptr)
        : FListControlItems(listControlItems) {}

    const std::u16string& Caption() const { return FCaption; }
    void SetCaption(std::u16string_view caption);

    const std::u16string& Value() const { return FValue; }
    void SetValue(std::u16string_view value) { FValue = value; }

    // Copies Caption, then Value, with a single repaint.
    void Assign(const TVQLangComboBoxItem& source);

    // The name a collection editor lists: the caption, or the class name when it is empty.
    std::u16string DisplayName() const;

private:
    TVQLangComboBoxItems* FListControlItems;
    std::u16string FCaption;
    std::u16string FValue;
};

enum class TListItemsSortType { stNone = 0, stText = 1 };

// Compares two items: negative, zero or positive.
using TTransComboListCompareEvent =
    std::function<std::int32_t(TVQLangComboBoxItems& list, const TVQLangComboBoxItem& item1,
                               const TVQLangComboBoxItem& item2)>;
// Compares the items at two positions: negative, zero or positive.
using TTransListItemsCompare =
    std::function<std::int32_t(TVQLangComboBoxItems& list, int index1, int index2)>;

// The control's items. Items joining and leaving are mirrored in the control's native list of
// placeholder entries; every change repaints the control.
class TVQLangComboBoxItems : public TCollection<TVQLangComboBoxItem> {
public:
    explicit TVQLangComboBoxItems(TVQLangComboBoxModel& comboBox) : FComboBox(comboBox) {}

    TVQLangComboBoxItem& Add() { return TCollection::Add(this); }

    // Replaces the items by copies of `source`'s items.
    void Assign(const TVQLangComboBoxItems& source);

    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool caseSensitive) { FCaseSensitive = caseSensitive; }

    TListItemsSortType SortType() const { return FSortType; }
    // Sorts at once when the type changes to one that sorts.
    void SetSortType(TListItemsSortType sortType);

    const TTransComboListCompareEvent& OnCompare() const { return FOnCompare; }
    void SetOnCompare(TTransComboListCompareEvent onCompare) { FOnCompare = std::move(onCompare); }

    // Sorts by CompareItems; does nothing while SortType is stNone.
    void Sort();
    void CustomSort(const TTransListItemsCompare& compare);

    // True when some item's value equals `value` with case ignored.
    bool FindItem(std::u16string_view value) const;

    virtual std::int32_t CompareItems(const TVQLangComboBoxItem& item1,
                                      const TVQLangComboBoxItem& item2);
    static std::int32_t CompareByIndex(TVQLangComboBoxItems& list, int index1, int index2);

    // Swaps the items at `a` and `b`, leaving the others in place.
    void ExchangeItems(int a, int b);

    // A linked item's caption changed.
    void ItemChanged() { Changed(); }

protected:
    void Notify(TVQLangComboBoxItem& item, int index, TCollectionNotification action) override;
    void Update() override;

private:
    void QuickSort(int left, int right, const TTransListItemsCompare& compare);

    TVQLangComboBoxModel& FComboBox;
    bool FCaseSensitive = false;
    TListItemsSortType FSortType = TListItemsSortType::stNone;
    TTransComboListCompareEvent FOnCompare;
};

// Compares with case ignored in the user's locale: -1, 0 or 1.
std::int32_t CompareTextInUserLocale(std::u16string_view a, std::u16string_view b);
// Compares with case observed in the user's locale: -1, 0 or 1.
std::int32_t CompareStrInUserLocale(std::u16string_view a, std::u16string_view b);

}  // namespace capspect
