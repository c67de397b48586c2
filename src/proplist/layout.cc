#include "proplist/layout.h"

namespace proplist {

Metrics MetricsForDpi(int32_t dpi) {
  if (dpi < 1) dpi = kDesignDpi;
  Metrics m;
  m.row_height = ScaleToDpi(kRowHeight, dpi);
  m.text_inset = ScaleToDpi(kTextInset, dpi);
  m.name_right = ScaleToDpi(kNameRight, dpi);
  m.divider_x = m.name_right + (kDividerX - kNameRight);
  m.value_left = m.divider_x + ScaleToDpi(kValueLeft - kDividerX, dpi);
  m.highlight_height = m.row_height - (kRowHeight - kHighlightHeight);
  m.text_top_inset = ScaleToDpi(kTextTopInset, dpi);
  m.editor_height = ScaleToDpi(kEditorHeight, dpi);
  m.picture_size = ScaleToDpi(kPictureSize, dpi);
  return m;
}

std::vector<Row> Rows(const PropertyList& list, const Metrics& m) {
  std::vector<Row> rows;
  int32_t top = 0;
  for (int32_t g = 0; g < list.NodeCount(); ++g) {
    rows.push_back({true, g, -1, top});
    top += m.row_height;
    for (int32_t i = 0; i < list.Nodes()[static_cast<size_t>(g)].ItemCount(); ++i) {
      rows.push_back({false, g, i, top});
      top += m.row_height;
    }
  }
  return rows;
}

int32_t ContentHeight(const PropertyList& list, const Metrics& m) {
  int32_t rows = 0;
  for (const PropNode& node : list.Nodes()) rows += 1 + node.ItemCount();
  return rows * m.row_height;
}

int32_t RowTop(const PropertyList& list, int32_t g, int32_t i, const Metrics& m) {
  if (!list.Item(g, i)) return -1;
  for (const Row& row : Rows(list, m))
    if (!row.is_caption && row.node == g && row.item == i) return row.top;
  return -1;
}

Hit HitTest(const PropertyList& list, double y, const Metrics& m) {
  for (const Row& row : Rows(list, m)) {
    if (row.top < y && y < row.top + m.row_height) {
      Hit hit;
      hit.kind = row.is_caption ? Hit::kCaption : Hit::kItem;
      hit.node = row.node;
      hit.item = row.item;
      hit.row_top = row.top;
      return hit;
    }
  }
  Hit hit;
  if (y > ContentHeight(list, m)) hit.kind = Hit::kBelow;
  return hit;
}

}  // namespace proplist
