#include "platform/real_path.h"

#include <windows.h>

#include "platform/utf.h"
#include "platform/win32_util.h"

namespace platform {

bool RealPath(const std::string& path, std::string* real, std::string* err) {
  // Backup semantics let a folder open too; no access is asked for.
  HANDLE h = CreateFileW(win32::WidePath(path).c_str(), 0,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    *err = win32::ErrorMessage("cannot resolve", path, GetLastError());
    return false;
  }
  std::wstring buf(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()), 0);
  if (n >= buf.size()) {
    buf.resize(n + 1);
    n = GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()), 0);
  }
  DWORD code = GetLastError();
  CloseHandle(h);
  if (n == 0 || n >= buf.size()) {
    *err = win32::ErrorMessage("cannot resolve", path, code);
    return false;
  }
  buf.resize(n);
  if (buf.rfind(L"\\\\?\\UNC\\", 0) == 0) buf = L"\\\\" + buf.substr(8);
  else if (buf.rfind(L"\\\\?\\", 0) == 0) buf = buf.substr(4);
  *real = WideToUtf8(buf);
  return true;
}

}  // namespace platform
