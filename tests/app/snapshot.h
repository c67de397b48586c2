#pragma once
// The property list's retained picture, copied for reading pixels.

#include <windows.h>

#include <cstdint>
#include <utility>

#include "app/prop_list_view.h"

namespace app_test {

// The property list's picture copied into a bitmap of our own.
class Snapshot {
 public:
  explicit Snapshot(const app::PropListView& view) {
    RECT r;
    GetClientRect(view.hwnd(), &r);
    width_ = r.right;
    height_ = r.bottom;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width_;
    bi.bmiHeader.biHeight = -height_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    view.Render(dc_);
    GdiFlush();
  }
  ~Snapshot() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  COLORREF At(int x, int y) const {
    uint32_t p = static_cast<const uint32_t*>(bits_)[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // How many pixels of the rectangle have colour c.
  int Count(int left, int top, int right, int bottom, COLORREF c) const {
    return CountIf(left, top, right, bottom, [c](COLORREF p) { return p == c; });
  }
  // Text may be drawn smoothed: dark and light ink, not only pure black and white.
  int Dark(int left, int top, int right, int bottom) const {
    return CountIf(left, top, right, bottom, [](COLORREF p) {
      return GetRValue(p) < 96 && GetGValue(p) < 96 && GetBValue(p) < 96;
    });
  }
  int Light(int left, int top, int right, int bottom) const {
    return CountIf(left, top, right, bottom, [](COLORREF p) {
      return GetRValue(p) > 200 && GetGValue(p) > 200 && GetBValue(p) > 200;
    });
  }
  template <typename Pred>
  int CountIf(int left, int top, int right, int bottom, Pred pred) const {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += pred(At(x, y));
    return n;
  }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  void* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// The rows (from the top of the rectangle) that hold dark ink in the
// rectangle of what hwnd shows now: first and last, or {-1, -1} for none.
inline std::pair<int, int> InkRows(HWND hwnd, const RECT& r) {
  HDC src = GetDC(hwnd);
  HDC mem = CreateCompatibleDC(src);
  HBITMAP bitmap = CreateCompatibleBitmap(src, r.right - r.left, r.bottom - r.top);
  HGDIOBJ old = SelectObject(mem, bitmap);
  BitBlt(mem, 0, 0, r.right - r.left, r.bottom - r.top, src, r.left, r.top, SRCCOPY);
  std::pair<int, int> rows = {-1, -1};
  for (int y = 0; y < r.bottom - r.top; ++y)
    for (int x = 0; x < r.right - r.left; ++x) {
      COLORREF c = GetPixel(mem, x, y);
      if (GetRValue(c) < 96 && GetGValue(c) < 96 && GetBValue(c) < 96) {
        if (rows.first < 0) rows.first = y;
        rows.second = y;
      }
    }
  SelectObject(mem, old);
  DeleteObject(bitmap);
  DeleteDC(mem);
  ReleaseDC(hwnd, src);
  return rows;
}

}  // namespace app_test
