// Test support: a native list of placeholder entries in memory, behaving as the platform's
// combo box list does, with counters for what the control asked of it.
#pragma once

#include <string>
#include <vector>

#include "controls/VQComboBoxModel.h"

namespace capspect::test {

class ComboListWindowDouble final : public TComboListWindow {
public:
    std::vector<std::u16string> entries;
    int selection = -1;
    int deletes = 0;
    int invalidations = 0;
    DWORD failInsertsWith = 0;  // non-zero: inserts fail with this error

    DWORD InsertPlaceholder(int index) override {
        if (failInsertsWith != 0) {
            return failInsertsWith;
        }
        // As the platform's list: a position beyond the end is refused (CB_ERR), and the
        // control raises the last error, ERROR_INVALID_INDEX.
        constexpr DWORD kInvalidIndex = 1413;
        if (index < 0 || index > PlaceholderCount()) {
            return kInvalidIndex;
        }
        entries.insert(entries.begin() + index, u"");
        if (selection >= index) {
            ++selection;
        }
        return 0;
    }
    void DeletePlaceholder(int index) override {
        ++deletes;
        if (index >= 0 && index < PlaceholderCount()) {
            entries.erase(entries.begin() + index);
            selection = selection == index ? -1 : selection - (selection > index ? 1 : 0);
        }
    }
    void ClearPlaceholders() override {
        entries.clear();
        selection = -1;
    }
    int PlaceholderCount() const override { return static_cast<int>(entries.size()); }
    int Selection() const override { return selection; }
    void SetSelection(int index) override {
        selection = index >= 0 && index < PlaceholderCount() ? index : -1;
    }
    void Invalidate() override { ++invalidations; }
};

}  // namespace capspect::test
