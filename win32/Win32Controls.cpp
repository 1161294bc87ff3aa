#include "win32/Win32Controls.h"

#include <cstring>
#include <exception>

#include "framework/Exceptions.h"
#include "platform/support/hidden_window.h"
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
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) {
        constexpr int kAttempts = 10;
        for (int attempt = 0; attempt < kAttempts && !open_; ++attempt) {
            open_ = OpenClipboard(owner) != FALSE;
            if (!open_) {
                Sleep(10);
            }
        }
    }
    ~OpenClipboardScope() {
        if (open_) {
            CloseClipboard();
        }
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;

    bool IsOpen() const { return open_; }

private:
    bool open_ = false;
};

}  // namespace

Win32Panel::Win32Panel(HWND parent, int id) {
    constexpr const wchar_t* kClassName = L"CapspectPanel";
    RegisterWindowClass(kClassName, DialogBackground());
    Attach(CreateChildWindow(kClassName, u"", WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, parent, id));
}

Win32Button::Win32Button(HWND parent, int id, std::u16string_view caption) {
    Attach(CreateChildWindow(L"BUTTON", caption, WS_TABSTOP | BS_PUSHBUTTON, 0, parent, id));
}

void Win32Button::Click() {
    SendMessageW(Handle(), BM_CLICK, 0, 0);
}

LRESULT Win32Button::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kReflectedMessage + WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (OnClick) {
            OnClick();
        }
        return 1;
    }
    return Win32Window::WindowProc(message, wParam, lParam);
}

Win32Memo::Win32Memo(HWND parent, int id) {
    constexpr DWORD kStyle =
        WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL;
    Attach(CreateChildWindow(L"EDIT", u"", kStyle, WS_EX_CLIENTEDGE, parent, id));
    SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
}

void Win32Memo::ScrollToTop() {
    SendMessageW(Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
}

int Win32Memo::FirstVisibleLine() const {
    return static_cast<int>(SendMessageW(Handle(), EM_GETFIRSTVISIBLELINE, 0, 0));
}

Win32Form::Win32Form(const Design& design) : design_(design) {
    RegisterWindowClass(design.className, DialogBackground());
    const std::u16string caption(design.caption);
    Attach(CreateWindowExW(WS_EX_CONTROLPARENT, design.className, WideText(caption),
                           WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr));
    if (const UINT dpi = GetDpiForWindow(Handle()); dpi != 0) {
        dpi_ = dpi;
    }
    MakeFont();
    FitClientArea();
}

void Win32Form::Show(int showCommand) {
    ShowWindow(Handle(), showCommand);
    UpdateWindow(Handle());
}

int Win32Form::Scale(int designPixels) const {
    return MulDiv(designPixels, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI);
}

LRESULT Win32Form::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            Resized();
            break;
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wParam);
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
    return Win32Window::WindowProc(message, wParam, lParam);
}

void Win32Form::MakeFont() {
    LOGFONTW font{};
    font.lfHeight = Scale(design_.fontHeight);
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    wcsncpy(font.lfFaceName, design_.fontFace, LF_FACESIZE - 1);
    UniqueFont made(CreateFontIndirectW(&font));
    if (!made) {
        throw EOSError(GetLastError());
    }
    // The children switch to the new font before the old one is deleted.
    EnumChildWindows(Handle(), SetChildFont, reinterpret_cast<LPARAM>(made.get()));
    font_ = std::move(made);
}

void Win32Form::FitClientArea() {
    RECT bounds{0, 0, Scale(design_.clientWidth), Scale(design_.clientHeight)};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE));
    AdjustWindowRectExForDpi(&bounds, style, FALSE, exStyle, dpi_);
    SetWindowPos(Handle(), nullptr, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT Win32WinControl::ClientRect() const {
    RECT client{};
    if (window_.Handle() != nullptr) {
        GetClientRect(window_.Handle(), &client);
    }
    return client;
}

int RunMessageLoop(Win32Form& form) {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (form.Handle() == nullptr || !IsDialogMessageW(form.Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        // A component's hidden window cannot raise through the system's dispatching; what
        // it raised is shown as the window's own handlers' exceptions are.
        if (const std::exception_ptr failure = TakeWindowProcedureFailure()) {
            form.HandleException(failure);
        }
    }
    return static_cast<int>(message.wParam);
}

bool SetClipboardText(HWND owner, std::u16string_view text) {
    const OpenClipboardScope clipboard(owner);
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
    const OpenClipboardScope clipboard(nullptr);
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
