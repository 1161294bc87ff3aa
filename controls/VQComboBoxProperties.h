// What the item combo box offers its users whatever window shows it: its items, its
// selection by position and by value, and its settings, all answered by its behaviour
// (TVQLangComboBoxModel). The Qt widget and the Win32 control derive from it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "controls/VQComboBoxModel.h"

namespace capspect {

class ComboBoxProperties {
public:
    ComboBoxProperties(const ComboBoxProperties&) = delete;
    ComboBoxProperties& operator=(const ComboBoxProperties&) = delete;

    // The control's behaviour without the window, for code that reads or drives it directly.
    TVQLangComboBoxModel& Model() { return model_; }
    const TVQLangComboBoxModel& Model() const { return model_; }

    TVQLangComboBoxItems& Items() { return model_.Items(); }
    void SetItems(const TVQLangComboBoxItems& source) { model_.SetItems(source); }
    void Add(std::u16string_view caption, std::u16string_view value) { model_.Add(caption, value); }
    void Clear() { model_.Clear(); }
    int GetCount() const { return model_.GetCount(); }

    std::u16string ItemIndex() const { return model_.ItemIndex(); }
    void SetItemIndex(std::u16string_view value) { model_.SetItemIndex(value); }
    int ItemIndexNr() const { return model_.ItemIndexNr(); }
    void SetItemIndexNr(int index) { model_.SetItemIndexNr(index); }

    bool AutoAdd() const { return model_.AutoAdd(); }
    void SetAutoAdd(bool autoAdd) { model_.SetAutoAdd(autoAdd); }
    std::int32_t CustomValue() const { return model_.CustomValue(); }
    void SetCustomValue(std::int32_t value) { model_.SetCustomValue(value); }
    bool AutoComplete() const { return model_.AutoComplete(); }
    void SetAutoComplete(bool autoComplete) { model_.SetAutoComplete(autoComplete); }
    DWORD AutoCompleteDelay() const { return model_.AutoCompleteDelay(); }
    void SetAutoCompleteDelay(DWORD delay) { model_.SetAutoCompleteDelay(delay); }

protected:
    // `window` holds the native list; it must outlive the control's behaviour.
    explicit ComboBoxProperties(TComboListWindow& window) : model_(window) {}
    ~ComboBoxProperties() = default;

    TVQLangComboBoxModel model_;
};

}  // namespace capspect
