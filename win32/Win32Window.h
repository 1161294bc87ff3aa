// Win32 windows as objects: a window of ours or a standard control, subclassed so that a
// member function sees its messages. A parent reflects the notifications it receives about
// a child (commands, owner drawing, colours) to that child, so each control handles its own
// drawing and commands, as the framework's controls do.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace capspect {

// A notification reflected to the child it is about: kReflectedMessage + the message
// (WM_COMMAND, WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR...). A child answers 0 when it does
// not handle it; the parent then handles the original as usual.
inline constexpr UINT kReflectedMessage = WM_APP + 0x1C00;

// Where a child window goes, in pixels of its parent's client area.
struct WindowBounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

class Win32Window {
public:
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;
    // Destroys the window unless the system destroyed it already (with its parent).
    virtual ~Win32Window();

    // Null once the window is destroyed.
    HWND Handle() const { return handle_; }

    void SetBounds(const WindowBounds& bounds);
    RECT BoundsInParent() const;
    void SetFont(HFONT font);
    void SetText(std::u16string_view text);
    std::u16string Text() const;

    // An exception that left WindowProc, or that the message loop took from a hidden
    // window: shown in an error box over the top-level window.
    virtual void HandleException(std::exception_ptr failure);

protected:
    Win32Window() = default;
    // Takes `window` over and subclasses it; a null window raises EOSError with the
    // platform's last error.
    void Attach(HWND window);

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The system's handling, after the reflection of children's notifications.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    void Detach();

    HWND handle_ = nullptr;
};

// Registers a window class of ours (the system's default procedure, the given background)
// once per process; the windows are subclassed after creation.
void RegisterWindowClass(const wchar_t* className, HBRUSH background);

// Creates a child window of `parent`; `id` identifies it in its parent's notifications.
HWND CreateChildWindow(const wchar_t* className, std::u16string_view text, DWORD style,
                       DWORD exStyle, HWND parent, int id);

}  // namespace capspect
