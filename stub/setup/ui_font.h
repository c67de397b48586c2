#pragma once
// The font of both programs' windows: a Chinese UI font when the system has
// one, else the system's message font.

#include <windows.h>

namespace stub {

// Created once; lives until the process ends. scale enlarges it (titles).
HFONT UiFont(int percent = 100, bool bold = false);

// Sets font on every child window of parent.
void ApplyFont(HWND parent, HFONT font);

}  // namespace stub
