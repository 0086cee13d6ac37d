#include <gtest/gtest.h>

#include "toolkit/controls.h"

namespace velk {
namespace {

TEST(RadioGroup, RunsItsHandlerOnlyWhenTheSelectionReallyChanges) {
    RadioGroup group("Group", {"a", "b", "c"});
    int runs = 0;
    group.onChange = [&] { ++runs; };

    group.setItemIndex(1);
    group.setItemIndex(1);
    EXPECT_EQ(runs, 1);

    group.setItemIndex(7); // beyond the last item: the last one
    EXPECT_EQ(group.itemIndex(), 2);
    group.setItemIndex(-5); // below -1: none
    EXPECT_EQ(group.itemIndex(), -1);
    EXPECT_EQ(runs, 3);

    group.setItemIndex(0);
    group.clearItems(); // clearing drops the selection silently
    EXPECT_EQ(group.itemIndex(), -1);
    EXPECT_EQ(runs, 4);
}

TEST(RadioGroup, InsertingAtTheFrontKeepsTheSelectedItem) {
    RadioGroup group("Group", {"a"});
    group.setItemIndex(0);
    group.insertItem("z");
    EXPECT_EQ(group.itemIndex(), 1);
    EXPECT_EQ(group.items()[1], "a");
}

TEST(Button, ADisabledButtonIgnoresClicks) {
    Button button("Go");
    int runs = 0;
    button.onClick = [&] { ++runs; };
    button.click();
    button.setEnabled(false);
    button.click();
    EXPECT_EQ(runs, 1);
}

} // namespace
} // namespace velk
