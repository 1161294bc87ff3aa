#include "controls/VQComboBoxModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "platform/linux/clock.h"
#include "platform/sdk/clock.h"
#include "platform/sdk/messages.h"
#include "tests/controls/ComboListWindowContract.h"
#include "tests/controls/ComboListWindowDouble.h"
#include "tests/support/LocaleEnvironment.h"

namespace capspect {
namespace {

using namespace std::chrono_literals;
using test::ComboListWindowDouble;
using test::LocaleEnvironment;

class ComboModelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::LocaleIsInstalled(test::kEnglish)); }

    void AddCaptions(std::initializer_list<const char16_t*> captions) {
        for (const char16_t* caption : captions) {
            combo.Add(caption, std::u16string(u"value of ") + caption);
        }
    }

    std::vector<std::u16string> Captions() const {
        std::vector<std::u16string> captions;
        for (int index = 0; index < combo.GetCount(); ++index) {
            captions.push_back(combo.Items().Items(index).Caption());
        }
        return captions;
    }

    LocaleEnvironment locale{test::kEnglish};
    ComboListWindowDouble window;
    TVQLangComboBoxModel combo{window};
};

// --- Selection by value -----------------------------------------------------------------

TEST_F(ComboModelTest, ReadsNoSelectionAndEmptyValuesAsTheEmptyText) {
    EXPECT_EQ(combo.ItemIndex(), u"");
    EXPECT_EQ(combo.ItemIndexNr(), -1);

    combo.Add(u"Camera", u"cam");
    combo.Add(u"No device", u"");
    EXPECT_EQ(combo.ItemIndexNr(), -1) << "adding items selects nothing";
    combo.SetItemIndexNr(1);
    EXPECT_EQ(combo.ItemIndex(), u"");
    EXPECT_EQ(combo.ItemIndexNr(), 1);
    combo.SetItemIndexNr(0);
    EXPECT_EQ(combo.ItemIndex(), u"cam");

    combo.SetItemIndexNr(2);
    EXPECT_EQ(combo.ItemIndexNr(), -1) << "a position without an item removes the selection";
    EXPECT_EQ(combo.ItemIndex(), u"");
}

TEST_F(ComboModelTest, SelectsTheFirstValueEqualWithCaseIgnored) {
    combo.Add(u"lower", u"abc");
    combo.Add(u"upper", u"ABC");
    combo.SetItemIndex(u"Abc");
    EXPECT_EQ(combo.ItemIndexNr(), 0);
    combo.SetItemIndexNr(1);
    combo.SetItemIndex(u"aBC");
    EXPECT_EQ(combo.ItemIndexNr(), 0);
    EXPECT_EQ(combo.ItemIndex(), u"abc");
}

TEST_F(ComboModelTest, UnknownValueKeepsTheSelectionButRepaints) {
    combo.Add(u"One", u"1");
    combo.Add(u"Two", u"2");
    combo.SetItemIndex(u"2");
    const int repaintsBefore = window.invalidations;
    combo.SetItemIndex(u"3");
    EXPECT_EQ(combo.ItemIndexNr(), 1);
    EXPECT_EQ(combo.GetCount(), 2);
    EXPECT_GT(window.invalidations, repaintsBefore);
}

TEST_F(ComboModelTest, AutoAddAppendsAndSelectsEvenWhenSorted) {
    AddCaptions({u"b", u"c"});
    combo.Items().SetSortType(TListItemsSortType::stText);
    combo.SetAutoAdd(true);
    combo.SetItemIndex(u"A");
    ASSERT_EQ(combo.GetCount(), 3);
    EXPECT_EQ(combo.Items().Items(2).Caption(), u"A");
    EXPECT_EQ(combo.Items().Items(2).Value(), u"A");
    EXPECT_EQ(combo.ItemIndexNr(), 2);
    EXPECT_EQ(combo.ItemIndex(), u"A");
    EXPECT_EQ(window.PlaceholderCount(), 3);

    combo.SetItemIndex(u"a");  // now known: no second item
    EXPECT_EQ(combo.GetCount(), 3);
}

