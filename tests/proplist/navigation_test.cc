#include "proplist/navigation.h"

#include <gtest/gtest.h>

namespace {

using proplist::ItemRef;
using proplist::Step;
using proplist::StepItem;

TEST(NavigationTest, StepsOverItemsSkippingCaptionsAndEmptyGroups) {
  proplist::PropertyList list;
  list.AddNode("A");
  list.AddNode("empty");
  list.AddNode("C");
  list.AddItem(0, "a0", "", 20);
  list.AddItem(0, "a1", "", 20);
  list.AddItem(2, "c0", "", 20);
  const std::vector<ItemRef> order = {{0, 0}, {0, 1}, {2, 0}};
  EXPECT_EQ(proplist::ItemsInOrder(list), order);
  EXPECT_EQ(StepItem(list, {0, 1}, Step::kNext), (ItemRef{2, 0}));
  EXPECT_EQ(StepItem(list, {2, 0}, Step::kPrevious), (ItemRef{0, 1}));
  // The ends hold.
  EXPECT_EQ(StepItem(list, {2, 0}, Step::kNext), (ItemRef{2, 0}));
  EXPECT_EQ(StepItem(list, {0, 0}, Step::kPrevious), (ItemRef{0, 0}));
  EXPECT_EQ(StepItem(list, {0, 1}, Step::kFirst), (ItemRef{0, 0}));
  EXPECT_EQ(StepItem(list, {0, 0}, Step::kLast), (ItemRef{2, 0}));
}

TEST(NavigationTest, FromNowhereOrAGoneItemToTheFirstAndNothingInAnEmptyList) {
  proplist::PropertyList list;
  EXPECT_EQ(StepItem(list, {}, Step::kNext), ItemRef());
  list.AddNode("A");
  EXPECT_EQ(StepItem(list, {}, Step::kLast), ItemRef()) << "a caption alone has no item";
  list.AddItem(0, "a0", "", 20);
  list.AddItem(0, "a1", "", 20);
  EXPECT_EQ(StepItem(list, {}, Step::kLast), (ItemRef{0, 0}));
  list.RemoveItem(0, 1);
  EXPECT_EQ(StepItem(list, {0, 1}, Step::kPrevious), (ItemRef{0, 0}));
}

}  // namespace
