// setup.exe: the head of every package. Reads the package appended to its own
// image and installs it.
#include <windows.h>

#include "dll_safety.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  stub::RestrictDllSearchToSystem32();
  return 1;
}