// --- The native list in step -------------------------------------------------------------

TEST_F(ComboModelTest, KeepsOneEmptyNativeEntryPerItem) {
    AddCaptions({u"a", u"b", u"c"});
    EXPECT_EQ(window.entries, std::vector<std::u16string>(3, u""));

    combo.SetItemIndexNr(2);
    combo.Items().Delete(0);
    EXPECT_EQ(window.PlaceholderCount(), 2);
    EXPECT_EQ(combo.ItemIndex(), u"value of c") << "the selection moves with its entry";

    combo.Clear();
    EXPECT_EQ(combo.GetCount(), 0);
    EXPECT_EQ(window.PlaceholderCount(), 0);
    EXPECT_EQ(combo.ItemIndexNr(), -1);
}

TEST_F(ComboModelTest, CopiedItemsGetEntriesAndStayLinked) {
    ComboListWindowDouble otherWindow;
    TVQLangComboBoxModel other(otherWindow);
    other.Add(u"x", u"1");
    other.Add(u"y", u"2");
    AddCaptions({u"old"});

    combo.SetItems(other.Items());
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"x", u"y"}));
    EXPECT_EQ(combo.Items().Items(1).Value(), u"2");
    EXPECT_EQ(window.PlaceholderCount(), 2);

    // A caption change of a copied item still repaints the control showing it.
    const int repaintsBefore = window.invalidations;
    combo.Items().Items(0).SetCaption(u"z");
    EXPECT_EQ(window.invalidations, repaintsBefore + 1);
    combo.Items().Items(0).SetValue(u"changed");
    EXPECT_EQ(window.invalidations, repaintsBefore + 1) << "a value is never shown";
}

TEST_F(ComboModelTest, ARefusedNativeInsertRaisesAndAddsNothing) {
    AddCaptions({u"a"});
    window.failInsertsWith = 14;  // out of memory
    try {
        combo.Add(u"b", u"b");
        FAIL() << "no exception";
    } catch (const EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), 14u);
    }
    EXPECT_EQ(combo.GetCount(), 1) << "items and native entries stay in step";

    window.failInsertsWith = 0;
    combo.Add(u"c", u"c");
    EXPECT_EQ(combo.GetCount(), 2);
    EXPECT_EQ(window.PlaceholderCount(), 2);
}

TEST(ComboModelLifetime, FreeingTheControlSendsNoDeleteRequests) {
    ComboListWindowDouble window;
    {
        TVQLangComboBoxModel combo(window);
        combo.Add(u"a", u"1");
        combo.Add(u"b", u"2");
    }
    EXPECT_EQ(window.deletes, 0);
    EXPECT_EQ(window.PlaceholderCount(), 2);
}

TEST_F(ComboModelTest, ItemsCopyAndNameThemselves) {
    AddCaptions({u"", u"source"});
    TVQLangComboBoxItem& target = combo.Items().Items(0);
    EXPECT_EQ(target.DisplayName(), u"TVQLangComboBoxItem");

    const int repaintsBefore = window.invalidations;
    target.Assign(combo.Items().Items(1));
    EXPECT_EQ(target.Caption(), u"source");
    EXPECT_EQ(target.Value(), u"value of source");
    EXPECT_EQ(target.DisplayName(), u"source");
    EXPECT_EQ(window.invalidations, repaintsBefore + 1);
}

// --- Finding captions and type-ahead ---------------------------------------------------------

TEST_F(ComboModelTest, FindStringSearchesAfterTheStartAndWrapsRound) {
    AddCaptions({u"a0", u"a1", u"a2", u"a3", u"a4"});
    // Each answer is taken out of the race by renaming it, which reveals the search order.
    std::vector<int> order;
    for (int found = combo.FindString(2, u"a"); found >= 0; found = combo.FindString(2, u"a")) {
        order.push_back(found);
        combo.Items().Items(found).SetCaption(u"b");
    }
    EXPECT_EQ(order, (std::vector<int>{3, 4, 0, 1, 2}));

    EXPECT_EQ(combo.FindString(-1, u"B"), 0);
    EXPECT_EQ(combo.FindString(4, u"b"), 0) << "after the last position comes the first";
    EXPECT_EQ(combo.FindString(9, u"b"), 0) << "a start beyond the items searches from the top";
    EXPECT_EQ(combo.FindString(1, u""), 2) << "the empty text matches every caption";
}

