#include "controls/win32/VQComboBoxes.h"

#include <vssym32.h>

#include "platform/support/wide_string.h"

namespace capspect {
namespace {

constexpr int kTextIndent = 2;  // pixels between an entry's left edge and its text
// The placeholder entry: an owner-drawn list without strings keeps it as the entry's data.
constexpr wchar_t kPlaceholder[] = L"";

TShiftState HeldModifiers() {
    const auto held = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
    return {.shift = held(VK_SHIFT), .ctrl = held(VK_CONTROL), .alt = held(VK_MENU)};
}

// The context's state, restored when the object goes.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDC() { RestoreDC(dc_, saved_); }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC dc_;
    int saved_;
};

}  // namespace

TVQLangComboBox::TVQLangComboBox(HWND parent, int id)
    : ComboBoxList(static_cast<const Win32Window&>(*this)),
      ComboBoxProperties(static_cast<ComboBoxList&>(*this)) {
    Attach(CreateChildWindow(L"COMBOBOX", u"",
                             WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED, 0,
                             parent, id));
    FBufferedPaintInitialized = SUCCEEDED(BufferedPaintInit());
    OpenTheme();
    SetItemHeight(kDefaultItemHeight);
}

TVQLangComboBox::~TVQLangComboBox() {
    CloseTheme();
    if (FBufferedPaintInitialized) {
        BufferedPaintUnInit();
    }
}

void TVQLangComboBox::SetItemHeight(int height) {
    FItemHeight = height > 0 ? height : 1;
    // The list's entries (0) and the selection field (-1): an owner-drawn combo box asked
    // its parent with WM_MEASUREITEM while it was created, before the control listened.
    SendMessageW(Handle(), CB_SETITEMHEIGHT, 0, FItemHeight);
    SendMessageW(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), FItemHeight);
}

bool TVQLangComboBox::DroppedDown() const {
    return SendMessageW(Handle(), CB_GETDROPPEDSTATE, 0, 0) != FALSE;
}

bool TVQLangComboBox::Themed() const {
    return FTheme != nullptr && IsAppThemed() && IsThemeActive();
}

