// Hidden message windows on Windows: message-only windows (HWND_MESSAGE) of one window
// class of ours, each carrying its procedure. The procedure object belongs to the window
// and goes with it.
#include "platform/support/hidden_window.h"

#include <exception>
#include <memory>
#include <utility>

namespace capspect {
namespace {

constexpr wchar_t kClassName[] = L"CapspectHiddenWindow";

// What a procedure raised on this thread, until the message loop takes it.
thread_local std::exception_ptr pending_failure;

LRESULT CallProcedure(WindowProcedure& procedure, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return procedure(message, wParam, lParam);
    } catch (...) {
        if (!pending_failure) {
            pending_failure = std::current_exception();
        }
        return 0;
    }
}

LRESULT CALLBACK HiddenWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* const create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return TRUE;
    }
    auto* const procedure =
        reinterpret_cast<WindowProcedure*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        delete procedure;  // taken over from AllocateHWnd
        return 0;
    }
    if (procedure != nullptr && *procedure) {
        return CallProcedure(*procedure, message, wParam, lParam);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The class, registered on first use; registering it again answers the existing class.
bool RegisterHiddenWindowClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = HiddenWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

}  // namespace

HWND AllocateHWnd(WindowProcedure procedure) {
    if (!RegisterHiddenWindowClass()) {
        return nullptr;
    }
    auto owned = std::make_unique<WindowProcedure>(std::move(procedure));
    const HWND hwnd = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleW(nullptr), owned.get());
    if (hwnd != nullptr) {
        owned.release();  // the window deletes it on WM_NCDESTROY
    }
    return hwnd;
}

void DeallocateHWnd(HWND hwnd) {
    if (hwnd != nullptr && IsWindow(hwnd)) {
        DestroyWindow(hwnd);
    }
}

std::exception_ptr TakeWindowProcedureFailure() {
    return std::exchange(pending_failure, nullptr);
}

}  // namespace capspect
