#include "controls/VQComboBoxes.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionViewItem>

#include <chrono>
#include <memory>

#include "platform/linux/clock.h"
#include "platform/sdk/clock.h"
#include "tests/support/LocaleEnvironment.h"

namespace capspect {
namespace {

using namespace std::chrono_literals;

// A style whose state changes take a known time to fade.
class FadingStyle : public QProxyStyle {
public:
    static constexpr int kDuration = 200;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* answer) const override {
        if (hint == SH_Widget_Animation_Duration) {
            return kDuration;
        }
        return QProxyStyle::styleHint(hint, option, widget, answer);
    }
};

class ComboWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::LocaleIsInstalled(test::kEnglish));
        combo.resize(160, 24);
    }

    // Entry `row` of the drop-down list as the item delegate paints it.
    QImage EntryImage(int row, QStyle::State state = QStyle::State_Enabled) {
        QStyleOptionViewItem option;
        option.initFrom(combo.view());
        option.state = state;
        option.rect = QRect(0, 0, 120, combo.ItemHeight());
        QImage image(option.rect.size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        combo.view()->itemDelegate()->paint(&painter, option, combo.model()->index(row, 0));
        return image;
    }

    void Type(QWidget& target, Qt::Key key, const QString& text,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(&target, &press);
    }

    test::LocaleEnvironment locale{test::kEnglish};
    TVQLangComboBox combo;
};

TEST_F(ComboWidgetTest, NativeListHoldsOneEmptyEntryPerItem) {
    combo.Add(u"Camera", u"cam");
    combo.Add(u"Grabber", u"grab");
    ASSERT_EQ(combo.count(), 2);
    EXPECT_TRUE(combo.itemText(0).isEmpty());
    EXPECT_TRUE(combo.itemText(1).isEmpty());
    EXPECT_EQ(combo.currentIndex(), -1) << "adding items selects nothing";
    EXPECT_EQ(combo.ItemIndex(), u"");

    combo.SetItemIndex(u"GRAB");
    EXPECT_EQ(combo.currentIndex(), 1);
    combo.SetItemIndexNr(5);
    EXPECT_EQ(combo.ItemIndexNr(), -1);

    combo.SetAutoAdd(true);
    combo.SetItemIndex(u"usb");
    EXPECT_EQ(combo.count(), 3);
    EXPECT_EQ(combo.currentIndex(), 2);

    combo.Clear();
    EXPECT_EQ(combo.count(), 0);
    EXPECT_EQ(combo.GetCount(), 0);
}

TEST_F(ComboWidgetTest, SortingMovesCaptionsNotTheSelection) {
    combo.Add(u"beta", u"b");
    combo.Add(u"Alpha", u"a");
    combo.SetItemIndexNr(0);
    combo.Items().SetSortType(TListItemsSortType::stText);
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(combo.ItemIndex(), u"a");
    EXPECT_EQ(combo.count(), 2);
}

TEST_F(ComboWidgetTest, DelegateDrawsCaptionsWithCustomValue) {
    combo.Add(u"Input %d", u"placeholder");
    combo.Add(u"Input 3", u"plain");
    combo.Add(u"Input 4", u"other");
    combo.Add(u"Input %D", u"upper");
    combo.SetCustomValue(3);

    ASSERT_NE(EntryImage(1), EntryImage(2)) << "different texts must look different";
    EXPECT_EQ(EntryImage(0), EntryImage(1));
    combo.SetCustomValue(4);
    EXPECT_EQ(EntryImage(0), EntryImage(2));

    const QImage upper = EntryImage(3);
    combo.SetCustomValue(3);
    EXPECT_EQ(EntryImage(3), upper) << "'%D' is drawn as stored";

    const auto selected = QStyle::State_Enabled | QStyle::State_Selected;
    EXPECT_NE(EntryImage(1, selected), EntryImage(1)) << "a selected entry is highlighted";
}

TEST_F(ComboWidgetTest, OnDrawItemReplacesTheOwnerDrawing) {
    combo.Add(u"Camera", u"cam");
    int drawnIndex = -1;
    combo.SetOnDrawItem([&drawnIndex](TVQLangComboBox&, int index, QPainter&,
                                      const QStyleOptionViewItem&) { drawnIndex = index; });
    const QImage image = EntryImage(0);
    EXPECT_EQ(drawnIndex, 0);
    QImage blank(image.size(), image.format());
    blank.fill(Qt::white);
    EXPECT_EQ(image, blank);
}

