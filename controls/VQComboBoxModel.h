// The item combo box's behaviour without its window: items, selection by value, type-ahead
// search, the Delete key and the visual state of the closed face. The window that shows the
// control (a Qt widget, or a test double) implements TComboListWindow.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <windows.h>
#include "controls/TypeAheadText.h"
#include "controls/VQComboBoxItems.h"

namespace capspect {

// What the control needs of its window: the native list, which holds one empty placeholder
// entry per item at the same position, with the selection position, and repainting.
class TComboListWindow {
public:
    virtual ~TComboListWindow() = default;

    // Inserts an empty entry at `index`; answers 0 or the platform's error code.
    virtual DWORD InsertPlaceholder(int index) = 0;
    virtual void DeletePlaceholder(int index) = 0;
    virtual void ClearPlaceholders() = 0;
    virtual int PlaceholderCount() const = 0;

    // The selection position, -1 for none. Setting a position outside the entries removes
    // the selection.
    virtual int Selection() const = 0;
    virtual void SetSelection(int index) = 0;

    // Repaints the whole control (with background erase).
    virtual void Invalidate() = 0;
};

// The visual states of the closed face, numbered as the theme's read-only combo box part.
enum class TComboFaceState : std::int32_t {
    NotSet = 0,  // before the first state event
    Normal = 1,
    Hot = 2,
    Pressed = 3,
    Disabled = 4,
};

// Modifier keys held with a key press.
struct TShiftState {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

class TVQLangComboBoxModel {
public:
    explicit TVQLangComboBoxModel(TComboListWindow& window);
    // Frees the items without touching the native list.
    ~TVQLangComboBoxModel();
    TVQLangComboBoxModel(const TVQLangComboBoxModel&) = delete;
    TVQLangComboBoxModel& operator=(const TVQLangComboBoxModel&) = delete;

    TVQLangComboBoxItems& Items() { return FItems; }
    const TVQLangComboBoxItems& Items() const { return FItems; }
    // Replaces the items by copies of `source`'s items.
    void SetItems(const TVQLangComboBoxItems& source) { FItems.Assign(source); }

    void Add(std::u16string_view caption, std::u16string_view value);
    void Clear();
    int GetCount() const { return FItems.Count(); }

    // The value of the selected item; empty when nothing is selected.
    std::u16string ItemIndex() const;
    // Selects the first item whose value equals `value` with case ignored; with AutoAdd, a
    // value no item has is appended as a new item (caption and value) and selected.
    void SetItemIndex(std::u16string_view value);

    int ItemIndexNr() const { return FWindow.Selection(); }
    void SetItemIndexNr(int index) { FWindow.SetSelection(index); }

    bool AutoAdd() const { return FAutoAdd; }
    void SetAutoAdd(bool autoAdd) { FAutoAdd = autoAdd; }
    std::int32_t CustomValue() const { return FCustomValue; }
    void SetCustomValue(std::int32_t customValue) { FCustomValue = customValue; }

    // The first item after `start` (wrapping round to `start` itself) whose caption begins
    // with `text`, case ignored; with `start` -1 the first from the top. -1 when none does.
    int FindString(int start, std::u16string_view text) const;
    // Selects the first item whose caption begins with `text`. A text that no caption
    // begins with leaves the selection alone. Answers whether an item was found.
    bool SelectByPrefix(std::u16string_view text);

    // Type-ahead by caption. A typed character, with AutoComplete on, joins the search text
    // (which starts afresh after a pause of more than AutoCompleteDelay milliseconds) and
    // selects the first item whose caption begins with it. Answers whether an item was found.
    bool KeyPress(std::u16string_view typed);
    bool AutoComplete() const { return FAutoComplete; }
    void SetAutoComplete(bool autoComplete) { FAutoComplete = autoComplete; }
    DWORD AutoCompleteDelay() const { return FTypeAhead.Delay(); }
    void SetAutoCompleteDelay(DWORD delay) { FTypeAhead.SetDelay(delay); }

    // Delete without modifiers selects the first item with an empty value, if there is one.
    void KeyDown(WORD key, TShiftState shift);

    // The caption of item `index` as the drop-down list shows it ("%d" stands for
    // CustomValue); empty for a position without an item.
    std::u16string ShownCaption(int index) const;
    // The text of the closed face: the shown caption of the selected item.
    std::u16string FaceText() const { return ShownCaption(ItemIndexNr()); }

    // Visual state of the closed face.
    TComboFaceState CurrentState() const { return FCurrentState; }
    TComboFaceState NewState() const { return FNewState; }
    void SetVisualState(TComboFaceState state);
    void MouseEntered();
    void MouseLeft(bool droppedDown, bool enabled);
    void DroppedDown();
    void ClosedUp();
    void EnabledChanged(bool enabled);
    // The face has been painted in NewState.
    void FacePainted() { FCurrentState = FNewState; }

    // Called by the items.
    void ItemAdded(int index);
    void ItemExtracting(int index);
    void Invalidate() { FWindow.Invalidate(); }

private:
    TComboListWindow& FWindow;
    TVQLangComboBoxItems FItems{*this};
    bool FAutoAdd = false;
    std::int32_t FCustomValue = 0;
    bool FAutoComplete = true;
    TTypeAheadText FTypeAhead;
    TComboFaceState FCurrentState = TComboFaceState::NotSet;
    TComboFaceState FNewState = TComboFaceState::NotSet;
};

// `caption` with every "%d" replaced by the decimal `value` and every "%%" by "%"; any other
// '%' stays as it is. A caption without "%d" is answered unchanged.
std::u16string FormatCaption(std::u16string_view caption, std::int32_t value);

}  // namespace capspect
