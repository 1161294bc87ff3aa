// Window controls as the components see them: a window that video can be parented to,
// with its client area and cursor. A GUI toolkit's widget stands behind the interface;
// TPlainWinControl is a hidden window with a settable size, for code without a GUI.
#pragma once

#include <windows.h>

#include "framework/Components.h"
#include "framework/HiddenWindow.h"

namespace capspect {

using TCursor = int;
inline constexpr TCursor crDefault = 0;
// No cursor over the control.
inline constexpr TCursor crNone = -1;

class TWinControl : public TComponent {
public:
    // The window that child windows (a video window) are parented to.
    virtual HWND Handle() const = 0;
    // The client area in the control's own coordinates: left and top are 0.
    virtual RECT ClientRect() const = 0;
    virtual TCursor Cursor() const = 0;
};

class TPlainWinControl : public TWinControl {
public:
    TPlainWinControl(int clientWidth = 0, int clientHeight = 0);

    HWND Handle() const override { return FWindow.Handle(); }
    RECT ClientRect() const override { return FClientRect; }
    TCursor Cursor() const override { return FCursor; }

    void SetClientSize(int width, int height);
    void SetCursor(TCursor Value) { FCursor = Value; }

private:
    THiddenWindow FWindow;
    RECT FClientRect{};
    TCursor FCursor = crDefault;
};

}  // namespace capspect
