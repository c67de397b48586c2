/* A DLL that must never be loaded: copies of it are planted under the names
   of the DLLs setup.exe and uninst.exe load. Loaded, it leaves a marker file
   beside itself (its own path + ".loaded") and refuses to stay loaded. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH + 16];
  DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    lstrcpyW(path + n, L".loaded");
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  return FALSE;
}
