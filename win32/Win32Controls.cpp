#include "win32/Win32Controls.h"

#include <cstring>

#include "framework/Exceptions.h"
#include "platform/support/wide_string.h"

namespace capspect {
namespace {

HBRUSH DialogBackground() {
    return reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
}

BOOL CALLBACK SetChildFont(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

// The clipboard, open for as long as the object lives. Another program may hold it for a
// moment, so opening is tried a few times.
class TOpenClipboard {
public:
    explicit TOpenClipboard(HWND owner) {
        constexpr int kAttempts = 10;
        for (int attempt = 0; attempt < kAttempts && !FOpen; ++attempt) {
            FOpen = OpenClipboard(owner) != FALSE;
            if (!FOpen) {
                Sleep(10);
            }
        }
    }
    ~TOpenClipboard() {
        if (FOpen) {
            CloseClipboard();
        }
    }
    TOpenClipboard(const TOpenClipboard&) = delete;
    TOpenClipboard& operator=(const TOpenClipboard&) = delete;

    bool IsOpen() const { return FOpen; }

private:
    bool FOpen = false;
};

}  // namespace

TPanel::TPanel(HWND parent, int id) {
    constexpr const wchar_t* kClassName = L"CapspectPanel";
    RegisterWindowClass(kClassName, DialogBackground());
    Attach(CreateChildWindow(kClassName, u"", WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, parent, id));
}

TPushButton::TPushButton(HWND parent, int id, std::u16string_view caption) {
    Attach(CreateChildWindow(L"BUTTON", caption, WS_TABSTOP | BS_PUSHBUTTON, 0, parent, id));
}

void TPushButton::Click() {
    SendMessageW(Handle(), BM_CLICK, 0, 0);
}

LRESULT TPushButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kReflectedMessage + WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (OnClick) {
            OnClick();
        }
        return 1;
    }
    return TWin32Window::WindowProc(message, wParam, lParam);
}

TMemo::TMemo(HWND parent, int id) {
    constexpr DWORD kStyle =
        WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL;
    Attach(CreateChildWindow(L"EDIT", u"", kStyle, WS_EX_CLIENTEDGE, parent, id));
    SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
}

void TMemo::ScrollToTop() {
    SendMessageW(Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
}

int TMemo::FirstVisibleLine() const {
    return static_cast<int>(SendMessageW(Handle(), EM_GETFIRSTVISIBLELINE, 0, 0));
}

TForm::TForm(const TDesign& design) : FDesign(design) {
    RegisterWindowClass(design.className, DialogBackground());
    const std::u16string caption(design.caption);
    Attach(CreateWindowExW(WS_EX_CONTROLPARENT, design.className, WideText(caption),
                           WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr));
    if (const UINT dpi = GetDpiForWindow(Handle()); dpi != 0) {
        FDpi = dpi;
    }
    MakeFont();
    FitClientArea();
}

void TForm::Show(int showCommand) {
    ShowWindow(Handle(), showCommand);
    UpdateWindow(Handle());
}

int TForm::Scale(int designPixels) const {
    return MulDiv(designPixels, static_cast<int>(FDpi), USER_DEFAULT_SCREEN_DPI);
}

LRESULT TForm::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            Resized();
            break;
        case WM_DPICHANGED: {
            FDpi = HIWORD(wParam);
            MakeFont();
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(Handle(), nullptr, suggested.left, suggested.top,
                         suggested.right - suggested.left, suggested.bottom - suggested.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            Resized();
            return 0;
        }
        case WM_DESTROY:
            Destroying();
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return TWin32Window::WindowProc(message, wParam, lParam);
}

void TForm::MakeFont() {
    LOGFONTW font{};
    font.lfHeight = Scale(FDesign.fontHeight);
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    wcsncpy(font.lfFaceName, FDesign.fontFace, LF_FACESIZE - 1);
    UniqueFont made(CreateFontIndirectW(&font));
    if (!made) {
        throw EOSError(GetLastError());
    }
    // The children switch to the new font before the old one is deleted.
    EnumChildWindows(Handle(), SetChildFont, reinterpret_cast<LPARAM>(made.get()));
    FFont = std::move(made);
}

void TForm::FitClientArea() {
    RECT bounds{0, 0, Scale(FDesign.clientWidth), Scale(FDesign.clientHeight)};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE));
    AdjustWindowRectExForDpi(&bounds, style, FALSE, exStyle, FDpi);
    SetWindowPos(Handle(), nullptr, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT TWin32WinControl::ClientRect() const {
    RECT client{};
    if (FWindow.Handle() != nullptr) {
        GetClientRect(FWindow.Handle(), &client);
    }
    return client;
}

int RunMessageLoop(const TForm& form) {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (form.Handle() == nullptr || !IsDialogMessageW(form.Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

bool SetClipboardText(HWND owner, std::u16string_view text) {
    const TOpenClipboard clipboard(owner);
    if (!clipboard.IsOpen() || !EmptyClipboard()) {
        return false;
    }
    const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return false;
    }
    if (void* const target = GlobalLock(memory); target != nullptr) {
        std::memcpy(target, text.data(), text.size() * sizeof(char16_t));
        static_cast<char16_t*>(target)[text.size()] = u'\0';
        GlobalUnlock(memory);
        // The clipboard owns the memory from here on.
        if (SetClipboardData(CF_UNICODETEXT, memory) != nullptr) {
            return true;
        }
    }
    GlobalFree(memory);
    return false;
}

std::u16string ClipboardText() {
    const TOpenClipboard clipboard(nullptr);
    const HANDLE data = clipboard.IsOpen() ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    if (data == nullptr) {
        return {};
    }
    std::u16string text;
    if (const auto* const chars = static_cast<const char16_t*>(GlobalLock(data))) {
        text = chars;
        GlobalUnlock(data);
    }
    return text;
}

}  // namespace capspect
