// uninst.exe: removes what setup.exe installed, listed in the name index
// appended to its own image. /S removes without asking and without messages.
// Exit codes: program_start.h.
#include <windows.h>

#include "command_line.h"
#include "elevation.h"
#include "file_in_use.h"
#include "log_sink.h"
#include "program_start.h"
#include "self_delete.h"
#include "stub_text.h"
#include "transaction_recovery.h"
#include "uninstaller.h"
#include "win_util.h"

namespace {

using stub::Fail;
using stub::kExitFailed;

// After the product's name in the name of a new log in %TEMP%.
constexpr wchar_t kUninstallLogSuffix[] = L"_uninstall";

int Run() {
  using namespace stub;
  StubArgs args = ParseArgs(SkipProgramName(GetCommandLineW()), Program::kUninstaller);
  if (!args.cleanup_target.empty()) {
    std::wstring ignored;
    OpenRequestedLog(args, L"", &ignored);
    RunCleanupPass(args.wait_handle, args.cleanup_target, args.cleanup_folders);
    Log().Close();  // the exit code in the log is the uninstaller's, not this copy's
    return kExitDone;
  }
  Log().Write(text::kLogUninstaller, ModulePath());
  UninstallPlan plan;
  std::wstring why;
  bool loaded = args.refused.empty() && LoadUninstallPlan(ModulePath(), &plan, &why);
  std::wstring log_why;
  std::wstring product = loaded ? plan.app_name : StemOf(LastSegment(ModulePath()));
  if (!OpenRequestedLog(args, product + kUninstallLogSuffix, &log_why) && !args.silent)
    ShowMessage(nullptr, log_why, text::kNotice, MB_OK | MB_ICONWARNING);
  if (!args.refused.empty())
    return Fail(args.silent, UsageMessage(Program::kUninstaller, args.refused));
  if (!loaded) return Fail(args.silent, why);
  Log().Write(text::kLogFolder, plan.folder);
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
    if (!StartSelfDelete(plan.uninstaller, {}, Log().path(), &why)) return Fail(args.silent, why);
    return kExitDone;
  }
  // A per-machine install needs the rights it was made with: without them,
  // run again with them before anything is removed.
  switch (DecideRights(found.scope, CanDeleteUninstallEntry(found.scope, found.key), args.elevated)) {
    case RightsDecision::kProceed: break;
    case RightsDecision::kRefuse: return Fail(args.silent, text::kNeedAdmin);
    case RightsDecision::kElevate: {
      unsigned long code = kExitFailed;
      std::wstring child = ElevatedArgs(ChildArgs(args, Log().path()));
      Log().Write(text::kLogElevating, child);
      if (!ShellElevator()->RunElevated(ModulePath(), child, &code))
        return Fail(args.silent, text::kNeedAdmin);
      return static_cast<int>(code);
    }
  }
  std::wstring caption = plan.app_name + text::kUninstallTitleSuffix;
  if (!args.silent) {
    std::wstring ask = text::kConfirmUninstallPrefix + plan.app_name + text::kConfirmUninstallSuffix;
    if (ShowMessage(nullptr, ask, caption.c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES)
      return kExitCancelled;
    // Files in use: name the programs that hold them and let the user
    // close them and retry.
    std::wstring still = WaitUntilFree([&] { return FirstFileInUse(FilesToRemove(plan)); },
                                       *SystemFileUsers(), text::kCannotRemoveInUse,
                                       [&](const std::wstring& message) {
                                         return ShowMessage(nullptr, message, caption.c_str(),
                                                            MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
                                       });
    if (!still.empty())
      return Fail(false,
                  text::kUninstallFailed + InUseMessage(text::kCannotRemoveInUse, still, {}) +
                      text::kNothingRemovedLine,
                  kExitFileInUse);
  }
  RemoveOutcome outcome;
  if (!RemoveInstalled(plan, found, &outcome))
    return Fail(args.silent,
                text::kUninstallFailed + outcome.message +
                    (outcome.not_undone.empty() ? std::wstring(text::kNothingRemovedLine)
                                                : outcome.not_undone),
                outcome.busy_file.empty() ? kExitFailed : kExitFileInUse);
  if (!outcome.leftovers.empty()) return Fail(args.silent, outcome.leftovers);
  // The files are gone; uninst.exe and its folder go once this process has
  // ended, or stay, and then the user is told so.
  std::wstring done = text::kUninstalled + plan.app_name + L"。", err;
  if (!StartSelfDelete(plan.uninstaller, found.entry.created_folders, Log().path(), &err))
    return Fail(args.silent, done + L"\r\n" + text::kUninstallerLeft + ParentOf(plan.uninstaller) +
                                 L"\r\n" + err);
  if (args.silent) Log().Write(text::kLogMessage, done);
  else ShowMessage(nullptr, done, caption.c_str(), MB_OK | MB_ICONINFORMATION);
  return kExitDone;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  stub::ProgramStart start;
  std::wstring why;
  if (!start.Begin(&why))
    return Fail(stub::ParseArgs(stub::SkipProgramName(GetCommandLineW()), stub::Program::kUninstaller).silent, why);
  return stub::LogExit(Run());
}
