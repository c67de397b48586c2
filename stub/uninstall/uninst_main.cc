// uninst.exe: removes what setup.exe installed, listed in the name index
// appended to its own image. /S removes without asking and without messages.
// Exit code: 0 removed, 1 the user said no, 2 failed or refused.
#include <windows.h>

#include "command_line.h"
#include "elevation.h"
#include "file_in_use.h"
#include "program_start.h"
#include "self_delete.h"
#include "stub_text.h"
#include "transaction_recovery.h"
#include "uninstaller.h"
#include "win_util.h"

namespace {

using stub::Fail;
using stub::kExitFailed;

int Run() {
  using namespace stub;
  std::wstring own_args(SkipProgramName(GetCommandLineW()));
  StubArgs args = ParseArgs(own_args, Program::kUninstaller);
  if (!args.refused.empty())
    return Fail(args.silent, UsageMessage(Program::kUninstaller, args.refused));
  if (!args.cleanup_target.empty()) {
    RunCleanupPass(args.wait_handle, args.cleanup_target, args.cleanup_folders);
    return 0;
  }
  UninstallPlan plan;
  std::wstring why;
  if (!LoadUninstallPlan(ModulePath(), &plan, &why)) return Fail(args.silent, why);
  // What a run that died left in the folder is finished first.
  RecoveryResult recovered;
  if (!FinishDeadRuns(plan.folder, &recovered, &why))
    return Fail(args.silent, text::kUninstallFailed + why);
  FoundEntry found;
  if (!FindUninstallEntry(plan.folder, plan.uninstaller, &found)) {
    if (!recovered.completed_uninstall)
      return Fail(args.silent, text::kUninstallFailed + (text::kNoEntry + plan.folder));
    // An uninstall that died after its commit: only the folders and this
    // program were left to go.
    RemoveLeftFolders(plan, {});
    if (!StartSelfDelete(plan.uninstaller, {}, &why)) return Fail(args.silent, why);
    return 0;
  }
  // A per-machine install needs the rights it was made with: without them,
  // run again with them before anything is removed.
  switch (DecideRights(found.scope, CanDeleteUninstallEntry(found.scope, found.key), args.elevated)) {
    case RightsDecision::kProceed: break;
    case RightsDecision::kRefuse: return Fail(args.silent, text::kNeedAdmin);
    case RightsDecision::kElevate: {
      unsigned long code = kExitFailed;
      if (!ShellElevator()->RunElevated(ModulePath(), ElevatedArgs(own_args), &code))
        return Fail(args.silent, text::kNeedAdmin);
      return static_cast<int>(code);
    }
  }
  std::wstring caption = plan.app_name + text::kUninstallTitleSuffix;
  if (!args.silent) {
    std::wstring ask = text::kConfirmUninstallPrefix + plan.app_name + text::kConfirmUninstallSuffix;
    if (MessageBoxW(nullptr, ask.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES)
      return 1;
    // Files in use: name the programs that hold them and let the user
    // close them and retry.
    std::wstring still = WaitUntilFree([&] { return FirstFileInUse(FilesToRemove(plan)); },
                                       *SystemFileUsers(), text::kCannotRemoveInUse,
                                       [&](const std::wstring& message) {
                                         return MessageBoxW(nullptr, message.c_str(), caption.c_str(),
                                                            MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
                                       });
    if (!still.empty())
      return Fail(false, text::kUninstallFailed +
                             InUseMessage(text::kCannotRemoveInUse, still, {}) + text::kNothingRemovedLine);
  }
  RemoveOutcome outcome;
  if (!RemoveInstalled(plan, found, &outcome))
    return Fail(args.silent, text::kUninstallFailed + outcome.message +
                                 (outcome.not_undone.empty() ? std::wstring(text::kNothingRemovedLine)
                                                             : outcome.not_undone));
  if (!outcome.leftovers.empty()) return Fail(args.silent, outcome.leftovers);
  // The files are gone; uninst.exe and its folder go once this process has
  // ended, or stay, and then the user is told so.
  std::wstring done = text::kUninstalled + plan.app_name + L"。", err;
  if (!StartSelfDelete(plan.uninstaller, found.entry.created_folders, &err))
    return Fail(args.silent, done + L"\r\n" + text::kUninstallerLeft + ParentOf(plan.uninstaller) +
                                 L"\r\n" + err);
  if (!args.silent) MessageBoxW(nullptr, done.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  stub::ProgramStart start;
  std::wstring why;
  if (!start.Begin(&why))
    return Fail(stub::ParseArgs(stub::SkipProgramName(GetCommandLineW()), stub::Program::kUninstaller).silent, why);
  return Run();
}
