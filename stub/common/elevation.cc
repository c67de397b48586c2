#include "elevation.h"

#include <windows.h>
#include <shellapi.h>

namespace stub {
namespace {

class ShellRunAs : public Elevator {
 public:
  bool RunElevated(const std::wstring& program, const std::wstring& args,
                   unsigned long* exit_code) override {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    info.lpVerb = L"runas";
    info.lpFile = program.c_str();
    info.lpParameters = args.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info) || !info.hProcess) return false;
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 2;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    *exit_code = code;
    return true;
  }
};

}  // namespace

bool ProcessIsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  bool elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                  elevation.TokenIsElevated != 0;
  CloseHandle(token);
  return elevated;
}

std::unique_ptr<Elevator> ShellElevator() { return std::make_unique<ShellRunAs>(); }

RightsDecision DecideRights(Scope scope, bool can_delete, bool already_elevated) {
  if (can_delete) return RightsDecision::kProceed;
  if (scope == Scope::kMachine && !already_elevated) return RightsDecision::kElevate;
  return RightsDecision::kRefuse;
}

std::wstring ElevatedArgs(const std::wstring& own_args) {
  std::wstring args = kElevatedSwitch;
  if (!own_args.empty()) args += L" " + own_args;
  return args;
}

}  // namespace stub
