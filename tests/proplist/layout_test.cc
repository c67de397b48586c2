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

namespace {

TEST(LayoutTest, MetricsAt96AreTheDesignedSizes) {
  const proplist::Metrics m = proplist::MetricsForDpi(96);
  const proplist::Metrics designed;
  EXPECT_EQ(m.row_height, 20);
  EXPECT_EQ(m.name_right, 100);
  EXPECT_EQ(m.divider_x, 101);
  EXPECT_EQ(m.value_left, 104);
  EXPECT_EQ(m.highlight_height, 18);
  EXPECT_EQ(m.text_top_inset, 4);
  EXPECT_EQ(m.editor_height, 13);
  EXPECT_EQ(m.picture_size, 19);
  EXPECT_EQ(m.text_inset, designed.text_inset);
  // An unknown density counts as the designed one.
  EXPECT_EQ(proplist::MetricsForDpi(0).row_height, 20);
}

TEST(LayoutTest, MetricsScaleEverySizeAndKeepTheShape) {
  struct Case {
    int dpi, row, name_right, value_left, picture;
  } cases[] = {{120, 25, 125, 130, 24}, {144, 30, 150, 156, 29}, {192, 40, 200, 207, 38}};
  for (const Case& c : cases) {
    const proplist::Metrics m = proplist::MetricsForDpi(c.dpi);
    EXPECT_EQ(m.row_height, c.row) << c.dpi;
    EXPECT_EQ(m.name_right, c.name_right) << c.dpi;
    EXPECT_EQ(m.divider_x, c.name_right + 1) << c.dpi;
    EXPECT_EQ(m.value_left, c.value_left) << c.dpi;
    EXPECT_EQ(m.picture_size, c.picture) << c.dpi;
    // The highlight box ends one line above the row's grid line.
    EXPECT_EQ(m.highlight_height, m.row_height - 2) << c.dpi;
  }
}

TEST(LayoutTest, ScaledRowsAndHitsUseTheScaledHeight) {
  proplist::PropertyList list = MainShape();
  const proplist::Metrics m = proplist::MetricsForDpi(144);
  EXPECT_EQ(proplist::ContentHeight(list, m), 240);
  EXPECT_EQ(proplist::RowTop(list, 2, 1, m), 210);
  Hit hit = proplist::HitTest(list, 45, m);  // second row: first item
  EXPECT_EQ(hit.kind, Hit::kItem);
  EXPECT_EQ(hit.row_top, 30);
  EXPECT_EQ(proplist::HitTest(list, 30, m).kind, Hit::kNone);
  EXPECT_EQ(proplist::HitTest(list, 241, m).kind, Hit::kBelow);
  // A taller font moves the text up, but never above the row's top.
  EXPECT_EQ(proplist::TextTop(20, m), 6);
  EXPECT_EQ(proplist::TextTop(26, m), 3);
  EXPECT_EQ(proplist::TextTop(40, m), 0);
}

}  // namespace
