#pragma once
// Row geometry of the property list, in client pixels (origin top-left, y
// downward): a fixed stack of 20-pixel rows from y = 0, each group's caption
// row followed by one row per item. Pure functions of the model. The sizes
// are designed for 96 dots per inch; Metrics holds them for another density.

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
// The editor is as high as its font's cell, and at least this (the designed
// height); its top follows the row text (TextTop below).
inline constexpr int32_t kEditorHeight = 13;
inline constexpr int32_t kPictureSize = 19;  // the browse picture's side

inline constexpr int32_t kDesignDpi = 96;

// The list's sizes in pixels at one density. The defaults are the designed
// ones at 96 dots per inch. Grid lines stay one pixel wide at every density.
struct Metrics {
  int32_t row_height = kRowHeight;
  int32_t text_inset = kTextInset;
  int32_t name_right = kNameRight;
  int32_t divider_x = kDividerX;
  int32_t value_left = kValueLeft;
  int32_t highlight_height = kHighlightHeight;
  int32_t text_top_inset = kTextTopInset;
  int32_t editor_height = kEditorHeight;
  int32_t picture_size = kPictureSize;
};

// A designed size of `pixels` at 96 dots per inch, at `dpi` (rounded to the
// nearest pixel, halves up).
constexpr int32_t ScaleToDpi(int32_t pixels, int32_t dpi) {
  return (pixels * dpi + kDesignDpi / 2) / kDesignDpi;
}

// Every size scaled from its designed value; a dpi below 1 counts as 96.
// The divider stays one pixel right of the name column, the value column
// starts the scaled gap after it, and the highlight box leaves a row's last
// line to the grid line, as designed.
Metrics MetricsForDpi(int32_t dpi);

// How far below a row's top its text starts, and the editor opened on it,
// for a font whose cell is textHeight pixels high: 4 as designed, less when
// the cell would otherwise reach the row's grid line, so the text is whole.
constexpr int32_t TextTop(int32_t textHeight, const Metrics& m = Metrics()) {
  int32_t room = m.row_height - 1 - textHeight;
  return room < 0 ? 0 : room < m.text_top_inset ? room : m.text_top_inset;
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
std::vector<Row> Rows(const PropertyList& list, const Metrics& m = Metrics());

// Bottom of the last row: the row height times the number of rows (the
// divider's length).
int32_t ContentHeight(const PropertyList& list, const Metrics& m = Metrics());

// Row top of item (g, i), or -1 when the pair names no item.
int32_t RowTop(const PropertyList& list, int32_t g, int32_t i, const Metrics& m = Metrics());

// What a press at height y lands on. Bounds are strict: y equal to a row's
// top, or to the bottom of the last row, hits nothing.
struct Hit {
  enum Kind { kNone, kCaption, kItem, kBelow } kind = kNone;
  int32_t node = -1;
  int32_t item = -1;
  int32_t row_top = 0;
};
Hit HitTest(const PropertyList& list, double y, const Metrics& m = Metrics());

}  // namespace proplist