void TVQLangComboBox::DrawItem(const DRAWITEMSTRUCT& original) {
    DRAWITEMSTRUCT request = original;
    // The themed face shows the focus itself; the selection field gets no focus rectangle.
    if (Themed() && (request.itemState & ODS_COMBOBOXEDIT) != 0) {
        request.itemState &= ~static_cast<UINT>(ODS_FOCUS);
    }
    const SavedDC saved(request.hDC);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
    if (font != nullptr) {
        SelectObject(request.hDC, font);
    }
    const bool selected = (request.itemState & ODS_SELECTED) != 0;
    const int index = static_cast<int>(request.itemID);
    const COLORREF background =
        GetSysColor(index >= 0 && selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    SetTextColor(request.hDC,
                 GetSysColor(index >= 0 && selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetDCBrushColor(request.hDC, background);
    SelectObject(request.hDC, GetStockObject(DC_BRUSH));
    if (index < 0) {
        FillRect(request.hDC, &request.rcItem, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    } else {
        DrawEntry(request, background);
    }
    if ((request.itemState & ODS_FOCUS) != 0) {
        DrawFocusRect(request.hDC, &request.rcItem);
    }
}

void TVQLangComboBox::DrawEntry(const DRAWITEMSTRUCT& request, COLORREF background) {
    const int index = static_cast<int>(request.itemID);
    if (FOnDrawItem) {
        FOnDrawItem(*this, index, request.hDC, request.rcItem, request.itemState);
        return;
    }
    // The themed face's selection field is painted with the face.
    if (!(Themed() && (request.itemState & ODS_COMBOBOXEDIT) != 0)) {
        FillRect(request.hDC, &request.rcItem, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        if (!IsWindowEnabled(Handle())) {
            SetTextColor(request.hDC, GetSysColor(COLOR_GRAYTEXT));
        }
        const std::u16string text = model_.ShownCaption(index);
        SetBkColor(request.hDC, background);
        TextOutW(request.hDC, request.rcItem.left + kTextIndent, request.rcItem.top,
                 WideChars(text), static_cast<int>(text.size()));
    }
    // A black brush and background are left for the focus rectangle, as the framework's
    // canvas leaves them.
    SetDCBrushColor(request.hDC, RGB(0, 0, 0));
    SetBkColor(request.hDC, RGB(0, 0, 0));
}

LRESULT TVQLangComboBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kReflectedMessage + WM_DRAWITEM:
            DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case kReflectedMessage + WM_MEASUREITEM:
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight =
                static_cast<UINT>(FItemHeight);
            return TRUE;
        case kReflectedMessage + WM_COMMAND:
            return Notified(HIWORD(wParam));
        case kReflectedMessage + WM_CTLCOLOREDIT:
            return Themed() ? reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)) : 0;
        case CB_FINDSTRING:
            // The native entries are empty: the captions answer.
            return model_.FindString(static_cast<int>(wParam),
                                     lParam != 0 ? Utf16Text(reinterpret_cast<const WCHAR*>(lParam))
                                                 : std::u16string_view{});
        case WM_CHAR:
            if (model_.AutoComplete() && wParam >= L' ' && wParam != 0x7F) {
                KeyPressed(static_cast<wchar_t>(wParam));
                return 0;
            }
            break;
        case WM_KEYDOWN: {
            const LRESULT answer = DefaultProc(message, wParam, lParam);
            model_.KeyDown(static_cast<WORD>(wParam), HeldModifiers());
            return answer;
        }
        case WM_MOUSEMOVE:
            MouseMoved();
            break;
        case WM_MOUSELEAVE:
            FMouseInside = false;
            model_.MouseLeft(DroppedDown(), IsWindowEnabled(Handle()) != FALSE);
            break;
        case WM_ENABLE: {
            const LRESULT answer = DefaultProc(message, wParam, lParam);
            model_.EnabledChanged(wParam != FALSE);
            return answer;
        }
        case WM_SETFONT: {
            // A new font gives the selection field the font's height; the control keeps
            // its own item height instead.
            const LRESULT answer = DefaultProc(message, wParam, lParam);
            SetItemHeight(FItemHeight);
            return answer;
        }
        case WM_SETFOCUS: {
            const LRESULT answer = DefaultProc(message, wParam, lParam);
            Invalidate();
            return answer;
        }
        case WM_SIZE:
            if (Themed()) {
                BufferedPaintStopAllAnimations(Handle());
            }
            break;
        case WM_PAINT:
            if (Themed()) {
                PaintThemed();
                return 0;
            }
            break;
        case WM_THEMECHANGED:
            CloseTheme();
            OpenTheme();
            break;
        default:
            break;
    }
    return Win32Window::WindowProc(message, wParam, lParam);
}

LRESULT TVQLangComboBox::Notified(WORD code) {
    switch (code) {
        case CBN_DROPDOWN:
            model_.DroppedDown();
            return 1;
        case CBN_CLOSEUP:
            model_.ClosedUp();
            return 1;
        case CBN_SELCHANGE:
            Invalidate();
            return 1;
        default:
            return 0;
    }
}

void TVQLangComboBox::KeyPressed(wchar_t typed) {
    const char16_t text[] = {static_cast<char16_t>(typed), u'\0'};
    const int before = ItemIndexNr();
    if (model_.KeyPress(text) && ItemIndexNr() != before) {
        // The parent hears of a selection made by typing as of one made with the mouse.
        SendMessageW(GetParent(Handle()), WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(Handle()), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Handle()));
    }
}

void TVQLangComboBox::MouseMoved() {
    if (FMouseInside) {
        return;
    }
    FMouseInside = true;
    TRACKMOUSEEVENT tracking{sizeof tracking, TME_LEAVE, Handle(), 0};
    TrackMouseEvent(&tracking);
    model_.MouseEntered();
}

void TVQLangComboBox::PaintThemed() {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(Handle(), &paint);
    if (FBufferedPaintInitialized && BufferedPaintRenderAnimation(Handle(), dc)) {
        EndPaint(Handle(), &paint);
        return;
    }
    const TComboFaceState from = model_.CurrentState();
    const TComboFaceState to = model_.NewState();
    DWORD duration = 0;
    if (FAILED(GetThemeTransitionDuration(FTheme, CP_READONLY, static_cast<int>(from),
                                          static_cast<int>(to), TMT_TRANSITIONDURATIONS,
                                          &duration))) {
        duration = 0;
    }
    BP_ANIMATIONPARAMS animation{sizeof animation, 0, BPAS_LINEAR, duration};
    RECT client{};
    GetClientRect(Handle(), &client);
    HDC fromDC = nullptr;
    HDC toDC = nullptr;
    const HANIMATIONBUFFER buffer =
        FBufferedPaintInitialized
            ? BeginBufferedAnimation(Handle(), dc, &client, BPBF_COMPATIBLEBITMAP, nullptr,
                                     &animation, &fromDC, &toDC)
            : nullptr;
    if (buffer != nullptr) {
        if (fromDC != nullptr) {
            PaintFace(fromDC, from);
        }
        if (toDC != nullptr) {
            PaintFace(toDC, to);
        }
        model_.FacePainted();
        EndBufferedAnimation(buffer, TRUE);
    } else {
        // Without an animation buffer the face is painted at once rather than not at all.
        PaintFace(dc, to);
        model_.FacePainted();
    }
    EndPaint(Handle(), &paint);
}

