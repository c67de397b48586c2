#pragma once
// The setup window's icon: the product's, which the builder wrote into this
// program (package/identity_resources.h).

#include <windows.h>

namespace stub {

// Gives wnd the product's icon in its title bar and on the taskbar (big and
// small, WM_SETICON). A program without one keeps the window class's icon.
void ShowProductIcon(HWND wnd);

}  // namespace stub
