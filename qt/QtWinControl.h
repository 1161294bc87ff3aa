// A Qt widget behind the framework's window-control interface, so that the components can
// place video in a widget and watch it: the control lives exactly as long as its widget,
// and its free-notification partners hear when the widget is destroyed.
#pragma once

#include <QPointer>
#include <QWidget>

#include "framework/Controls.h"
#include "framework/HiddenWindow.h"

namespace capspect {

class TQtWinControl : public TWinControl {
public:
    // The control that stands for `widget`, made on first use. The widget owns it: when
    // the widget is destroyed, so is the control, with its owned components.
    static TQtWinControl& For(QWidget& widget);

    ~TQtWinControl() override;

    // A window of the calling thread that stands for the widget in the platform's calls.
    HWND Handle() const override { return FWindow.Handle(); }
    // The widget's area in its own coordinates; empty once the widget is going.
    RECT ClientRect() const override;
    // crNone while the widget hides the cursor, crDefault otherwise.
    TCursor Cursor() const override;
    void SetCursor(TCursor cursor);

    // The widget; null once it is being destroyed.
    QWidget* Widget() const { return FWidget.data(); }

private:
    friend class TWinControlKeeper;

    explicit TQtWinControl(QWidget& widget);

    QPointer<QWidget> FWidget;
    THiddenWindow FWindow;
};

}  // namespace capspect