TEST_F(ComboModelTest, FindStringMatchesPrefixesWithCaseIgnored) {
    AddCaptions({u"u", u"Ultra", u"uSB Hub", u"USB camera", u"Us"});
    EXPECT_EQ(combo.FindString(-1, u"us"), 2) << "'u' is shorter than the text";
    EXPECT_EQ(combo.FindString(2, u"US"), 3);
    EXPECT_EQ(combo.FindString(3, u"Us"), 4);
    EXPECT_EQ(combo.FindString(-1, u"usx"), -1);

    TVQLangComboBoxModel empty(window);
    EXPECT_EQ(empty.FindString(-1, u""), -1);
}

TEST_F(ComboModelTest, FindStringFoldsCaseByTheUserLocale) {
    ASSERT_TRUE(test::LocaleIsInstalled(test::kGerman));
    const LocaleEnvironment german(test::kGerman);
    AddCaptions({u"Ultra", u"Übersicht"});
    EXPECT_EQ(combo.FindString(-1, u"üb"), 1);
}

TEST_F(ComboModelTest, TypeAheadCollectsKeysUntilAPause) {
    TestClock clock(1000ms);
    AddCaptions({u"Ultra", u"USB camera", u"Sony", u"Scanner"});
    EXPECT_TRUE(combo.KeyPress(u"u"));
    EXPECT_EQ(combo.ItemIndexNr(), 0);
    clock.Advance(500ms);  // a pause of exactly the delay still continues the text
    EXPECT_TRUE(combo.KeyPress(u"s"));
    EXPECT_EQ(combo.ItemIndexNr(), 1);

    clock.Advance(501ms);
    EXPECT_TRUE(combo.KeyPress(u"s"));
    EXPECT_EQ(combo.ItemIndexNr(), 2) << "a longer pause starts a new search text";
    clock.Advance(10ms);
    EXPECT_TRUE(combo.KeyPress(u"c"));
    EXPECT_EQ(combo.ItemIndexNr(), 3);

    clock.Advance(10ms);
    EXPECT_FALSE(combo.KeyPress(u"x"));
    EXPECT_EQ(combo.ItemIndexNr(), 3) << "a text no caption begins with keeps the selection";

    combo.SetAutoCompleteDelay(50);
    clock.Advance(51ms);
    EXPECT_TRUE(combo.KeyPress(u"u"));
    EXPECT_EQ(combo.ItemIndexNr(), 0);

    combo.SetAutoComplete(false);
    clock.Advance(1000ms);
    EXPECT_FALSE(combo.KeyPress(u"s"));
    EXPECT_EQ(combo.ItemIndexNr(), 0);
}

// --- Delete key --------------------------------------------------------------------------

TEST_F(ComboModelTest, DeleteSelectsTheFirstItemWithoutValue) {
    combo.Add(u"Camera", u"cam");
    combo.Add(u"(none)", u"");
    combo.Add(u"(none either)", u"");
    combo.SetItemIndexNr(0);

    combo.KeyDown(VK_DELETE, {.shift = true});
    combo.KeyDown(VK_DELETE, {.ctrl = true});
    combo.KeyDown(VK_DELETE, {.alt = true});
    combo.KeyDown(0x41, {});
    EXPECT_EQ(combo.ItemIndexNr(), 0);

    combo.KeyDown(VK_DELETE, {});
    EXPECT_EQ(combo.ItemIndexNr(), 1);
}

TEST_F(ComboModelTest, DeleteWithoutAnEmptyValueChangesNothing) {
    combo.SetAutoAdd(true);
    combo.Add(u"Camera", u"cam");
    combo.SetItemIndexNr(0);
    combo.KeyDown(VK_DELETE, {});
    EXPECT_EQ(combo.ItemIndexNr(), 0);
    EXPECT_EQ(combo.GetCount(), 1) << "Delete never adds an item";
}