void TVQLangComboBox::PaintFace(HDC dc, TComboFaceState state) const {
    COMBOBOXINFO layout{};
    layout.cbSize = sizeof layout;
    GetComboBoxInfo(Handle(), &layout);
    RECT client{};
    GetClientRect(Handle(), &client);
    const int part = CP_READONLY;
    const int stateId = static_cast<int>(state);
    if (IsThemeBackgroundPartiallyTransparent(FTheme, part, stateId)) {
        DrawThemeParentBackground(Handle(), dc, &client);
    }
    DrawThemeBackground(FTheme, dc, part, stateId, &client, nullptr);

    // The caption as stored: the closed face does not replace "%d".
    const int selection = ItemIndexNr();
    const std::u16string text =
        selection >= 0 && selection < GetCount() ? model_.Items().Items(selection).Caption() : u"";
    const auto font = reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
    const HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    RECT textRect = layout.rcItem;
    textRect.left += 1;
    DrawThemeText(FTheme, dc, part, stateId, WideChars(text), static_cast<int>(text.size()),
                  DT_SINGLELINE | DT_VCENTER, 0, &textRect);
    if (previous != nullptr) {
        SelectObject(dc, previous);
    }
    if (GetFocus() == Handle() && !DroppedDown()) {
        DrawFocusRect(dc, &layout.rcItem);
    }
    const bool enabled = IsWindowEnabled(Handle()) != FALSE;
    DrawThemeBackground(FTheme, dc, CP_DROPDOWNBUTTONRIGHT,
                        enabled ? 0 : static_cast<int>(TComboFaceState::Disabled), &layout.rcButton,
                        nullptr);
}

void TVQLangComboBox::OpenTheme() {
    FTheme = OpenThemeData(Handle(), L"COMBOBOX");
}

void TVQLangComboBox::CloseTheme() {
    if (FTheme != nullptr) {
        CloseThemeData(FTheme);
        FTheme = nullptr;
    }
}

DWORD ComboBoxList::InsertPlaceholder(int index) {
    SetLastError(0);
    const LRESULT answer =
        SendMessageW(comboBox_.Handle(), CB_INSERTSTRING, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(kPlaceholder));
    if (answer >= 0) {
        return 0;
    }
    // A refusal always raises, also when the list set no last error.
    const DWORD error = GetLastError();
    return error != 0              ? error
           : answer == CB_ERRSPACE ? ERROR_NOT_ENOUGH_MEMORY
                                   : ERROR_INVALID_INDEX;
}

void ComboBoxList::DeletePlaceholder(int index) {
    SendMessageW(comboBox_.Handle(), CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void ComboBoxList::ClearPlaceholders() {
    SendMessageW(comboBox_.Handle(), CB_RESETCONTENT, 0, 0);
}

int ComboBoxList::PlaceholderCount() const {
    return static_cast<int>(SendMessageW(comboBox_.Handle(), CB_GETCOUNT, 0, 0));
}

int ComboBoxList::Selection() const {
    return static_cast<int>(SendMessageW(comboBox_.Handle(), CB_GETCURSEL, 0, 0));
}

void ComboBoxList::SetSelection(int index) {
    // The documented answer to a position beyond the entries is no selection; Wine 8 keeps
    // the old one, so such a position is sent as -1.
    const bool inside = index >= 0 && index < PlaceholderCount();
    SendMessageW(comboBox_.Handle(), CB_SETCURSEL, static_cast<WPARAM>(inside ? index : -1), 0);
}

void ComboBoxList::Invalidate() {
    InvalidateRect(comboBox_.Handle(), nullptr, TRUE);
}

}  // namespace capspect
