#include "cleanup_folder.h"

#include <windows.h>
#include <sddl.h>

#include "elevation.h"
#include "random_name.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

// A name taken by another folder is never reused; a few fresh names are
// tried (with 128 random bits, a second clash means someone is guessing).
constexpr int kFolderAttempts = 4;
constexpr size_t kRandomBytes = 16;

// The error of a step that failed, never "no error".
DWORD LastErrorOr(DWORD fallback) {
  DWORD e = GetLastError();
  return e ? e : fallback;
}

class RealCleanupSystem : public CleanupSystem {
 public:
  bool Elevated() override { return ProcessIsElevated(); }

  std::wstring MachineTempFolder() override {
    wchar_t windows[MAX_PATH + 1];
    UINT n = GetSystemWindowsDirectoryW(windows, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return L"";
    return std::wstring(windows, n) + L"\\Temp";
  }

  std::wstring UserTempFolder() override { return stub::UserTempFolder(); }

  bool RandomName(std::wstring* name) override { return RandomHex(kRandomBytes, name); }

  unsigned long MakeFolder(const std::wstring& folder, bool admins_only) override {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (admins_only &&
        !ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminsOnlySecurity, SDDL_REVISION_1, &sd,
                                                              nullptr))
      return GetLastError();
    SECURITY_ATTRIBUTES sa = {sizeof sa, sd, FALSE};
    DWORD error = CreateDirectoryW(folder.c_str(), admins_only ? &sa : nullptr) ? 0 : GetLastError();
    if (sd) LocalFree(sd);
    return error;
  }

  unsigned long CopyNew(const std::wstring& from, const std::wstring& to) override {
    HANDLE in = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return GetLastError();
    HANDLE out = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    DWORD error = out == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    char buf[64 * 1024];
    for (DWORD got = 0; !error;) {
      if (!ReadFile(in, buf, sizeof buf, &got, nullptr)) error = GetLastError();
      else if (got == 0) break;
      DWORD put = 0;
      if (!error && (!WriteFile(out, buf, got, &put, nullptr) || put != got)) error = GetLastError();
    }
    CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) {
      CloseHandle(out);
      if (error) DeleteFileW(to.c_str());
    }
    return error;
  }

  void RemoveFolder(const std::wstring& folder) override { RemoveDirectoryW(folder.c_str()); }
};

}  // namespace

std::unique_ptr<CleanupSystem> SystemCleanup() { return std::make_unique<RealCleanupSystem>(); }

bool MakeCleanupCopy(CleanupSystem& system, const std::wstring& uninstaller, CleanupCopy* copy,
                     std::wstring* err) {
  const bool elevated = system.Elevated();
  const std::wstring base = elevated ? system.MachineTempFolder() : system.UserTempFolder();
  const std::wstring base_name = elevated ? L"%WINDIR%\\Temp" : L"%TEMP%";
  if (base.empty()) {
    *err = SystemError(text::kCannotCopyUninstaller, base_name, ERROR_PATH_NOT_FOUND);
    return false;
  }
  std::wstring name;
  DWORD error = ERROR_ALREADY_EXISTS;
  for (int attempt = 0; attempt < kFolderAttempts && error == ERROR_ALREADY_EXISTS; ++attempt) {
    if (!system.RandomName(&name)) {
      *err = SystemError(text::kCannotCopyUninstaller, base, LastErrorOr(ERROR_GEN_FAILURE));
      return false;
    }
    copy->folder = base + L"\\~qr" + name + L".tmp";
    error = system.MakeFolder(copy->folder, elevated);
  }
  if (error) {
    *err = SystemError(text::kCannotCopyUninstaller, copy->folder, error);
    return false;
  }
  if (!system.RandomName(&name)) {
    error = LastErrorOr(ERROR_GEN_FAILURE);
  } else {
    copy->program = copy->folder + L"\\" + name + L".exe";
    error = system.CopyNew(uninstaller, copy->program);
  }
  if (error) {
    *err = SystemError(text::kCannotCopyUninstaller, copy->folder, error);
    system.RemoveFolder(copy->folder);
    return false;
  }
  return true;
}

}  // namespace stub
