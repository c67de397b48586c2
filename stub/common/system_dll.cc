#include "system_dll.h"

#include <windows.h>

namespace stub {

void* SystemDllFunction(const wchar_t* dll, const char* function) {
  HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(module, function));
}

}  // namespace stub
