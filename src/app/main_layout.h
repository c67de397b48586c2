#pragma once
// The main window's controls placed for a density: every position and size
// from its designed twips (layout.h), the labels fitted to their texts, the
// entry list's columns. Used at creation and again when the window moves to
// a monitor of another density.

#include <windows.h>

namespace app {

struct MainControls {
  HWND prop_list;
  HWND list_label;
  HWND list;
  HWND progress_label;
  HWND status_label;
  HWND progress_bar;
  HWND build_button;
};

// Moves and sizes every control for dpi, gives the text controls font and
// sets the visible columns' widths (the flags column stays 0 wide). The
// status label starts after the progress label where the font makes that
// one wider than designed.
void PlaceControls(const MainControls& controls, int dpi, HFONT font);

// Sizes a label to its text in font, from its top-left corner, as far as its
// room at dpi lets it grow: never into the control below it (the entry list,
// the progress bar, whose top border stays visible) nor into the control to
// its right on the same line. For a label whose text has changed.
void FitLabel(const MainControls& controls, HWND label, HFONT font, int dpi);

}  // namespace app
