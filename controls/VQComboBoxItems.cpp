#include "controls/VQComboBoxItems.h"

#include <climits>

#include <windows.h>

#include "controls/VQComboBoxModel.h"
#include "platform/support/wide_string.h"

namespace capspect {

namespace {

// CompareStringW's answer as -1, 0 or 1. Should the locale service fail (0), the strings are
// ordered by their code units so that sorting still sees a consistent order.
std::int32_t CompareInUserLocale(DWORD flags, std::u16string_view a, std::u16string_view b) {
    if (a.size() <= static_cast<std::size_t>(INT_MAX) &&
        b.size() <= static_cast<std::size_t>(INT_MAX)) {
        const int answer =
            CompareStringW(LOCALE_USER_DEFAULT, flags, WideChars(a), static_cast<int>(a.size()),
                           WideChars(b), static_cast<int>(b.size()));
        if (answer != 0) {
            return answer - CSTR_EQUAL;
        }
    }
    const int order = a.compare(b);
    return (order > 0) - (order < 0);
}

}  // namespace

std::int32_t CompareTextInUserLocale(std::u16string_view a, std::u16string_view b) {
    return CompareInUserLocale(NORM_IGNORECASE, a, b);
}

std::int32_t CompareStrInUserLocale(std::u16string_view a, std::u16string_view b) {
    return CompareInUserLocale(0, a, b);
}

void TVQLangComboBoxItem::SetCaption(std::u16string_view caption) {
    FCaption = caption;
    if (FListControlItems != nullptr) {
        FListControlItems->ItemChanged();
    }
}

void TVQLangComboBoxItem::Assign(const TVQLangComboBoxItem& source) {
    if (&source == this) {
        return;
    }
    if (FListControlItems != nullptr) {
        FListControlItems->BeginUpdate();
    }
    SetCaption(source.Caption());
    SetValue(source.Value());
    if (FListControlItems != nullptr) {
        FListControlItems->EndUpdate();
    }
}

std::u16string TVQLangComboBoxItem::DisplayName() const {
    return FCaption.empty() ? std::u16string(u"TVQLangComboBoxItem") : FCaption;
}

void TVQLangComboBoxItems::Assign(const TVQLangComboBoxItems& source) {
    if (&source == this) {
        return;
    }
    BeginUpdate();
    try {
        Clear();
        for (int index = 0; index < source.Count(); ++index) {
            Add().Assign(source.Items(index));
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TVQLangComboBoxItems::SetSortType(TListItemsSortType sortType) {
    if (sortType == FSortType) {
        return;
    }
    FSortType = sortType;
    if (FSortType != TListItemsSortType::stNone) {
        Sort();
    }
}

void TVQLangComboBoxItems::Sort() {
    CustomSort(&TVQLangComboBoxItems::CompareByIndex);
}

void TVQLangComboBoxItems::CustomSort(const TTransListItemsCompare& compare) {
    if (FSortType != TListItemsSortType::stNone && Count() > 1) {
        QuickSort(0, Count() - 1, compare);
    }
}

// Hoare partitioning around the item in the middle, whose position is tracked as it is
// exchanged. The scans stay within left..right, so a comparison that is not a consistent
// order (say, an OnCompare that always answers "less") still ends with every item in place.
void TVQLangComboBoxItems::QuickSort(int left, int right, const TTransListItemsCompare& compare) {
    int i = left;
    do {
        i = left;
        int j = right;
        int pivot = left + static_cast<int>(static_cast<unsigned>(right - left) / 2U);
        do {
            while (i < right && compare(*this, i, pivot) < 0) {
                ++i;
            }
            while (j > left && compare(*this, j, pivot) > 0) {
                --j;
            }
            if (i <= j) {
                ExchangeItems(i, j);
                if (pivot == i) {
                    pivot = j;
                } else if (pivot == j) {
                    pivot = i;
                }
                ++i;
                --j;
            }
        } while (i <= j);
        if (left < j) {
            QuickSort(left, j, compare);
        }
        left = i;
    } while (i < right);
}

bool TVQLangComboBoxItems::FindItem(std::u16string_view value) const {
    for (int index = 0; index < Count(); ++index) {
        if (CompareTextInUserLocale(Items(index).Value(), value) == 0) {
            return true;
        }
    }
    return false;
}

std::int32_t TVQLangComboBoxItems::CompareItems(const TVQLangComboBoxItem& item1,
                                                const TVQLangComboBoxItem& item2) {
    if (FOnCompare) {
        return FOnCompare(*this, item1, item2);
    }
    return FCaseSensitive ? CompareStrInUserLocale(item1.Caption(), item2.Caption())
                          : CompareTextInUserLocale(item1.Caption(), item2.Caption());
}

std::int32_t TVQLangComboBoxItems::CompareByIndex(TVQLangComboBoxItems& list, int index1,
                                                  int index2) {
    return list.CompareItems(list.Items(index1), list.Items(index2));
}

void TVQLangComboBoxItems::ExchangeItems(int a, int b) {
    if (a == b) {
        return;
    }
    // After the first move, the item that was at `b` sits one place nearer to `a`.
    Move(a, b);
    Move(a < b ? b - 1 : b + 1, a);
}

void TVQLangComboBoxItems::Notify(TVQLangComboBoxItem& /*item*/, int index,
                                  TCollectionNotification action) {
    switch (action) {
        case TCollectionNotification::cnAdded:
            FComboBox.ItemAdded(index);
            break;
        case TCollectionNotification::cnExtracting:
            FComboBox.ItemExtracting(index);
            break;
    }
}

void TVQLangComboBoxItems::Update() {
    FComboBox.Invalidate();
}

}  // namespace capspect
