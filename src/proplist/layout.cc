#include "proplist/layout.h"

namespace proplist {

std::vector<Row> Rows(const PropertyList& list) {
  std::vector<Row> rows;
  int32_t top = 0;
  for (int32_t g = 0; g < list.NodeCount(); ++g) {
    rows.push_back({true, g, -1, top});
    top += kRowHeight;
    for (int32_t i = 0; i < list.Nodes()[static_cast<size_t>(g)].ItemCount(); ++i) {
      rows.push_back({false, g, i, top});
      top += kRowHeight;
    }
  }
  return rows;
}

int32_t ContentHeight(const PropertyList& list) {
  int32_t rows = 0;
  for (const PropNode& node : list.Nodes()) rows += 1 + node.ItemCount();
  return rows * kRowHeight;
}

int32_t RowTop(const PropertyList& list, int32_t g, int32_t i) {
  if (!list.Item(g, i)) return -1;
  for (const Row& row : Rows(list))
    if (!row.is_caption && row.node == g && row.item == i) return row.top;
  return -1;
}

Hit HitTest(const PropertyList& list, double y) {
  for (const Row& row : Rows(list)) {
    if (row.top < y && y < row.top + kRowHeight) {
      Hit hit;
      hit.kind = row.is_caption ? Hit::kCaption : Hit::kItem;
      hit.node = row.node;
      hit.item = row.item;
      hit.row_top = row.top;
      return hit;
    }
  }
  Hit hit;
  if (y > ContentHeight(list)) hit.kind = Hit::kBelow;
  return hit;
}

}  // namespace proplist
