#include "file_in_use.h"

#include <windows.h>
#include <restartmanager.h>

#include "stub_text.h"
#include "system_dll.h"
#include "win_util.h"

namespace stub {
namespace {

// The Restart Manager's functions, from System32 (system_dll.h).
struct RestartManager {
  decltype(&RmStartSession) start = SystemFunction<decltype(RmStartSession)>(kDll, "RmStartSession");
  decltype(&RmRegisterResources) add =
      SystemFunction<decltype(RmRegisterResources)>(kDll, "RmRegisterResources");
  decltype(&RmGetList) list = SystemFunction<decltype(RmGetList)>(kDll, "RmGetList");
  decltype(&RmEndSession) end = SystemFunction<decltype(RmEndSession)>(kDll, "RmEndSession");
  static constexpr wchar_t kDll[] = L"rstrtmgr.dll";

  bool loaded() const { return start && add && list && end; }
};

// The Restart Manager's session for one question.
class RestartManagerUsers : public FileUsers {
 public:
  std::vector<std::wstring> ProgramsUsing(const std::wstring& file) override {
    std::vector<std::wstring> names;
    if (!rm_.loaded()) return names;
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (rm_.start(&session, 0, key) != ERROR_SUCCESS) return names;
    LPCWSTR files[] = {file.c_str()};
    UINT needed = 0, count = 0;
    DWORD reasons = 0;
    if (rm_.add(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS) {
      DWORD rc = rm_.list(session, &needed, &count, nullptr, &reasons);
      if (rc == ERROR_MORE_DATA && needed > 0) {
        std::vector<RM_PROCESS_INFO> info(needed);
        count = needed;
        if (rm_.list(session, &needed, &count, info.data(), &reasons) == ERROR_SUCCESS) {
          for (UINT i = 0; i < count; ++i) {
            std::wstring name = info[i].strAppName;
            if (!name.empty()) names.push_back(name);
          }
        }
      }
    }
    rm_.end(session);
    return names;
  }

 private:
  RestartManager rm_;
};

}  // namespace

bool IsFileInUse(const std::wstring& path) {
  // No sharing: any other open handle makes this fail. A running program's
  // image can be opened for delete but not for writing, so ask for writing
  // too; a read-only file (or a folder) refuses that, and is asked again
  // for delete alone (which a folder refuses too: it is never in use).
  DWORD e = ERROR_SUCCESS;
  for (DWORD access : {DWORD{DELETE | GENERIC_WRITE}, DWORD{DELETE}}) {
    HANDLE h = CreateFileW(path.c_str(), access, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return false;
    }
    e = GetLastError();
    if (e != ERROR_ACCESS_DENIED) break;
  }
  return e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION || e == ERROR_USER_MAPPED_FILE;
}

std::wstring FirstFileInUse(const std::vector<std::wstring>& paths) {
  for (const std::wstring& p : paths) {
    // The shell or a virus scanner may hold a file for a moment (to read an
    // icon, to scan it): only a file that stays in use counts.
    bool busy = IsFileInUse(p);
    for (int attempt = 0; busy && attempt < 10; ++attempt) {
      Sleep(100);
      busy = IsFileInUse(p);
    }
    if (busy) return p;
  }
  return L"";
}

std::unique_ptr<FileUsers> SystemFileUsers() { return std::make_unique<RestartManagerUsers>(); }

std::wstring InUseMessage(std::wstring_view lead, const std::wstring& file,
                          const std::vector<std::wstring>& programs) {
  std::wstring m = std::wstring(lead) + L"“" + file + L"”";
  m += text::kFileInUse;
  if (!programs.empty()) {
    m += L"\r\n";
    m += text::kUsedBy;
    for (size_t i = 0; i < programs.size(); ++i) m += (i ? L"、" : L"") + programs[i];
  }
  return m;
}

std::wstring WaitUntilFree(const std::function<std::wstring()>& first_in_use, FileUsers& users,
                           std::wstring_view lead,
                           const std::function<bool(const std::wstring& message)>& ask) {
  for (;;) {
    std::wstring busy = first_in_use();
    if (busy.empty()) return busy;
    std::wstring message = InUseMessage(lead, busy, users.ProgramsUsing(busy));
    message += L"\r\n";
    message += text::kCloseAndRetry;
    if (!ask(message)) return busy;
  }
}

}  // namespace stub