// --- Sorting -----------------------------------------------------------------------------

TEST_F(ComboModelTest, SortsOnlyWhenASortTypeIsSet) {
    AddCaptions({u"beta", u"Alpha", u"gamma", u"alpha2"});
    combo.Items().Sort();
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"beta", u"Alpha", u"gamma", u"alpha2"}));

    combo.SetItemIndexNr(0);
    combo.Items().SetSortType(TListItemsSortType::stText);
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"Alpha", u"alpha2", u"beta", u"gamma"}));
    EXPECT_EQ(combo.ItemIndexNr(), 0) << "the position stays; it shows another item now";
    EXPECT_EQ(combo.ItemIndex(), u"value of Alpha");
    EXPECT_EQ(window.entries, std::vector<std::u16string>(4, u""));

    combo.Add(u"a", u"a");
    EXPECT_EQ(combo.Items().Items(4).Caption(), u"a") << "adding does not sort";
    combo.Items().Sort();
    EXPECT_EQ(combo.Items().Items(0).Caption(), u"a");
}

TEST_F(ComboModelTest, CaseSensitiveSortFollowsTheLocaleCollation) {
    // In the "C" locale upper case sorts before lower case when case counts.
    const LocaleEnvironment c("C");
    AddCaptions({u"b", u"a", u"B"});
    TVQLangComboBoxItems& items = combo.Items();
    items.SetCaseSensitive(true);
    items.SetSortType(TListItemsSortType::stText);
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"B", u"a", u"b"}));

    items.SetCaseSensitive(false);
    items.Sort();
    EXPECT_EQ(Captions().front(), u"a");
}

TEST_F(ComboModelTest, OnCompareReplacesTheCaptionComparison) {
    AddCaptions({u"bb", u"a", u"ccc"});
    int calls = 0;
    TVQLangComboBoxItems& items = combo.Items();
    items.SetOnCompare([&calls, &items](TVQLangComboBoxItems& list, const TVQLangComboBoxItem& x,
                                        const TVQLangComboBoxItem& y) {
        EXPECT_EQ(&list, &items);
        ++calls;
        return static_cast<std::int32_t>(y.Caption().size()) -
               static_cast<std::int32_t>(x.Caption().size());
    });
    items.SetSortType(TListItemsSortType::stText);
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"ccc", u"bb", u"a"}));

    const int callsAfterSort = calls;
    items.SetSortType(TListItemsSortType::stText);
    EXPECT_EQ(calls, callsAfterSort) << "writing the same sort type does not sort";
}

TEST_F(ComboModelTest, QuickSortAgreesWithAnOrderedReference) {
    std::mt19937 random(7);
    std::vector<std::u16string> captions;
    for (int index = 0; index < 80; ++index) {
        const std::u16string caption =
            u"item " + std::u16string(1, static_cast<char16_t>(u'a' + random() % 26)) +
            std::u16string(1, static_cast<char16_t>(u'a' + index % 26)) +
            std::u16string(1, static_cast<char16_t>(u'a' + index / 26));
        captions.push_back(caption);
        combo.Add(caption, caption);
    }
    combo.Items().SetSortType(TListItemsSortType::stText);
    std::sort(captions.begin(), captions.end());
    EXPECT_EQ(Captions(), captions);
}

TEST_F(ComboModelTest, AnInconsistentCompareStillEndsWithEveryItem) {
    AddCaptions({u"c", u"a", u"d", u"b", u"e"});
    TVQLangComboBoxItems& items = combo.Items();
    items.SetOnCompare([](TVQLangComboBoxItems&, const TVQLangComboBoxItem&,
                          const TVQLangComboBoxItem&) { return -1; });
    items.SetSortType(TListItemsSortType::stText);
    std::vector<std::u16string> captions = Captions();
    std::sort(captions.begin(), captions.end());
    EXPECT_EQ(captions, (std::vector<std::u16string>{u"a", u"b", u"c", u"d", u"e"}));
}

