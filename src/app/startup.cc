#include "app/startup.h"

#include <commctrl.h>

#include "app/ui_seams.h"
#include "install_dat_digest.h"
#include "platform/utf.h"
#include "package/install_dat_check.h"

namespace app {

bool ClaimSingleInstance() {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
  if (!mutex) return true;  // no way to tell; let this instance run
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  return true;
}

void BringRunningInstanceToFront(const wchar_t* window_class, DWORD wait_ms) {
  constexpr DWORD kStep = 50;
  HWND running = FindWindowW(window_class, nullptr);
  for (DWORD waited = 0; !running && waited < wait_ms; waited += kStep) {
    Sleep(kStep);
    running = FindWindowW(window_class, nullptr);
  }
  if (!running || !IsWindowVisible(running)) return;
  if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
  SetForegroundWindow(running);
}

void InitCommonControlsForApp() {
  INITCOMMONCONTROLSEX icc = {};
  icc.dwSize = sizeof(icc);
  icc.dwICC = ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&icc);
}

bool CheckInstallDatAtStart(const std::string& install_dat) {
  package::InstallDatCheck check = package::CheckInstallDat(install_dat, kExpectedInstallDatDigest);
  if (check.ok) return true;
  CurrentUi().Message(nullptr, platform::Utf8ToWide(check.message), platform::Utf8ToWide(check.title), MB_ICONEXCLAMATION);
  return false;
}

}  // namespace app