TEST_F(ComboWidgetTest, ClosedFaceShowsTheSameTextAsTheList) {
    TVQLangComboBox plain;
    plain.resize(combo.size());
    plain.Add(u"Input 3", u"x");
    plain.SetItemIndexNr(0);
    combo.Add(u"Input %d", u"x");
    combo.SetCustomValue(3);
    combo.SetItemIndexNr(0);
    EXPECT_EQ(combo.grab().toImage(), plain.grab().toImage());

    plain.Items().Items(0).SetCaption(u"Input 4");
    EXPECT_NE(combo.grab().toImage(), plain.grab().toImage());
}

TEST_F(ComboWidgetTest, TypingSelectsByCaptionAndRestartsAfterThePause) {
    TestClock clock(10s);
    combo.Add(u"Ultra", u"1");
    combo.Add(u"USB Kamera", u"2");
    combo.Add(u"Sony", u"3");
    Type(combo, Qt::Key_U, QStringLiteral("u"));
    EXPECT_EQ(combo.currentIndex(), 0);
    clock.Advance(100ms);
    Type(combo, Qt::Key_S, QStringLiteral("s"));
    EXPECT_EQ(combo.currentIndex(), 1);

    clock.Advance(501ms);
    Type(combo, Qt::Key_S, QStringLiteral("s"));
    EXPECT_EQ(combo.currentIndex(), 2);

    // While the list is open, keys reach its view; type-ahead goes on there.
    combo.showPopup();
    clock.Advance(600ms);
    Type(*combo.view(), Qt::Key_U, QStringLiteral("U"));
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(combo.view()->currentIndex().row(), 0);
    combo.hidePopup();
}

TEST_F(ComboWidgetTest, DeleteKeySelectsTheItemWithoutValue) {
    combo.Add(u"Camera", u"cam");
    combo.Add(u"(none)", u"");
    combo.SetItemIndexNr(0);
    Type(combo, Qt::Key_Delete, QString(), Qt::ShiftModifier);
    EXPECT_EQ(combo.currentIndex(), 0);
    Type(combo, Qt::Key_Delete, QString());
    EXPECT_EQ(combo.currentIndex(), 1);
}

TEST_F(ComboWidgetTest, WidgetEventsDriveTheVisualState) {
    const TVQLangComboBoxModel& model = combo.Model();
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&combo, &enter);
    EXPECT_EQ(model.NewState(), TComboFaceState::Hot);

    combo.Add(u"Camera", u"cam");
    combo.showPopup();
    EXPECT_EQ(model.NewState(), TComboFaceState::Pressed);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&combo, &leave);
    EXPECT_EQ(model.NewState(), TComboFaceState::Pressed);
    combo.hidePopup();
    EXPECT_EQ(model.NewState(), TComboFaceState::Normal);
    QApplication::sendEvent(&combo, &enter);
    combo.hidePopup();  // not open: no close-up
    EXPECT_EQ(model.NewState(), TComboFaceState::Hot);

    combo.showPopup();
    combo.view()->window()->hide();  // closed from outside, as by a click elsewhere
    EXPECT_EQ(model.NewState(), TComboFaceState::Normal);

    combo.setEnabled(false);
    EXPECT_EQ(model.NewState(), TComboFaceState::Disabled);
    combo.setEnabled(true);
    EXPECT_EQ(model.NewState(), TComboFaceState::Normal);
}

TEST(ComboWidgetFade, StateChangesFadeOverTheStylesDuration) {
    TestClock clock(10s);
    FadingStyle style;
    TVQLangComboBox combo;
    combo.setStyle(&style);
    combo.resize(160, 24);
    combo.show();
    combo.Add(u"Camera", u"cam");

    combo.Model().EnabledChanged(true);
    combo.grab();  // the first state is painted directly
    EXPECT_FALSE(combo.FaceTransitionRunning());
    EXPECT_EQ(combo.Model().CurrentState(), TComboFaceState::Normal);

    combo.Model().MouseEntered();
    combo.grab();
    EXPECT_TRUE(combo.FaceTransitionRunning());
    EXPECT_EQ(combo.Model().CurrentState(), TComboFaceState::Hot);
    clock.Advance(std::chrono::milliseconds(FadingStyle::kDuration - 1));
    combo.grab();
    EXPECT_TRUE(combo.FaceTransitionRunning());
    clock.Advance(1ms);
    EXPECT_FALSE(combo.FaceTransitionRunning());

    combo.Model().DroppedDown();
    combo.grab();
    ASSERT_TRUE(combo.FaceTransitionRunning());
    combo.resize(200, 30);
    EXPECT_FALSE(combo.FaceTransitionRunning()) << "a resize stops the fade";
}

}  // namespace
}  // namespace capspect
