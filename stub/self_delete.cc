#include "self_delete.h"

#include <windows.h>

#include "package_source.h"
#include "win_util.h"

namespace stub {

bool StartSelfDelete(const std::wstring& uninstaller, std::string* err) {
  wchar_t temp[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) {
    *err = "No temp folder";
    return false;
  }
  std::wstring copy;
  for (int attempt = 0;; ++attempt) {
    copy = std::wstring(temp) + L"~qruninst" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(attempt) + L".exe";
    if (CopyFileW(uninstaller.c_str(), copy.c_str(), TRUE)) break;
    if (GetLastError() != ERROR_FILE_EXISTS || attempt == 100) {
      *err = Win32Error("Cannot copy the uninstaller to", copy, GetLastError());
      return false;
    }
  }
  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                       SYNCHRONIZE, TRUE, 0)) {
    *err = Win32Error("Cannot share a handle with", copy, GetLastError());
    DeleteFileW(copy.c_str());
    return false;
  }
  std::wstring cmd = L"\"" + copy + L"\" /_CLEANUP=" +
                     std::to_wstring(reinterpret_cast<uintptr_t>(self)) + L":" + uninstaller;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::wstring dir = ParentOf(copy);
  BOOL ok = CreateProcessW(copy.c_str(), cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                           nullptr, dir.c_str(), &si, &pi);
  DWORD code = GetLastError();
  CloseHandle(self);
  if (!ok) {
    *err = Win32Error("Cannot start", copy, code);
    DeleteFileW(copy.c_str());
    return false;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

void RunCleanupPass(unsigned long long wait_handle, const std::wstring& target) {
  HANDLE parent = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(wait_handle));
  if (parent) {
    WaitForSingleObject(parent, INFINITE);
    CloseHandle(parent);
  }
  if (CompareStringOrdinal(LastSegment(target).c_str(), -1, kUninstallerName, -1, TRUE) ==
      CSTR_EQUAL) {
    // The ended process may hold its file for a moment longer.
    for (int i = 0; i < 50 && FileExists(target) && !DeleteFileW(target.c_str()); ++i) Sleep(100);
    RemoveDirectoryW(ParentOf(target).c_str());
  }
  MoveFileExW(ModulePath().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace stub
