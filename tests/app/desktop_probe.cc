// Exits 0 once this process can open a window, 1 if it cannot within about
// ten seconds. The test script runs it after starting wine's services: a
// fresh prefix on a busy machine may take a while to bring up the desktop,
// and the window tests must not start before it is there.

#include <windows.h>

int main() {
  for (int attempt = 0; attempt < 40; ++attempt) {
    HWND w = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (w) {
      DestroyWindow(w);
      return 0;
    }
    Sleep(250);
  }
  return 1;
}
