#pragma once
// Row geometry of the property list, in client pixels (origin top-left, y
// downward): a fixed stack of 20-pixel rows from y = 0, each group's caption
// row followed by one row per item. Pure functions of the model.

#include <cstdint>
#include <vector>

#include "proplist/property_list.h"

namespace proplist {

inline constexpr int32_t kRowHeight = 20;
inline constexpr int32_t kTextInset = 1;      // left edge of caption and name text
inline constexpr int32_t kNameRight = 100;    // right edge of the name text and highlight box
inline constexpr int32_t kDividerX = 101;     // the grey column divider
inline constexpr int32_t kValueLeft = 104;    // value text and editor left edge
inline constexpr int32_t kHighlightHeight = 18;  // box from y to y + 18; y + 19 is the grid line
inline constexpr int32_t kTextTopInset = 4;      // row text and editor top = row top + 4 as designed

// How far below a row's top its text starts, and the editor opened on it,
// for a font whose cell is textHeight pixels high: 4 as designed, less when
// the cell would otherwise reach the row's grid line, so the text is whole.
constexpr int32_t TextTop(int32_t textHeight) {
  int32_t room = kRowHeight - 1 - textHeight;
  return room < 0 ? 0 : room < kTextTopInset ? room : kTextTopInset;
}

// Colours as 0xRRGGBB.
inline constexpr uint32_t kGridColour = 0xC0C0C0;
inline constexpr uint32_t kHighlightColour = 0x316AC5;  // 49, 106, 197
inline constexpr uint32_t kHighlightTextColour = 0xFFFFFF;
inline constexpr uint32_t kTextColour = 0x000000;
inline constexpr uint32_t kBackgroundColour = 0xFFFFFF;

struct Row {
  bool is_caption = false;
  int32_t node = -1;
  int32_t item = -1;  // -1 on a caption row
  int32_t top = 0;    // the row covers top .. top + 19
};

// Every row in drawing order.
std::vector<Row> Rows(const PropertyList& list);

// Bottom of the last row: 20 times the number of rows (the divider's length).
int32_t ContentHeight(const PropertyList& list);

// Row top of item (g, i), or -1 when the pair names no item.
int32_t RowTop(const PropertyList& list, int32_t g, int32_t i);

// What a press at height y lands on. Bounds are strict: y equal to a row's
// top, or to the bottom of the last row, hits nothing.
struct Hit {
  enum Kind { kNone, kCaption, kItem, kBelow } kind = kNone;
  int32_t node = -1;
  int32_t item = -1;
  int32_t row_top = 0;
};
Hit HitTest(const PropertyList& list, double y);

}  // namespace proplist
