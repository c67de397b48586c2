// uninst.exe: removes what setup.exe installed, listed in the name index
// appended to its own image.
#include <windows.h>

#include "dll_safety.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  stub::RestrictDllSearchToSystem32();
  return 1;
}
