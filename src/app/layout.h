#pragma once
// The main window's layout in twips (1/1440 inch) and its conversion to
// pixels at the system's dots per inch (15 twips per pixel at 96).

#include <windows.h>

namespace app::layout {

struct Twips {
  int left, top, width, height;
};

inline constexpr int kClientWidth = 7590;
inline constexpr int kClientHeight = 6765;

inline constexpr Twips kPropertyList = {120, 120, 7335, 2535};
inline constexpr Twips kListLabel = {120, 2790, 3600, 180};
inline constexpr Twips kEntryList = {120, 3060, 7335, 2775};
inline constexpr Twips kProgressLabel = {120, 6000, 900, 180};
// The labels size themselves to their text from these corners.
inline constexpr Twips kStatusLabel = {1080, 6000, 90, 180};
inline constexpr Twips kProgressBar = {120, 6240, 4815, 375};
inline constexpr Twips kBuildButton = {5160, 6000, 2295, 615};

inline constexpr int kNameColumnWidth = 2100;
inline constexpr int kPathColumnWidth = 4350;

// Rounds to the nearest pixel.
inline int ToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

inline RECT ToPixels(const Twips& t, int dpi) {
  RECT r;
  r.left = ToPixels(t.left, dpi);
  r.top = ToPixels(t.top, dpi);
  r.right = r.left + ToPixels(t.width, dpi);
  r.bottom = r.top + ToPixels(t.height, dpi);
  return r;
}

// The system's dots per inch (the screen's logical pixels per inch); a
// window's own density is dpi::ForWindow (dpi_scale.h).
int SystemDpi();

}  // namespace app::layout
