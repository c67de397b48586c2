// setup.exe: the head of every package. Reads the package appended to its own
// image and installs it, with its window or silently (/S, /D=<folder>).
// Exit code: 0 installed, 1 cancelled, 2 failed or refused.
#include <windows.h>
#include <shellapi.h>

#include "command_line.h"
#include "elevation.h"
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

int Run(HINSTANCE instance) {
  using namespace stub;
  std::wstring own_args(SkipProgramName(GetCommandLineW()));
  StubArgs args = ParseArgs(own_args, Program::kSetup);
  if (!args.refused.empty()) return Fail(args.silent, UsageMessage(Program::kSetup, args.refused));
  std::string err;
  std::unique_ptr<PackageSource> pkg = OpenOwnPackage(ModulePath(), &err);
  if (!pkg) return Fail(args.silent, platform::Utf8ToWide(err));
  std::wstring why;
  if (!CheckConfig(pkg->config(), &why)) return Fail(args.silent, why);

  // What a run that died left is finished before the installed version is
  // looked at; a failure here is reported by the install, which tries again.
  std::wstring given, not_yet;
  if (args.folder.empty() || NormalizeFolder(args.folder, &given))
    FinishDeadRunsOfProduct(pkg->config(), given, &not_yet);

  // Decided once: the scope, the installed version setup trusts, the folder.
  SetupDecision decision;
  switch (DecideSetup(pkg->config(), CanInstallPerMachine(), args.elevated, args.folder,
                      SystemForbiddenPlaces(), &decision, &why)) {
    case DecisionResult::kInstall: break;
    case DecisionResult::kRefuse: return Fail(args.silent, why);
    case DecisionResult::kElevate: {
      DirectStarter starter;  // this run is the user's
      int code = kExitFailed;
      if (!RunSetupElevated(*ShellElevator(), own_args, *pkg, starter, &code))
        return Fail(args.silent, text::kNeedAdminToUpdate);
      return code;
    }
  }
  if (!args.silent) {
    WindowOptions options;
    options.run_by_parent = args.elevated;
    return RunSetupWindow(instance, *pkg, decision, options);
  }

  std::wstring folder;
  if (!NormalizeFolder(decision.folder, &folder)) return Fail(true, text::kNeedFolder);
  InstallOutcome outcome;
  if (!InstallPackage(*pkg, decision, folder, nullptr, nullptr, &outcome))
    return Fail(true, outcome.message);
  if (!outcome.leftovers.empty()) WriteStdErr(outcome.leftovers);
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  stub::ProgramStart start;
  std::wstring why;
  if (!start.Begin(&why))
    return Fail(stub::ParseArgs(stub::SkipProgramName(GetCommandLineW()), stub::Program::kSetup).silent, why);
  return Run(instance);
}
