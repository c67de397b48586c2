// setup.exe: the head of every package. Reads the package appended to its own
// image and installs it, with its window or silently (/S, /D=<folder>).
// Exit codes: program_start.h.
#include <windows.h>
#include <shellapi.h>

#include "command_line.h"
#include "elevation.h"
#include "log_sink.h"
#include "package_source.h"
#include "program_start.h"
#include "setup_elevation.h"
#include "setup_flow.h"
#include "setup_window.h"
#include "stub_text.h"
#include "transaction_recovery.h"
#include "win_util.h"

namespace {

using stub::Fail;
using stub::kExitFailed;

// After the product's name in the name of a new log in %TEMP%.
constexpr wchar_t kSetupLogSuffix[] = L"_setup";

// The package in the log: where it is, what it installs, its digest.
void LogPackage(const stub::PackageSource& pkg) {
  using namespace stub;
  const SetupConfig& cfg = pkg.config();
  std::wstring digest = pkg.digest_text();
  Log().Write(text::kLogPackage, cfg.app_name + L" " + cfg.version + L"，" + text::kPublisherLabel +
                                     cfg.publisher + text::kLogFileCount +
                                     std::to_wstring(pkg.files().size()) +
                                     (digest.empty() ? std::wstring(text::kLogNoDigest)
                                                     : text::kLogDigest + digest));
}

int Run(HINSTANCE instance) {
  using namespace stub;
  StubArgs args = ParseArgs(SkipProgramName(GetCommandLineW()), Program::kSetup);
  Log().Write(text::kLogSetup, ModulePath());
  std::string err;
  std::unique_ptr<PackageSource> pkg =
      args.refused.empty() ? OpenOwnPackage(ModulePath(), &err) : nullptr;
  std::wstring why;
  std::wstring product = pkg ? pkg->config().app_name : StemOf(LastSegment(ModulePath()));
  if (!OpenRequestedLog(args, product + kSetupLogSuffix, &why) && !args.silent)
    ShowMessage(nullptr, why, text::kNotice, MB_OK | MB_ICONWARNING);
  if (!args.refused.empty()) return Fail(args.silent, UsageMessage(Program::kSetup, args.refused));
  if (!pkg) return Fail(args.silent, platform::Utf8ToWide(err));
  LogPackage(*pkg);
  if (!CheckConfig(pkg->config(), &why)) return Fail(args.silent, why);

  // What a run that died left is finished before the installed version is
  // looked at; a failure here is reported by the install, which tries again.
  std::wstring given, not_yet;
  if (args.folder.empty() || NormalizeFolder(args.folder, &given))
    FinishDeadRunsOfProduct(pkg->config(), given, &not_yet);

  // Decided once: the scope, the installed version setup trusts, the folder.
  SetupDecision decision;
  switch (DecideSetup(pkg->config(), CanInstallPerMachine(), args.elevated, args.scope, args.folder,
                      SystemForbiddenPlaces(), &decision, &why)) {
    case DecisionResult::kInstall: break;
    case DecisionResult::kRefuse: return Fail(args.silent, why);
    case DecisionResult::kElevate: {
      DirectStarter starter;  // this run is the user's
      int code = kExitFailed;
      std::wstring child = ChildArgs(args, Log().path());
      Log().Write(text::kLogElevating, child);
      if (!RunSetupElevated(*ShellElevator(), child, *pkg, starter, &code))
        return Fail(args.silent,
                    decision.upgrade ? text::kNeedAdminToUpdate : text::kNeedAdminForAllUsers);
      return code;
    }
  }
  if (!args.silent) {
    WindowOptions options;
    options.run_by_parent = args.elevated;
    options.run_elevated_for_machine = [&](const std::wstring& folder, int* code) {
      StubArgs machine = args;
      machine.scope = Scope::kMachine;
      machine.folder = folder;
      std::wstring child = ChildArgs(machine, Log().path());
      Log().Write(text::kLogElevating, child);
      DirectStarter starter;  // this run is the user's
      return RunSetupElevated(*ShellElevator(), child, *pkg, starter, code);
    };
    return RunSetupWindow(instance, *pkg, decision, options);
  }

  LogDecision(decision);
  std::wstring folder;
  if (!NormalizeFolder(decision.folder, &folder)) return Fail(true, text::kNeedFolder);
  // What the window would have asked: /S goes on, and the log says so.
  FolderContents there = LookIntoFolder(folder, *pkg, decision);
  if (there.holds_other_files)
    Log().Write(text::kLogMessage, FolderHasFilesQuestion(folder, there));
  if (decision.upgrade && IsOlderThanInstalled(pkg->config(), decision.installed))
    Log().Write(text::kLogMessage, OlderVersionQuestion(pkg->config(), decision.installed));
  InstallOutcome outcome;
  if (!InstallPackage(*pkg, decision, folder, nullptr, nullptr, &outcome))
    return Fail(true, outcome.message, outcome.busy_file.empty() ? kExitFailed : kExitFileInUse);
  if (!outcome.leftovers.empty()) WriteStdErr(outcome.leftovers);
  return kExitDone;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  stub::ProgramStart start;
  std::wstring why;
  if (!start.Begin(&why))
    return Fail(stub::ParseArgs(stub::SkipProgramName(GetCommandLineW()), stub::Program::kSetup).silent, why);
  return stub::LogExit(Run(instance));
}
