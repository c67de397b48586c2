#include "proplist/layout.h"

#include <gtest/gtest.h>

namespace {

using proplist::Hit;

// The main window's shape: three groups with two, one and two items.
proplist::PropertyList MainShape() {
  proplist::PropertyList list;
  list.AddNode("A");
  list.AddNode("B");
  list.AddNode("C");
  list.AddItem(0, "a0", "", 20);
  list.AddItem(0, "a1", "", 20);
  list.AddItem(1, "b0", "", 260, proplist::kKindSavePath);
  list.AddItem(2, "c0", "", 20);
  list.AddItem(2, "c1", "", 20);
  return list;
}

TEST(LayoutTest, RowsOfTheMainWindow) {
  proplist::PropertyList list = MainShape();
  std::vector<proplist::Row> rows = proplist::Rows(list);
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(proplist::ContentHeight(list), 160);
  const int tops[] = {0, 20, 40, 60, 80, 100, 120, 140};
  const bool captions[] = {1, 0, 0, 1, 0, 1, 0, 0};
  for (size_t k = 0; k < rows.size(); ++k) {
    EXPECT_EQ(rows[k].top, tops[k]);
    EXPECT_EQ(rows[k].is_caption, captions[k]);
  }
  EXPECT_EQ(proplist::RowTop(list, 1, 0), 80);
  EXPECT_EQ(proplist::RowTop(list, 2, 1), 140);
  EXPECT_EQ(proplist::RowTop(list, 1, 1), -1);
}

TEST(LayoutTest, EmptyGroupsAndEmptyList) {
  proplist::PropertyList list;
  EXPECT_TRUE(proplist::Rows(list).empty());
  EXPECT_EQ(proplist::ContentHeight(list), 0);
  list.AddNode("empty");
  list.AddNode("next");
  list.AddItem(1, "x", "", 0);
  std::vector<proplist::Row> rows = proplist::Rows(list);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_TRUE(rows[1].is_caption);
  EXPECT_EQ(rows[1].top, 20);
  EXPECT_EQ(proplist::RowTop(list, 1, 0), 40);
}

TEST(LayoutTest, HitTestingUsesStrictBounds) {
  proplist::PropertyList list = MainShape();
  Hit h = proplist::HitTest(list, 30);
  EXPECT_EQ(h.kind, Hit::kItem);
  EXPECT_EQ(h.node, 0);
  EXPECT_EQ(h.item, 0);
  EXPECT_EQ(h.row_top, 20);
  EXPECT_EQ(proplist::HitTest(list, 10).kind, Hit::kCaption);
  EXPECT_EQ(proplist::HitTest(list, 0).kind, Hit::kNone);
  EXPECT_EQ(proplist::HitTest(list, 20).kind, Hit::kNone);
  EXPECT_EQ(proplist::HitTest(list, 19.5).kind, Hit::kCaption);
  EXPECT_EQ(proplist::HitTest(list, 20.5).kind, Hit::kItem);
  h = proplist::HitTest(list, 159);
  EXPECT_EQ(h.kind, Hit::kItem);
  EXPECT_EQ(h.node, 2);
  EXPECT_EQ(h.item, 1);
  EXPECT_EQ(proplist::HitTest(list, 160).kind, Hit::kNone);  // bottom of the last row
  EXPECT_EQ(proplist::HitTest(list, 161).kind, Hit::kBelow);
  EXPECT_EQ(proplist::HitTest(list, -3).kind, Hit::kNone);
  h = proplist::HitTest(list, 90);
  EXPECT_EQ(h.node, 1);
  EXPECT_EQ(h.item, 0);
  EXPECT_EQ(h.row_top, 80);
}

}  // namespace
