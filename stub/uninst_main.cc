// uninst.exe: removes what setup.exe installed, listed in the name index
// appended to its own image. /S removes without asking and without messages.
// Exit code: 0 removed, 1 the user said no, 2 failed or refused.
#include <windows.h>
#include <objbase.h>

#include "command_line.h"
#include "dll_safety.h"
#include "self_delete.h"
#include "stub_text.h"
#include "uninstaller.h"
#include "win_util.h"

namespace {

constexpr int kExitFailed = 2;

int Fail(bool silent, const std::wstring& message) {
  if (silent) stub::WriteStdErr(message);
  else MessageBoxW(nullptr, message.c_str(), stub::text::kNotice, MB_OK | MB_ICONWARNING);
  return kExitFailed;
}

int Run() {
  using namespace stub;
  StubArgs args = ParseArgs(SkipProgramName(GetCommandLineW()));
  if (!args.cleanup_target.empty()) {
    RunCleanupPass(args.wait_handle, args.cleanup_target);
    return 0;
  }
  UninstallPlan plan;
  std::wstring why;
  if (!LoadUninstallPlan(ModulePath(), &plan, &why)) return Fail(args.silent, why);
  std::wstring caption = plan.app_name + text::kUninstallTitleSuffix;
  if (!args.silent) {
    std::wstring ask = text::kConfirmUninstallPrefix + plan.app_name + text::kConfirmUninstallSuffix;
    if (MessageBoxW(nullptr, ask.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES)
      return 1;
  }
  if (!RemoveInstalled(plan, &why)) return Fail(args.silent, text::kUninstallFailed + why);
  if (!args.silent) {
    std::wstring done = text::kUninstalled + plan.app_name + L"。";
    MessageBoxW(nullptr, done.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
  }
  std::string err;
  if (!StartSelfDelete(plan.uninstaller, &err)) WriteStdErr(platform::Utf8ToWide(err));
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  stub::RestrictDllSearchToSystem32();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int code = Run();
  CoUninitialize();
  return code;
}