TEST_F(ComboModelTest, ExchangeItemsSwapsTwoAndLeavesTheRest) {
    AddCaptions({u"a", u"b", u"c", u"d", u"e"});
    combo.Items().ExchangeItems(1, 3);
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"a", u"d", u"c", u"b", u"e"}));
    combo.Items().ExchangeItems(4, 0);
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"e", u"d", u"c", u"b", u"a"}));
    combo.Items().ExchangeItems(2, 2);
    EXPECT_EQ(Captions(), (std::vector<std::u16string>{u"e", u"d", u"c", u"b", u"a"}));
}

TEST_F(ComboModelTest, FindItemComparesValuesWithCaseIgnored) {
    EXPECT_FALSE(combo.Items().FindItem(u""));
    combo.Add(u"Camera", u"\\\\?\\USB#VID_046D");
    EXPECT_TRUE(combo.Items().FindItem(u"\\\\?\\usb#vid_046d"));
    EXPECT_FALSE(combo.Items().FindItem(u""));
}

// --- Shown captions ----------------------------------------------------------------------

TEST(FormatCaption, ReplacesTheDecimalPlaceholderOnly) {
    EXPECT_EQ(FormatCaption(u"Input %d", 3), u"Input 3");
    EXPECT_EQ(FormatCaption(u"%d of %d", -12), u"-12 of -12");
    EXPECT_EQ(FormatCaption(u"Input %D", 3), u"Input %D");
    EXPECT_EQ(FormatCaption(u"100%% sure", 3), u"100%% sure") << "no %d: shown as stored";
    EXPECT_EQ(FormatCaption(u"100%% of %d", 3), u"100% of 3");
    EXPECT_EQ(FormatCaption(u"%%d %s %d%", 5), u"%d %s 5%");
}

TEST_F(ComboModelTest, ShownCaptionUsesCustomValue) {
    combo.Add(u"Input %d", u"in");
    combo.Add(u"Input %D", u"other");
    combo.SetCustomValue(3);
    EXPECT_EQ(combo.ShownCaption(0), u"Input 3");
    EXPECT_EQ(combo.ShownCaption(1), u"Input %D");
    EXPECT_EQ(combo.ShownCaption(2), u"");
    EXPECT_EQ(combo.FaceText(), u"");
    combo.SetItemIndexNr(0);
    EXPECT_EQ(combo.FaceText(), u"Input 3");
}

// --- Visual states -----------------------------------------------------------------------

TEST_F(ComboModelTest, VisualStatesFollowTheControlsEvents) {
    EXPECT_EQ(combo.NewState(), TComboFaceState::NotSet);
    combo.MouseEntered();
    EXPECT_EQ(combo.NewState(), TComboFaceState::Hot);
    combo.DroppedDown();
    EXPECT_EQ(combo.NewState(), TComboFaceState::Pressed);
    combo.MouseLeft(/*droppedDown=*/true, /*enabled=*/true);
    EXPECT_EQ(combo.NewState(), TComboFaceState::Pressed) << "an open list keeps the look";
    combo.ClosedUp();
    EXPECT_EQ(combo.NewState(), TComboFaceState::Normal);
    combo.MouseEntered();
    combo.EnabledChanged(false);
    EXPECT_EQ(combo.NewState(), TComboFaceState::Disabled);
    combo.MouseLeft(false, false);
    EXPECT_EQ(combo.NewState(), TComboFaceState::Disabled);
    combo.EnabledChanged(true);
    EXPECT_EQ(combo.NewState(), TComboFaceState::Normal);

    EXPECT_EQ(combo.CurrentState(), TComboFaceState::NotSet) << "nothing painted yet";
    combo.FacePainted();
    EXPECT_EQ(combo.CurrentState(), TComboFaceState::Normal);
}

}  // namespace

// The double keeps what the Windows tests check of the platform's real list.
namespace test {
struct DoubleComboList {
    TComboListWindow& List() { return window; }
    ComboListWindowDouble window;
};
INSTANTIATE_TYPED_TEST_SUITE_P(Double, ComboListContract, ::testing::Types<DoubleComboList>);
}  // namespace test

}  // namespace capspect
