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

TWin32Window::~TWin32Window() {
    if (FHandle != nullptr) {
        const HWND window = FHandle;
        Detach();
        DestroyWindow(window);
    }
}

void TWin32Window::Attach(HWND window) {
    if (window == nullptr || !SetWindowSubclass(window, &TWin32Window::SubclassProc, 0,
                                                reinterpret_cast<DWORD_PTR>(this))) {
        throw EOSError(GetLastError());
    }
    FHandle = window;
}

void TWin32Window::Detach() {
    RemoveWindowSubclass(FHandle, &TWin32Window::SubclassProc, 0);
    FHandle = nullptr;
}

void TWin32Window::SetBounds(const TBounds& bounds) {
    MoveWindow(FHandle, bounds.left, bounds.top, bounds.width, bounds.height, TRUE);
}

RECT TWin32Window::BoundsInParent() const {
    RECT bounds{};
    GetWindowRect(FHandle, &bounds);
    MapWindowPoints(HWND_DESKTOP, GetParent(FHandle), reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

void TWin32Window::SetFont(HFONT font) {
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void TWin32Window::SetText(std::u16string_view text) {
    const std::u16string terminated(text);
    SetWindowTextW(FHandle, WideText(terminated));
}

std::u16string TWin32Window::Text() const {
    std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(FHandle)) + 1, u'\0');
    const int length =
        GetWindowTextW(FHandle, WideText(text.data()), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return text;
}

LRESULT TWin32Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(message, wParam, lParam);
}

LRESULT TWin32Window::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (const HWND child = NotifyingChild(FHandle, message, wParam, lParam); child != nullptr) {
        if (const LRESULT answer = SendMessageW(child, kReflectedMessage + message, wParam, lParam);
            answer != 0) {
            return answer;
        }
    }
    return DefSubclassProc(FHandle, message, wParam, lParam);
}

void TWin32Window::HandleException(std::exception_ptr failure) {
    std::u16string text;
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        text = ExceptionBoxText(ExceptionMessage(error));
    } catch (...) {
        text = u"Unknown error.";
    }
    const HWND root = GetAncestor(FHandle, GA_ROOT);
    wchar_t caption[256] = {};
    GetWindowTextW(root, caption, 256);
    MessageBoxW(root, WideText(text), caption, MB_OK | MB_ICONERROR);
}

LRESULT CALLBACK TWin32Window::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR /*id*/, DWORD_PTR self) {
    auto& object = *reinterpret_cast<TWin32Window*>(self);
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
