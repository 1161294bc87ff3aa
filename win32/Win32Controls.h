// The standard controls the main window is made of, as Win32 windows: a panel, a push
// button, a multi-line text area, and the top-level form with its font and DPI scaling.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "framework/Controls.h"
#include "win32/Win32Window.h"

namespace capspect {

struct DeleteFontOnExit {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, DeleteFontOnExit>;

// A plain child window in the dialog colour that holds other controls.
class Win32Panel : public Win32Window {
public:
    Win32Panel(HWND parent, int id);
};

class Win32Button : public Win32Window {
public:
    Win32Button(HWND parent, int id, std::u16string_view caption);

    std::function<void()> OnClick;

    // Clicks the button as the user does (BM_CLICK).
    void Click();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A multi-line edit control with a vertical scroll bar; its text is as long as memory
// allows (an edit control holds 32,767 characters unless told otherwise).
class Win32Memo : public Win32Window {
public:
    Win32Memo(HWND parent, int id);

    void Clear() { SetText(u""); }
    // Scrolls to the first line (a vertical scroll message with the thumb position 0).
    void ScrollToTop();
    int FirstVisibleLine() const;
};

// A top-level window of the class `className`, hidden until shown, whose client area is
// given at 96 dots per inch and scaled to the DPI of the monitor it is on. The font is
// made for that DPI too and given to every child.
class Win32Form : public Win32Window {
public:
    struct Design {
        const wchar_t* className;
        std::u16string_view caption;
        int clientWidth;   // at 96 dots per inch
        int clientHeight;  // at 96 dots per inch
        const wchar_t* fontFace;
        int fontHeight;  // LOGFONT height at 96 dots per inch (negative: character height)
    };

    explicit Win32Form(const Design& design);

    void Show(int showCommand = SW_SHOWNORMAL);

    // The window's dots per inch (96 at 100 %).
    UINT Dpi() const { return dpi_; }
    // A length at 96 dots per inch in pixels at the window's DPI.
    int Scale(int designPixels) const;
    HFONT Font() const { return font_.get(); }

    // True while the window exists; false once it was closed and destroyed.
    bool IsOpen() const { return Handle() != nullptr; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The client area changed size, or the window moved to a monitor of another DPI: lay
    // the children out again. Children are given the new font before.
    virtual void Resized() {}
    // The window is being destroyed; its children still exist.
    virtual void Destroying() {}

private:
    void MakeFont();
    void FitClientArea();

    Design design_;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    UniqueFont font_;
};

// The framework's window control for a Win32 window, so that components can be owned by
// the window and find its handle (a property page's owner, say).
class Win32WinControl : public TWinControl {
public:
    explicit Win32WinControl(const Win32Window& window) : window_(window) {}

    HWND Handle() const override { return window_.Handle(); }
    RECT ClientRect() const override;
    TCursor Cursor() const override { return crDefault; }

private:
    const Win32Window& window_;
};

// Runs the thread's message loop until WM_QUIT; dialog keys (Tab between the controls)
// work in `form`, which also shows what a hidden window's procedure raised. Answers the
// exit code WM_QUIT carries.
int RunMessageLoop(Win32Form& form);

// Puts `text` on the clipboard as CF_UNICODETEXT; false when the clipboard cannot be opened
// or the text not stored.
bool SetClipboardText(HWND owner, std::u16string_view text);
// The clipboard's CF_UNICODETEXT, empty when it holds none.
std::u16string ClipboardText();

}  // namespace capspect
