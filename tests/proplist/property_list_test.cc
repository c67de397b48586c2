#include "proplist/property_list.h"

#include <gtest/gtest.h>

namespace {

using proplist::PropertyList;

// Counts repaints.
struct Counted {
  PropertyList list;
  int repaints = 0;
  Counted() { list.OnRepaint = [this] { ++repaints; }; }
};

TEST(PropertyListTest, AddNodeIndexRules) {
  Counted c;
  c.list.AddNode("old");
  c.list.AddItem(0, "name", "value", 20);
  c.repaints = 0;
  c.list.AddNode("new", 0);
  ASSERT_EQ(c.list.NodeCount(), 2);
  EXPECT_EQ(c.list.Nodes()[0].Caption, "new");
  EXPECT_EQ(c.list.Nodes()[0].ItemCount(), 0);
  EXPECT_EQ(c.list.Nodes()[1].Caption, "old");
  EXPECT_EQ(c.list.Nodes()[1].ItemCount(), 1);
  EXPECT_EQ(c.repaints, 1);

  // Only -1 appends: NodeCount itself and values below -1 do nothing.
  c.list.AddNode("x", 2);
  c.list.AddNode("y", -2);
  EXPECT_EQ(c.list.NodeCount(), 2);
  EXPECT_EQ(c.repaints, 1);
}

TEST(PropertyListTest, AddItemIndexRules) {
  Counted c;
  c.list.AddNode("g");
  c.list.AddItem(0, "a", "1", 20);
  c.list.AddItem(0, "c", "3", 20);
  c.list.AddItem(0, "b", "2", 5, proplist::kKindSavePath, 1);
  const auto& items = c.list.Nodes()[0].Items;
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].Name, "a");
  EXPECT_EQ(items[1].Name, "b");
  EXPECT_EQ(items[1].MaxLen, 5);
  EXPECT_EQ(items[1].Kind, proplist::kKindSavePath);
  EXPECT_EQ(items[2].Name, "c");
  c.repaints = 0;
  // A bad item index on an existing group adds nothing but repaints.
  c.list.AddItem(0, "z", "", 20, 0, 5);
  c.list.AddItem(0, "z", "", 20, 0, 3);
  EXPECT_EQ(c.list.Nodes()[0].ItemCount(), 3);
  EXPECT_EQ(c.repaints, 2);
  // A missing group: nothing, no repaint.
  c.list.AddItem(1, "z", "", 20);
  c.list.AddItem(-1, "z", "", 20);
  EXPECT_EQ(c.repaints, 2);
}

TEST(PropertyListTest, RemovalsAndClearsDoNotRepaint) {
  Counted c;
  c.list.AddNode("g0");
  c.list.AddNode("g1");
  c.list.AddNode("g2");
  c.list.AddItem(1, "a", "", 0);
  c.list.AddItem(1, "b", "", 0);
  c.repaints = 0;
  c.list.RemoveItem(1, 0);
  ASSERT_EQ(c.list.Nodes()[1].ItemCount(), 1);
  EXPECT_EQ(c.list.Nodes()[1].Items[0].Name, "b");
  c.list.RemoveItem(1, 1);  // no such item
  c.list.RemoveItem(5, 0);
  EXPECT_EQ(c.list.Nodes()[1].ItemCount(), 1);
  // The last item gone, the group takes items again.
  c.list.RemoveItem(1, 0);
  EXPECT_EQ(c.list.Nodes()[1].ItemCount(), 0);
  c.list.AddItem(1, "again", "v", 0);
  EXPECT_EQ(c.list.GetPropValue("again"), "v");
  c.repaints = 0;

  c.list.RemoveNode(0);
  ASSERT_EQ(c.list.NodeCount(), 2);
  EXPECT_EQ(c.list.Nodes()[0].Caption, "g1");
  c.list.RemoveNode(2);
  c.list.RemoveNode(-1);
  EXPECT_EQ(c.list.NodeCount(), 2);
  c.list.ClearItems(0);
  EXPECT_EQ(c.list.Nodes()[0].ItemCount(), 0);
  c.list.ClearItems(7);
  c.list.ClearNodes();
  EXPECT_EQ(c.list.NodeCount(), 0);
  EXPECT_EQ(c.repaints, 0);
  c.list.DrawList();
  EXPECT_EQ(c.repaints, 1);
}

TEST(PropertyListTest, LookupsTakeTheFirstExactMatch) {
  Counted c;
  c.list.AddNode("g0");
  c.list.AddNode("g1");
  c.list.AddItem(1, "版本", "later", 20);
  c.list.AddItem(0, "版本", "earlier", 20);
  c.list.AddItem(0, "Name", "n", 20);
  EXPECT_EQ(c.list.GetPropValue("版本"), "earlier");
  c.repaints = 0;
  c.list.SetPropValue("版本", "2.0");
  EXPECT_EQ(c.list.Nodes()[0].Items[0].Value, "2.0");
  EXPECT_EQ(c.list.Nodes()[1].Items[0].Value, "later");
  EXPECT_EQ(c.repaints, 1);

  EXPECT_EQ(c.list.GetPropValue("name"), "");
  EXPECT_EQ(c.list.GetPropValue("Name "), "");
  EXPECT_EQ(c.list.GetPropValue("missing"), "");
  c.list.SetPropValue("missing", "x");
  c.list.SetPropValue("NAME", "x");
  EXPECT_EQ(c.list.GetPropValue("Name"), "n");
  EXPECT_EQ(c.repaints, 1);
}

TEST(PropertyListTest, StoredValuesAreNotCutToMaxLen) {
  PropertyList list;
  list.AddNode("g");
  std::string long_value(50, 'x');
  list.AddItem(0, "a", long_value, 20);
  EXPECT_EQ(list.GetPropValue("a"), long_value);
  list.SetPropValue("a", long_value + "y");
  EXPECT_EQ(list.GetPropValue("a").size(), 51u);
}

}  // namespace
