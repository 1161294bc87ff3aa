#include "qt/QtWinControl.h"

#include <QCursor>
#include <QObject>

#include <memory>

namespace capspect {

// A child object of the widget that holds its control. Qt destroys children with their
// parent, so the control goes when the widget goes and tells its partners then.
class WinControlKeeper : public QObject {
public:
    explicit WinControlKeeper(QWidget& widget)
        : QObject(&widget), control_(new QtWinControl(widget)) {}

    QtWinControl& Control() const { return *control_; }

private:
    const std::unique_ptr<QtWinControl> control_;
};

QtWinControl& QtWinControl::For(QWidget& widget) {
    for (QObject* child : widget.children()) {
        if (const auto* keeper = dynamic_cast<const WinControlKeeper*>(child)) {
            return keeper->Control();
        }
    }
    return (new WinControlKeeper(widget))->Control();
}

QtWinControl::QtWinControl(QWidget& widget)
    : widget_(&widget), window_([](UINT, WPARAM, LPARAM) -> LRESULT { return 0; }) {}

QtWinControl::~QtWinControl() = default;

RECT QtWinControl::ClientRect() const {
    if (widget_ == nullptr) {
        return RECT{};
    }
    return RECT{0, 0, widget_->width(), widget_->height()};
}

TCursor QtWinControl::Cursor() const {
    if (widget_ != nullptr && widget_->testAttribute(Qt::WA_SetCursor) &&
        widget_->cursor().shape() == Qt::BlankCursor) {
        return crNone;
    }
    return crDefault;
}

void QtWinControl::SetCursor(TCursor cursor) {
    if (widget_ == nullptr) {
        return;
    }
    if (cursor == crNone) {
        widget_->setCursor(Qt::BlankCursor);
    } else {
        widget_->unsetCursor();
    }
}

}  // namespace capspect
