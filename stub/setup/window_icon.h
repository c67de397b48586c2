#pragma once
// The setup window's icon: the product's, which the builder wrote into this
// program (package/identity_resources.h).

#include <windows.h>

namespace stub {

// Gives wnd the product's icon of image (this program's module) in its title
// bar and on the taskbar (big and small, WM_SETICON). An image without one
// leaves the window with the class's icon.
void ShowProductIcon(HWND wnd, HMODULE image);

}  // namespace stub
