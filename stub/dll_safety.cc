#include "dll_safety.h"

#include <windows.h>

namespace stub {

bool RestrictDllSearchToSystem32() {
  // Remove the current folder from the search path of LoadLibrary as well.
  SetDllDirectoryW(L"");
  // Looked up rather than imported: Windows 7 without its update KB2533623
  // lacks the function, and an import would keep the program from starting.
  // kernel32 is always loaded, so the look-up itself searches no folder.
  using SetDefaultFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto set_default = reinterpret_cast<SetDefaultFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  return set_default && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32) != 0;
}

}  // namespace stub
