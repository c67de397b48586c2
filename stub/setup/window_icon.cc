#include "window_icon.h"

#include <initializer_list>

#include "package/identity_resources.h"

namespace stub {

void ShowProductIcon(HWND wnd, HMODULE image) {
  struct Size {
    WPARAM which;
    int cx, cy;
  };
  for (Size s : {Size{ICON_BIG, SM_CXICON, SM_CYICON}, Size{ICON_SMALL, SM_CXSMICON, SM_CYSMICON}}) {
    // Shared: the system keeps the icon for the life of the program.
    HANDLE icon = LoadImageW(image, MAKEINTRESOURCEW(QR_PRODUCT_ICON_ID), IMAGE_ICON,
                             GetSystemMetrics(s.cx), GetSystemMetrics(s.cy), LR_SHARED);
    if (icon != nullptr) SendMessageW(wnd, WM_SETICON, s.which, reinterpret_cast<LPARAM>(icon));
  }
}

}  // namespace stub
