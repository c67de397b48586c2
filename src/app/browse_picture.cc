#include "app/browse_picture.h"

#include <cstdint>

#include "app/resources/resource_ids.h"
#include "proplist/layout.h"

namespace app {
namespace {

// The design on its 19 x 19 grid (as in make_icon.py).
constexpr int kGrid = proplist::kPictureSize;
constexpr COLORREF kLight = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kDark = RGB(64, 64, 64);
constexpr COLORREF kFace = RGB(212, 208, 200);
constexpr COLORREF kDot = RGB(0, 0, 0);
constexpr int kDotLefts[] = {4, 8, 12};
constexpr int kDotTop = 12;
constexpr int kDotSize = 2;

// The colour at pixel (x, y) of the picture drawn at `size`; `at` maps a
// grid line to the pixel it lands on.
COLORREF DesignPixel(int x, int y, int size) {
  auto at = [size](int grid_line) { return MulDiv(grid_line, size, kGrid); };
  if (x >= at(kGrid - 1) || y >= at(kGrid - 1)) return kDark;
  if (x < at(1) || y < at(1)) return kLight;
  if (x >= at(kGrid - 2) || y >= at(kGrid - 2)) return kShadow;
  if (y >= at(kDotTop) && y < at(kDotTop + kDotSize)) {
    for (int left : kDotLefts)
      if (x >= at(left) && x < at(left + kDotSize)) return kDot;
  }
  return kFace;
}

}  // namespace

HBITMAP DrawBrowsePicture(int size) {
  if (size < 1) size = 1;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = size;
  bi.bmiHeader.biHeight = -size;  // top-down rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  const int stride = (size * 3 + 3) / 4 * 4;
  auto* rows = static_cast<uint8_t*>(bits);
  for (int y = 0; y < size; ++y) {
    uint8_t* p = rows + y * stride;
    for (int x = 0; x < size; ++x) {
      COLORREF c = DesignPixel(x, y, size);
      *p++ = GetBValue(c);
      *p++ = GetGValue(c);
      *p++ = GetRValue(c);
    }
  }
  GdiFlush();
  return bitmap;
}

HBITMAP CreateBrowsePicture(int size) {
  if (size == kGrid) {
    return static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BROWSE),
                                           IMAGE_BITMAP, 0, 0, 0));
  }
  return DrawBrowsePicture(size);
}

}  // namespace app
