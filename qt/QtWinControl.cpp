#include "qt/QtWinControl.h"

#include <QCursor>
#include <QObject>

#include <memory>

namespace capspect {

// A child object of the widget that holds its control. Qt destroys children with their
// parent, so the control goes when the widget goes and tells its partners then.
class TWinControlKeeper : public QObject {
public:
    explicit TWinControlKeeper(QWidget& widget)
        : QObject(&widget), FControl(new TQtWinControl(widget)) {}

    TQtWinControl& Control() const { return *FControl; }

private:
    const std::unique_ptr<TQtWinControl> FControl;
};

TQtWinControl& TQtWinControl::For(QWidget& widget) {
    for (QObject* child : widget.children()) {
        if (const auto* keeper = dynamic_cast<const TWinControlKeeper*>(child)) {
            return keeper->Control();
        }
    }
    return (new TWinControlKeeper(widget))->Control();
}

TQtWinControl::TQtWinControl(QWidget& widget)
    : FWidget(&widget), FWindow([](UINT, WPARAM, LPARAM) -> LRESULT { return 0; }) {}

TQtWinControl::~TQtWinControl() = default;

RECT TQtWinControl::ClientRect() const {
    if (FWidget == nullptr) {
        return RECT{};
    }
    return RECT{0, 0, FWidget->width(), FWidget->height()};
}

TCursor TQtWinControl::Cursor() const {
    if (FWidget != nullptr && FWidget->testAttribute(Qt::WA_SetCursor) &&
        FWidget->cursor().shape() == Qt::BlankCursor) {
        return crNone;
    }
    return crDefault;
}

void TQtWinControl::SetCursor(TCursor cursor) {
    if (FWidget == nullptr) {
        return;
    }
    if (cursor == crNone) {
        FWidget->setCursor(Qt::BlankCursor);
    } else {
        FWidget->unsetCursor();
    }
}

}  // namespace capspect
