// A Qt widget behind the framework's window-control interface, so that the components can
// place video in a widget and watch it: the control lives exactly as long as its widget,
// and its free-notification partners hear when the widget is destroyed.
#pragma once

#include <QPointer>
#include <QWidget>

#include "framework/Controls.h"
#include "framework/HiddenWindow.h"

namespace capspect {

class QtWinControl : public TWinControl {
public:
    // The control that stands for `widget`, made on first use. The widget owns it: when
    // the widget is destroyed, so is the control, with its owned components.
    static QtWinControl& For(QWidget& widget);

    ~QtWinControl() override;

    // A window of the calling thread that stands for the widget in the platform's calls.
    HWND Handle() const override { return window_.Handle(); }
    // The widget's area in its own coordinates; empty once the widget is going.
    RECT ClientRect() const override;
    // crNone while the widget hides the cursor, crDefault otherwise.
    TCursor Cursor() const override;
    void SetCursor(TCursor cursor);

    // The widget; null once it is being destroyed.
    QWidget* Widget() const { return widget_.data(); }

private:
    friend class WinControlKeeper;

    explicit QtWinControl(QWidget& widget);

    QPointer<QWidget> widget_;
    THiddenWindow window_;
};

}  // namespace capspect
