// Test support: what the item combo box relies on of the native list behind it (one
// placeholder entry per item, and the selection position), as typed tests. The Linux tests
// run them against the double the control's tests use; the Windows tests against the real
// combo box, so that the double stays what the platform does.
//
// A program instantiates them with a fixture type that has `TComboListWindow& List()`:
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, ComboListContract, ::testing::Types<Fixture>);
#pragma once

#include <gtest/gtest.h>

#include "controls/VQComboBoxModel.h"

namespace capspect::test {

template <typename Fixture>
class ComboListContract : public ::testing::Test {
protected:
    TComboListWindow& List() { return fixture.List(); }

    void InsertEntries(int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(List().InsertPlaceholder(List().PlaceholderCount()), 0U);
        }
    }

    Fixture fixture;
};

TYPED_TEST_SUITE_P(ComboListContract);

TYPED_TEST_P(ComboListContract, StartsEmptyWithoutSelection) {
    EXPECT_EQ(this->List().PlaceholderCount(), 0);
    EXPECT_EQ(this->List().Selection(), -1);
}

TYPED_TEST_P(ComboListContract, InsertingKeepsTheSelectedEntrySelected) {
    this->InsertEntries(3);
    EXPECT_EQ(this->List().Selection(), -1) << "inserting selects nothing";
    this->List().SetSelection(1);
    ASSERT_EQ(this->List().InsertPlaceholder(0), 0U);
    EXPECT_EQ(this->List().Selection(), 2) << "an entry inserted before moves the selection";
    ASSERT_EQ(this->List().InsertPlaceholder(3), 0U);
    EXPECT_EQ(this->List().Selection(), 2) << "one inserted after does not";
    EXPECT_EQ(this->List().PlaceholderCount(), 5);
}

TYPED_TEST_P(ComboListContract, InsertingBeyondTheEndIsRefused) {
    this->InsertEntries(2);
    EXPECT_NE(this->List().InsertPlaceholder(3), 0U);
    EXPECT_EQ(this->List().PlaceholderCount(), 2);
}

TYPED_TEST_P(ComboListContract, DeletingMovesOrRemovesTheSelection) {
    this->InsertEntries(4);
    this->List().SetSelection(2);
    this->List().DeletePlaceholder(0);
    EXPECT_EQ(this->List().Selection(), 1);
    this->List().DeletePlaceholder(2);
    EXPECT_EQ(this->List().Selection(), 1) << "deleting after the selection leaves it";
    this->List().DeletePlaceholder(1);
    EXPECT_EQ(this->List().Selection(), -1) << "deleting the selected entry removes the selection";
    EXPECT_EQ(this->List().PlaceholderCount(), 1);
}

TYPED_TEST_P(ComboListContract, APositionOutsideTheEntriesRemovesTheSelection) {
    this->InsertEntries(2);
    for (const int outside : {-1, 2, 7}) {
        this->List().SetSelection(1);
        this->List().SetSelection(outside);
        EXPECT_EQ(this->List().Selection(), -1) << "position " << outside;
    }
}

TYPED_TEST_P(ComboListContract, ClearingRemovesEntriesAndSelection) {
    this->InsertEntries(3);
    this->List().SetSelection(0);
    this->List().ClearPlaceholders();
    EXPECT_EQ(this->List().PlaceholderCount(), 0);
    EXPECT_EQ(this->List().Selection(), -1);
}

REGISTER_TYPED_TEST_SUITE_P(ComboListContract, StartsEmptyWithoutSelection,
                            InsertingKeepsTheSelectedEntrySelected, InsertingBeyondTheEndIsRefused,
                            DeletingMovesOrRemovesTheSelection,
                            APositionOutsideTheEntriesRemovesTheSelection,
                            ClearingRemovesEntriesAndSelection);

}  // namespace capspect::test
