#include "controls/VQComboBoxModel.h"

#include <string>

#include <windows.h>

#include "framework/Exceptions.h"
#include "util/TextHelpers.h"

namespace capspect {

TVQLangComboBoxModel::TVQLangComboBoxModel(TComboListWindow& window) : FWindow(window) {}

// The items go with FItems, whose destruction sends no notifications, so the native list is
// left alone: its window is being torn down with the control.
TVQLangComboBoxModel::~TVQLangComboBoxModel() = default;

void TVQLangComboBoxModel::Add(std::u16string_view caption, std::u16string_view value) {
    TVQLangComboBoxItem& item = FItems.Add();
    item.SetCaption(caption);
    item.SetValue(value);
}

void TVQLangComboBoxModel::Clear() {
    FWindow.ClearPlaceholders();
    FItems.Clear();
}

std::u16string TVQLangComboBoxModel::ItemIndex() const {
    const int selection = ItemIndexNr();
    if (selection < 0 || selection >= GetCount()) {
        return {};
    }
    return FItems.Items(selection).Value();
}

void TVQLangComboBoxModel::SetItemIndex(std::u16string_view value) {
    int match = -1;
    for (int index = 0; index < GetCount() && match < 0; ++index) {
        if (CompareTextInUserLocale(FItems.Items(index).Value(), value) == 0) {
            match = index;
        }
    }
    if (match < 0 && FAutoAdd) {
        // Appended at the end even when the items are kept sorted.
        Add(value, value);
        match = GetCount() - 1;
    }
    if (match >= 0) {
        FWindow.SetSelection(match);
    }
    FWindow.Invalidate();
}

int TVQLangComboBoxModel::FindString(int start, std::u16string_view text) const {
    const int count = GetCount();
    // The search begins after `start` and wraps round to `start` itself; a start outside
    // the items (-1 above all) searches from the top.
    const int first = start < 0 || start >= count ? 0 : (start + 1) % count;
    for (int step = 0; step < count; ++step) {
        const int index = (first + step) % count;
        if (HasTextPrefix(text, FItems.Items(index).Caption())) {
            return index;
        }
    }
    return -1;
}

bool TVQLangComboBoxModel::SelectByPrefix(std::u16string_view text) {
    const int found = FindString(-1, text);
    if (found < 0) {
        return false;
    }
    FWindow.SetSelection(found);
    FWindow.Invalidate();
    return true;
}

bool TVQLangComboBoxModel::KeyPress(std::u16string_view typed) {
    if (!FAutoComplete || typed.empty()) {
        return false;
    }
    return SelectByPrefix(FTypeAhead.Type(typed));
}

void TVQLangComboBoxModel::KeyDown(WORD key, TShiftState shift) {
    const bool modified = shift.shift || shift.ctrl || shift.alt;
    if (key == VK_DELETE && !modified && FItems.FindItem(u"")) {
        SetItemIndex(u"");
    }
}

std::u16string TVQLangComboBoxModel::ShownCaption(int index) const {
    if (index < 0 || index >= GetCount()) {
        return {};
    }
    return FormatCaption(FItems.Items(index).Caption(), FCustomValue);
}

void TVQLangComboBoxModel::SetVisualState(TComboFaceState state) {
    FNewState = state;
    FWindow.Invalidate();
}

void TVQLangComboBoxModel::MouseEntered() {
    SetVisualState(TComboFaceState::Hot);
}

void TVQLangComboBoxModel::MouseLeft(bool droppedDown, bool enabled) {
    // An open list keeps the pressed look until it closes.
    if (!droppedDown && enabled) {
        SetVisualState(TComboFaceState::Normal);
    }
}

void TVQLangComboBoxModel::DroppedDown() {
    SetVisualState(TComboFaceState::Pressed);
}

void TVQLangComboBoxModel::ClosedUp() {
    SetVisualState(TComboFaceState::Normal);
}

void TVQLangComboBoxModel::EnabledChanged(bool enabled) {
    SetVisualState(enabled ? TComboFaceState::Normal : TComboFaceState::Disabled);
}

void TVQLangComboBoxModel::ItemAdded(int index) {
    if (const DWORD error = FWindow.InsertPlaceholder(index); error != 0) {
        throw EOSError(error);
    }
}

void TVQLangComboBoxModel::ItemExtracting(int index) {
    FWindow.DeletePlaceholder(index);
}

std::u16string FormatCaption(std::u16string_view caption, std::int32_t value) {
    if (caption.find(u"%d") == std::u16string_view::npos) {
        return std::u16string(caption);
    }
    const std::string digits = std::to_string(value);
    const std::u16string number(digits.begin(), digits.end());
    std::u16string shown;
    for (std::size_t position = 0; position < caption.size(); ++position) {
        const char16_t next = position + 1 < caption.size() ? caption[position + 1] : u'\0';
        if (caption[position] == u'%' && next == u'd') {
            shown += number;
            ++position;
        } else if (caption[position] == u'%' && next == u'%') {
            shown += u'%';
            ++position;
        } else {
            shown += caption[position];
        }
    }
    return shown;
}

}  // namespace capspect
