#pragma once
// Dots per inch of the monitor a window is on, and the designed 96-dpi sizes
// scaled to it. The program declares itself per-monitor aware (version 2) in
// its manifest: the system then leaves the scaling to the window, tells it the
// monitor's density at creation, and sends WM_DPICHANGED when it moves to a
// monitor of another density. Systems older than Windows 10 have one density
// for all monitors; the functions fall back to it there.

#include <windows.h>

namespace app::dpi {

inline constexpr int kDesignDpi = 96;
// WM_DPICHANGED, sent to a top-level window whose monitor's density changed.
inline constexpr UINT kDpiChangedMessage = 0x02E0;

// `pixels` designed at 96 dots per inch, at `dpi` (rounded to the nearest).
inline int Scale(int pixels, int dpi) { return MulDiv(pixels, dpi, kDesignDpi); }

// The system's density (the screen's logical pixels per inch).
int System();

// The density of the monitor hwnd is on, or the system's where the system
// has one density only.
int ForWindow(HWND hwnd);

// The outer size of a window of style/ex_style (no menu) whose client area is
// client_width x client_height at `dpi`: the frame drawn at that density.
SIZE WindowSizeForClient(int client_width, int client_height, DWORD style, DWORD ex_style,
                         int dpi);

// The window's interface font at `dpi`: the system's message font scaled
// from the system density, and at least 13 pixels high at 96 (scaled with
// the rest), so Chinese characters stay legible. bold gives its bold weight.
HFONT CreateUiFont(bool bold, int dpi);

}  // namespace app::dpi
