#pragma once
// Image1's picture: a raised push button with three dots, square, 24 bits.

#include <windows.h>

namespace app {

// The picture at `size` pixels square: at the designed 19 the bitmap stored
// with the program (resource IDB_BROWSE, drawn by make_icon.py), at any
// other size the same design drawn at that size (DrawBrowsePicture), so
// it stays crisp instead of being stretched. The caller deletes it.
HBITMAP CreateBrowsePicture(int size);

// The design drawn at `size`: every part of the 19-pixel picture (frame
// lines, face, dots) covers the pixels its edges land on when the 19 x 19
// grid is scaled to `size`. At 19 it is the stored bitmap, pixel for pixel.
HBITMAP DrawBrowsePicture(int size);

}  // namespace app
