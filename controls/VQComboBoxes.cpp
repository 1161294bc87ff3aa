#include "controls/VQComboBoxes.h"

#include <QAbstractItemView>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStyleOptionFocusRect>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>

#include <algorithm>

#include "platform/sdk/clock.h"
#include "platform/sdk/messages.h"

namespace capspect {

namespace {

constexpr int kFrameInterval = 16;  // milliseconds between frames of a face transition
constexpr int kTextIndent = 2;      // pixels between an entry's left edge and its text

// Draws the drop-down entries through the control's owner-draw routine: the native list's
// own texts are empty.
class ComboBoxItemDelegate final : public QStyledItemDelegate {
public:
    explicit ComboBoxItemDelegate(TVQLangComboBox& comboBox)
        : QStyledItemDelegate(&comboBox), comboBox_(comboBox) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        // Prepare the canvas as the owner-draw routine expects it: the control's font, and
        // the highlight colours for the selected entry.
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        painter->save();
        painter->setFont(comboBox_.font());
        painter->setBrush(option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        comboBox_.DrawItem(*painter, option, index.row());
        painter->restore();
        if (option.state.testFlag(QStyle::State_HasFocus)) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor = option.palette.color(QPalette::Highlight);
            comboBox_.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter,
                                             &comboBox_);
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QString text = QString::fromStdU16String(comboBox_.Model().ShownCaption(index.row()));
        const int width = option.fontMetrics.horizontalAdvance(text) + 2 * kTextIndent;
        return {width, comboBox_.ItemHeight()};
    }

private:
    TVQLangComboBox& comboBox_;
};

WORD VirtualKey(const QKeyEvent& event) {
    return event.key() == Qt::Key_Delete ? VK_DELETE : WORD{0};
}

TShiftState ShiftStateOf(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    return {.shift = modifiers.testFlag(Qt::ShiftModifier),
            .ctrl = modifiers.testFlag(Qt::ControlModifier),
            .alt = modifiers.testFlag(Qt::AltModifier)};
}

}  // namespace

void FaceTransition::Start(DWORD now, DWORD duration, QPixmap from, QPixmap to) {
    active_ = true;
    start_ = now;
    duration_ = duration;
    from_ = std::move(from);
    to_ = std::move(to);
}

void FaceTransition::Stop() {
    active_ = false;
    from_ = {};
    to_ = {};
}

bool FaceTransition::Running(DWORD now) const {
    return active_ && now - start_ < duration_;
}

double FaceTransition::Progress(DWORD now) const {
    if (!active_ || duration_ == 0) {
        return 1.0;
    }
    return std::min(1.0, static_cast<double>(now - start_) / duration_);
}

TVQLangComboBox::TVQLangComboBox(QWidget* parent)
    : QComboBox(parent), ComboBoxProperties(static_cast<TComboListWindow&>(*this)) {
    setEditable(false);
    setItemDelegate(new ComboBoxItemDelegate(*this));
    view()->installEventFilter(this);
    // The list's popup window can close without hidePopup (a click outside it).
    view()->window()->installEventFilter(this);
    FFrameTimer.setSingleShot(true);
    FFrameTimer.setInterval(kFrameInterval);
    connect(&FFrameTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    connect(this, &QComboBox::activated, this, qOverload<>(&QWidget::update));
}

TVQLangComboBox::~TVQLangComboBox() {
    view()->window()->removeEventFilter(this);
    view()->removeEventFilter(this);
}

void TVQLangComboBox::SetItemHeight(int height) {
    FItemHeight = std::max(1, height);
    view()->doItemsLayout();
}

void TVQLangComboBox::DrawItem(QPainter& painter, const QStyleOptionViewItem& option, int index) {
    if (FOnDrawItem) {
        FOnDrawItem(*this, index, painter, option);
        return;
    }
    painter.fillRect(option.rect, painter.brush());
    if (!isEnabled()) {
        painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    }
    const QString text = QString::fromStdU16String(model_.ShownCaption(index));
    const QRect textRect(option.rect.left() + kTextIndent, option.rect.top(),
                         std::max(0, option.rect.width() - kTextIndent), option.rect.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                     text);
}

bool TVQLangComboBox::FaceTransitionRunning() const {
    return FTransition.Running(timeGetTime());
}

void TVQLangComboBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const DWORD now = timeGetTime();
    if (!FTransition.Running(now)) {
        FTransition.Stop();
        const TComboFaceState from = model_.CurrentState();
        const TComboFaceState to = model_.NewState();
        const DWORD duration = TransitionDuration(from, to);
        model_.FacePainted();
        if (duration == 0) {
            PaintFace(painter, to);
            return;
        }
        FTransition.Start(now, duration, FacePicture(from), FacePicture(to));
    }
    painter.drawPixmap(0, 0, FTransition.From());
    painter.setOpacity(FTransition.Progress(now));
    painter.drawPixmap(0, 0, FTransition.To());
    // One more frame after the end paints the final state directly.
    FFrameTimer.start();
}

void TVQLangComboBox::keyPressEvent(QKeyEvent* event) {
    if (HandleTypeAhead(*event)) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
    model_.KeyDown(VirtualKey(*event), ShiftStateOf(*event));
}

