// TVQLangComboBox on Win32: a drop-down list whose entries carry a shown caption and a
// hidden value, over a real combo box (CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED).
//
// The native list holds one placeholder entry per item; every text on screen comes from the
// control's own items. Entries are drawn by the control when its parent reflects
// WM_DRAWITEM to it; the native list's own search (CB_FINDSTRING) is answered from the
// captions. With visual styles, the control paints its closed face itself through the
// theme, animating between visual states with buffered animations.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <windows.h>

#include <uxtheme.h>

#include "controls/VQComboBoxModel.h"
#include "controls/VQComboBoxProperties.h"
#include "win32/Win32Window.h"

namespace capspect {

// The native list of a combo box window, as the control's behaviour sees it: the entries
// are the window's own, and so is the selection.
class ComboBoxList : public TComboListWindow {
public:
    explicit ComboBoxList(const Win32Window& comboBox) : comboBox_(comboBox) {}

    // Answers 0 or, when the list refuses, the platform's last error (never 0 then).
    DWORD InsertPlaceholder(int index) override;
    void DeletePlaceholder(int index) override;
    void ClearPlaceholders() override;
    int PlaceholderCount() const override;
    int Selection() const override;
    void SetSelection(int index) override;
    void Invalidate() override;

private:
    const Win32Window& comboBox_;
};

// The native list is a private base, so that it exists before the behaviour that uses it.
class TVQLangComboBox : public Win32Window, private ComboBoxList, public ComboBoxProperties {
public:
    // Draws entry `index` into `dc` within `rect` in place of the control's own drawing;
    // `state` holds the request's ODS_ flags.
    using TDrawItemEvent = std::function<void(TVQLangComboBox& sender, int index, HDC dc,
                                              const RECT& rect, UINT state)>;

    static constexpr int kDefaultItemHeight = 16;

    TVQLangComboBox(HWND parent, int id);
    ~TVQLangComboBox() override;

    // The height of an entry and of the selection field, in pixels.
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int height);

    void SetOnDrawItem(TDrawItemEvent onDrawItem) { FOnDrawItem = std::move(onDrawItem); }

    bool DroppedDown() const;
    // True when visual styles are active for the control: it paints its closed face itself.
    bool Themed() const;

    // The owner-draw request for one entry, with the framework's preparation of the
    // context around the control's routine: the control's font, the highlight colours for
    // a selected entry, the focus rectangle afterwards.
    void DrawItem(const DRAWITEMSTRUCT& request);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The control's owner-draw routine for one entry.
    void DrawEntry(const DRAWITEMSTRUCT& request, COLORREF background);
    LRESULT Notified(WORD code);
    void KeyPressed(wchar_t typed);
    void MouseMoved();
    void PaintThemed();
    void PaintFace(HDC dc, TComboFaceState state) const;
    void OpenTheme();
    void CloseTheme();

    TDrawItemEvent FOnDrawItem;
    HTHEME FTheme = nullptr;
    int FItemHeight = kDefaultItemHeight;
    bool FBufferedPaintInitialized = false;
    bool FMouseInside = false;
};

}  // namespace capspect
