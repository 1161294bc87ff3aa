#include "qt/QtWinControl.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/sdk/messages.h"

namespace capspect {
namespace {

// Records the components it hears of going.
class Watcher : public TComponent {
public:
    std::vector<TComponent*> removed;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        if (operation == TOperation::opRemove) {
            removed.push_back(component);
        }
        TComponent::Notification(component, operation);
    }
};

// Tells a flag when it is destroyed.
class Owned : public TComponent {
public:
    explicit Owned(bool& destroyed) : destroyed_(destroyed) {}
    ~Owned() override { destroyed_ = true; }

private:
    bool& destroyed_;
};

TEST(QtWinControlTest, OneControlPerWidgetWithAWindowOfItsOwn) {
    QWidget first;
    QWidget second;
    QtWinControl& control = QtWinControl::For(first);
    EXPECT_EQ(&QtWinControl::For(first), &control);
    EXPECT_NE(&QtWinControl::For(second), &control);
    EXPECT_EQ(control.Widget(), &first);
    EXPECT_TRUE(IsWindow(control.Handle()));
    EXPECT_NE(control.Handle(), QtWinControl::For(second).Handle());
}

TEST(QtWinControlTest, ClientRectFollowsTheWidgetsSize) {
    QWidget widget;
    widget.resize(320, 240);
    const QtWinControl& control = QtWinControl::For(widget);
    RECT rect = control.ClientRect();
    EXPECT_EQ((std::vector<LONG>{rect.left, rect.top, rect.right, rect.bottom}),
              (std::vector<LONG>{0, 0, 320, 240}));
    widget.resize(640, 360);
    rect = control.ClientRect();
    EXPECT_EQ((std::vector<LONG>{rect.left, rect.top, rect.right, rect.bottom}),
              (std::vector<LONG>{0, 0, 640, 360}));
}

TEST(QtWinControlTest, CursorNoneHidesTheWidgetsCursorAndDefaultRestoresIt) {
    QWidget widget;
    QtWinControl& control = QtWinControl::For(widget);
    EXPECT_EQ(control.Cursor(), crDefault);
    control.SetCursor(crNone);
    EXPECT_EQ(control.Cursor(), crNone);
    EXPECT_EQ(widget.cursor().shape(), Qt::BlankCursor);
    control.SetCursor(crDefault);
    EXPECT_EQ(control.Cursor(), crDefault);
    EXPECT_NE(widget.cursor().shape(), Qt::BlankCursor);
}

TEST(QtWinControlTest, DestroyingTheWidgetNotifiesPartnersAndFreesOwnedComponents) {
    Watcher watcher;
    bool ownedDestroyed = false;
    auto widget = std::make_unique<QWidget>();
    QtWinControl& control = QtWinControl::For(*widget);
    const HWND handle = control.Handle();
    watcher.FreeNotification(&control);
    TComponent::CreateOwned<Owned>(control, ownedDestroyed);

    widget.reset();

    EXPECT_EQ(watcher.removed, std::vector<TComponent*>{&control});
    EXPECT_TRUE(ownedDestroyed);
    EXPECT_FALSE(IsWindow(handle));
}

TEST(QtWinControlTest, AChildWidgetsControlGoesWithItsParent) {
    Watcher watcher;
    auto parent = std::make_unique<QWidget>();
    auto* child = new QWidget(parent.get());
    QtWinControl& control = QtWinControl::For(*child);
    watcher.FreeNotification(&control);
    parent.reset();
    EXPECT_EQ(watcher.removed, std::vector<TComponent*>{&control});
}

}  // namespace
}  // namespace capspect