void TVQLangComboBox::enterEvent(QEnterEvent* event) {
    QComboBox::enterEvent(event);
    model_.MouseEntered();
}

void TVQLangComboBox::leaveEvent(QEvent* event) {
    QComboBox::leaveEvent(event);
    model_.MouseLeft(FDroppedDown, isEnabled());
}

void TVQLangComboBox::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        model_.EnabledChanged(isEnabled());
    }
}

void TVQLangComboBox::focusInEvent(QFocusEvent* event) {
    QComboBox::focusInEvent(event);
    update();
}

void TVQLangComboBox::resizeEvent(QResizeEvent* event) {
    // The pictures of a running transition have the old size.
    FTransition.Stop();
    FFrameTimer.stop();
    QComboBox::resizeEvent(event);
}

bool TVQLangComboBox::eventFilter(QObject* watched, QEvent* event) {
    // Type-ahead goes on while the list is open; the list's own search would only see the
    // empty placeholder texts.
    if (watched == view() && event->type() == QEvent::KeyPress &&
        HandleTypeAhead(static_cast<const QKeyEvent&>(*event))) {
        view()->setCurrentIndex(model()->index(currentIndex(), modelColumn()));
        return true;
    }
    if (watched == view()->window() && event->type() == QEvent::Hide) {
        ListClosed();
    }
    return QComboBox::eventFilter(watched, event);
}

void TVQLangComboBox::showPopup() {
    QComboBox::showPopup();
    FDroppedDown = true;
    model_.DroppedDown();
}

void TVQLangComboBox::hidePopup() {
    QComboBox::hidePopup();
    ListClosed();
}

void TVQLangComboBox::ListClosed() {
    if (FDroppedDown) {
        FDroppedDown = false;
        model_.ClosedUp();
    }
}

DWORD TVQLangComboBox::InsertPlaceholder(int index) {
    // A combo box without a selection selects its first entry when entries arrive; the
    // native list does not, so the "no selection" is restored without telling anyone.
    if (currentIndex() < 0) {
        const QSignalBlocker blocker(this);
        insertItem(index, QString());
        setCurrentIndex(-1);
    } else {
        insertItem(index, QString());
    }
    return 0;
}

void TVQLangComboBox::DeletePlaceholder(int index) {
    removeItem(index);
}

void TVQLangComboBox::ClearPlaceholders() {
    clear();
}

int TVQLangComboBox::PlaceholderCount() const {
    return count();
}

int TVQLangComboBox::Selection() const {
    return currentIndex();
}

void TVQLangComboBox::SetSelection(int index) {
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

void TVQLangComboBox::Invalidate() {
    update();
}

bool TVQLangComboBox::HandleTypeAhead(const QKeyEvent& event) {
    const QString text = event.text();
    const bool commandKey =
        (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
    if (!model_.AutoComplete() || commandKey || text.isEmpty() || !text.front().isPrint()) {
        return false;
    }
    model_.KeyPress(text.toStdU16String());
    return true;
}

QStyleOptionComboBox TVQLangComboBox::FaceOption(TComboFaceState state) const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.state &= ~(QStyle::State_MouseOver | QStyle::State_On | QStyle::State_Sunken |
                      QStyle::State_HasFocus);
    option.activeSubControls = QStyle::SC_None;
    switch (state) {
        case TComboFaceState::Hot:
            option.state |= QStyle::State_MouseOver;
            break;
        case TComboFaceState::Pressed:
            option.state |= QStyle::State_On | QStyle::State_Sunken;
            option.activeSubControls = QStyle::SC_ComboBoxArrow;
            break;
        case TComboFaceState::Disabled:
            option.state &= ~QStyle::State_Enabled;
            break;
        case TComboFaceState::NotSet:
        case TComboFaceState::Normal:
            break;
    }
    if (hasFocus() && !FDroppedDown) {
        option.state |= QStyle::State_HasFocus;
    }
    option.currentText = QString::fromStdU16String(model_.FaceText());
    option.currentIcon = QIcon();
    return option;
}

void TVQLangComboBox::PaintFace(QPainter& painter, TComboFaceState state) const {
    const QStyleOptionComboBox option = FaceOption(state);
    style()->drawComplexControl(QStyle::CC_ComboBox, &option, &painter, this);
    style()->drawControl(QStyle::CE_ComboBoxLabel, &option, &painter, this);
}

QPixmap TVQLangComboBox::FacePicture(TComboFaceState state) const {
    const qreal ratio = devicePixelRatioF();
    QPixmap picture((QSizeF(size()) * ratio).toSize());
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    PaintFace(painter, state);
    return picture;
}

DWORD TVQLangComboBox::TransitionDuration(TComboFaceState from, TComboFaceState to) const {
    // Before the first state event there is nothing to fade from.
    if (from == to || from == TComboFaceState::NotSet) {
        return 0;
    }
    const QStyleOptionComboBox option = FaceOption(to);
    return static_cast<DWORD>(
        std::max(0, style()->styleHint(QStyle::SH_Widget_Animation_Duration, &option, this)));
}

}  // namespace capspect
