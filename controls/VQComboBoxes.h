// TVQLangComboBox: a drop-down list whose entries carry a shown caption and a hidden value.
//
// The Qt model of the combo box plays the native list: it holds one empty entry per item,
// and its current index is the selection. Every text on screen comes from the control's own
// items: the item delegate draws the drop-down entries, and the control paints its closed
// face itself through the style, cross-fading between visual states.
#pragma once

#include <QComboBox>
#include <QPixmap>
#include <QStyle>
#include <QTimer>

#include <functional>
#include <string>
#include <string_view>

#include "controls/VQComboBoxModel.h"
#include "controls/VQComboBoxProperties.h"

class QStyleOptionComboBox;
class QStyleOptionViewItem;

namespace capspect {

// A cross-fade between two pictures of the closed face, timed by the platform clock.
class FaceTransition {
public:
    void Start(DWORD now, DWORD duration, QPixmap from, QPixmap to);
    void Stop();
    bool Running(DWORD now) const;
    // How far the fade has come at `now`: 0 at the start, 1 at the end.
    double Progress(DWORD now) const;
    const QPixmap& From() const { return from_; }
    const QPixmap& To() const { return to_; }

private:
    bool active_ = false;
    DWORD start_ = 0;
    DWORD duration_ = 0;
    QPixmap from_;
    QPixmap to_;
};

class TVQLangComboBox : public QComboBox, private TComboListWindow, public ComboBoxProperties {
    Q_OBJECT

public:
    // Draws entry `index` in place of the control's own drawing.
    using TDrawItemEvent = std::function<void(TVQLangComboBox& sender, int index, QPainter& painter,
                                              const QStyleOptionViewItem&)>;

    static constexpr int kDefaultItemHeight = 16;

    explicit TVQLangComboBox(QWidget* parent = nullptr);
    ~TVQLangComboBox() override;

    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int height);

    void SetOnDrawItem(TDrawItemEvent onDrawItem) { FOnDrawItem = std::move(onDrawItem); }

    // The owner-draw routine of one drop-down entry.
    void DrawItem(QPainter& painter, const QStyleOptionViewItem& option, int index);

    // True while the closed face fades from one visual state to the next.
    bool FaceTransitionRunning() const;

    void showPopup() override;
    void hidePopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // TComboListWindow: the Qt model as the native list.
    DWORD InsertPlaceholder(int index) override;
    void DeletePlaceholder(int index) override;
    void ClearPlaceholders() override;
    int PlaceholderCount() const override;
    int Selection() const override;
    void SetSelection(int index) override;
    void Invalidate() override;

    bool HandleTypeAhead(const QKeyEvent& event);
    void ListClosed();
    QStyleOptionComboBox FaceOption(TComboFaceState state) const;
    void PaintFace(QPainter& painter, TComboFaceState state) const;
    QPixmap FacePicture(TComboFaceState state) const;
    DWORD TransitionDuration(TComboFaceState from, TComboFaceState to) const;

    FaceTransition FTransition;
    QTimer FFrameTimer;
    TDrawItemEvent FOnDrawItem;
    int FItemHeight = kDefaultItemHeight;
    bool FDroppedDown = false;
};

}  // namespace capspect
