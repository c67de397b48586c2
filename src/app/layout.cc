#include "app/layout.h"

namespace app::layout {

HFONT CreateUiFont(bool bold) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  LOGFONTW font = metrics.lfMessageFont;
  constexpr LONG kMinHeight = 13;
  if (font.lfHeight > -kMinHeight && font.lfHeight < kMinHeight) font.lfHeight = -kMinHeight;
  if (bold) font.lfWeight = FW_BOLD;
  return CreateFontIndirectW(&font);
}

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace app::layout
