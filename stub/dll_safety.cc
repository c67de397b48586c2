#include "dll_safety.h"

#include <windows.h>

namespace stub {

bool RestrictDllSearchToSystem32() {
  // Remove the current folder from the search path of LoadLibrary as well.
  SetDllDirectoryW(L"");
  return SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != 0;
}

}  // namespace stub
