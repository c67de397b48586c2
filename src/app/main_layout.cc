#include "app/main_layout.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "app/layout.h"

namespace app {
namespace {

void Place(HWND hwnd, const layout::Twips& twips, int dpi) {
  RECT r = layout::ToPixels(twips, dpi);
  SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

// The right and bottom edges (client pixels at dpi) a label may reach: the
// list label the list's right edge and top, the labels on the bar's line
// the bar's top and, for the status text, the build button.
POINT LabelRoom(const MainControls& c, HWND label, int dpi) {
  using layout::ToPixels;
  const int bar_top = ToPixels(layout::kProgressBar.top, dpi);
  if (label == c.list_label) {
    return {ToPixels(layout::kEntryList.left + layout::kEntryList.width, dpi),
            ToPixels(layout::kEntryList.top, dpi)};
  }
  if (label == c.progress_label) return {ToPixels(layout::kClientWidth, dpi), bar_top};
  return {ToPixels(layout::kBuildButton.left, dpi), bar_top};
}

}  // namespace

void PlaceControls(const MainControls& c, int dpi, HFONT font) {
  Place(c.prop_list, layout::kPropertyList, dpi);
  Place(c.list_label, layout::kListLabel, dpi);
  Place(c.list, layout::kEntryList, dpi);
  Place(c.progress_label, layout::kProgressLabel, dpi);
  Place(c.status_label, layout::kStatusLabel, dpi);
  Place(c.progress_bar, layout::kProgressBar, dpi);
  Place(c.build_button, layout::kBuildButton, dpi);
  for (HWND h : {c.list_label, c.list, c.progress_label, c.status_label, c.build_button})
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  for (HWND h : {c.list_label, c.progress_label}) FitLabel(c, h, font, dpi);
  // The status text starts where designed, or after a progress label that
  // the font makes wider than designed.
  RECT progress;
  GetWindowRect(c.progress_label, &progress);
  MapWindowPoints(nullptr, GetParent(c.progress_label), reinterpret_cast<POINT*>(&progress), 2);
  const int status_left =
      std::max<int>(layout::ToPixels(layout::kStatusLabel.left, dpi), progress.right);
  SetWindowPos(c.status_label, nullptr, status_left, layout::ToPixels(layout::kStatusLabel.top, dpi),
               0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  FitLabel(c, c.status_label, font, dpi);
  SendMessageW(c.list, LVM_SETCOLUMNWIDTH, 0, layout::ToPixels(layout::kNameColumnWidth, dpi));
  SendMessageW(c.list, LVM_SETCOLUMNWIDTH, 1, layout::ToPixels(layout::kPathColumnWidth, dpi));
}

void FitLabel(const MainControls& c, HWND label, HFONT font, int dpi) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(label)), L'\0');
  GetWindowTextW(label, text.data(), static_cast<int>(text.size()) + 1);
  HDC dc = GetDC(label);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  SIZE size = {0, 0};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(label, dc);

  RECT r;
  GetWindowRect(label, &r);
  MapWindowPoints(nullptr, GetParent(label), reinterpret_cast<POINT*>(&r), 2);
  const POINT room = LabelRoom(c, label, dpi);
  const int width = std::max<int>(0, std::min<int>(size.cx + 1, room.x - r.left));
  const int height = std::max<int>(0, std::min<int>(metrics.tmHeight, room.y - r.top));
  SetWindowPos(label, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(label, nullptr, TRUE);
}

}  // namespace app
