#include "win32/Win32Window.h"

#include <commctrl.h>

#include "framework/Exceptions.h"
#include "platform/support/wide_string.h"

namespace capspect {
namespace {

// The child a parent's notification is about; null for notifications from menus and
// accelerators, which have no child.
HWND NotifyingChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<HWND>(lParam);
        case WM_DRAWITEM:
            return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
        case WM_MEASUREITEM:
            return GetDlgItem(parent, static_cast<int>(wParam));
        default:
            return nullptr;
    }
}

}  // namespace

Win32Window::~Win32Window() {
    if (handle_ != nullptr) {
        const HWND window = handle_;
        Detach();
        DestroyWindow(window);
    }
}

void Win32Window::Attach(HWND window) {
    if (window == nullptr || !SetWindowSubclass(window, &Win32Window::SubclassProc, 0,
                                                reinterpret_cast<DWORD_PTR>(this))) {
        throw EOSError(GetLastError());
    }
    handle_ = window;
}

void Win32Window::Detach() {
    RemoveWindowSubclass(handle_, &Win32Window::SubclassProc, 0);
    handle_ = nullptr;
}

void Win32Window::SetBounds(const WindowBounds& bounds) {
    MoveWindow(handle_, bounds.left, bounds.top, bounds.width, bounds.height, TRUE);
}

RECT Win32Window::BoundsInParent() const {
    RECT bounds{};
    GetWindowRect(handle_, &bounds);
    MapWindowPoints(HWND_DESKTOP, GetParent(handle_), reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

void Win32Window::SetFont(HFONT font) {
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void Win32Window::SetText(std::u16string_view text) {
    const std::u16string terminated(text);
    SetWindowTextW(handle_, WideText(terminated));
}

std::u16string Win32Window::Text() const {
    std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(handle_)) + 1, u'\0');
    const int length =
        GetWindowTextW(handle_, WideText(text.data()), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return text;
}

LRESULT Win32Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(message, wParam, lParam);
}

LRESULT Win32Window::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (const HWND child = NotifyingChild(handle_, message, wParam, lParam); child != nullptr) {
        if (const LRESULT answer = SendMessageW(child, kReflectedMessage + message, wParam, lParam);
            answer != 0) {
            return answer;
        }
    }
    return DefSubclassProc(handle_, message, wParam, lParam);
}

void Win32Window::HandleException(std::exception_ptr failure) {
    std::u16string text;
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        text = ExceptionBoxText(ExceptionMessage(error));
    } catch (...) {
        text = u"Unknown error.";
    }
    const HWND root = GetAncestor(handle_, GA_ROOT);
    wchar_t caption[256] = {};
    GetWindowTextW(root, caption, 256);
    MessageBoxW(root, WideText(text), caption, MB_OK | MB_ICONERROR);
}

LRESULT CALLBACK Win32Window::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR /*id*/, DWORD_PTR self) {
    auto& object = *reinterpret_cast<Win32Window*>(self);
    if (message == WM_NCDESTROY) {
        // The system destroys the window (with its parent): the object outlives it.
        object.Detach();
        return DefSubclassProc(window, message, wParam, lParam);
    }
    // An exception must not unwind through the system's frames.
    try {
        return object.WindowProc(message, wParam, lParam);
    } catch (...) {
        object.HandleException(std::current_exception());
        return 0;
    }
}

void RegisterWindowClass(const wchar_t* className, HBRUSH background) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExW(instance, className, &windowClass)) {
        return;
    }
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = className;
    if (RegisterClassExW(&windowClass) == 0) {
        throw EOSError(GetLastError());
    }
}

HWND CreateChildWindow(const wchar_t* className, std::u16string_view text, DWORD style,
                       DWORD exStyle, HWND parent, int id) {
    const std::u16string terminated(text);
    return CreateWindowExW(exStyle, className, WideText(terminated), WS_CHILD | WS_VISIBLE | style,
                           0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace capspect
