#include "app/dpi_scale.h"

namespace app::dpi {
namespace {

// A user32 function of Windows 10, or nullptr where the system lacks it.
template <class Fn>
Fn User32(const char* name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

constexpr LONG kMinFontHeight = 13;  // at 96 dots per inch

}  // namespace

int System() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDesignDpi;
}

int ForWindow(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi = User32<GetDpiForWindowFn>("GetDpiForWindow");
  const UINT dpi = get_dpi && hwnd ? get_dpi(hwnd) : 0;
  return dpi > 0 ? static_cast<int>(dpi) : System();
}

SIZE WindowSizeForClient(int client_width, int client_height, DWORD style, DWORD ex_style,
                         int dpi) {
  using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjust_for_dpi = User32<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  RECT r = {0, 0, client_width, client_height};
  if (!(adjust_for_dpi && dpi != System() &&
        adjust_for_dpi(&r, style, FALSE, ex_style, static_cast<UINT>(dpi)))) {
    AdjustWindowRectEx(&r, style, FALSE, ex_style);
  }
  return {r.right - r.left, r.bottom - r.top};
}

HFONT CreateUiFont(bool bold, int dpi) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  LOGFONTW font = metrics.lfMessageFont;
  const int system = System();
  if (dpi != system) font.lfHeight = MulDiv(font.lfHeight, dpi, system);
  const LONG min_height = Scale(kMinFontHeight, dpi);
  if (font.lfHeight > -min_height && font.lfHeight < min_height) font.lfHeight = -min_height;
  if (bold) font.lfWeight = FW_BOLD;
  return CreateFontIndirectW(&font);
}

}  // namespace app::dpi
