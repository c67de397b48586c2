// setup.exe: the head of every package. Reads the package appended to its own
// image and installs it, with its window or silently (/S, /D=<folder>).
// Exit code: 0 installed, 1 cancelled, 2 failed or refused.
#include <windows.h>

#include "command_line.h"
#include "package_source.h"
#include "program_start.h"
#include "setup_flow.h"
#include "setup_window.h"
#include "stub_text.h"
#include "win_util.h"

namespace {

using stub::Fail;
using stub::kExitFailed;

int Run(HINSTANCE instance) {
  using namespace stub;
  StubArgs args = ParseArgs(SkipProgramName(GetCommandLineW()), Program::kSetup);
  if (!args.refused.empty()) return Fail(args.silent, UsageMessage(Program::kSetup, args.refused));
  std::string err;
  std::unique_ptr<PackageSource> pkg = OpenOwnPackage(ModulePath(), &err);
  if (!pkg) return Fail(args.silent, text::kBadPackage + platform::Utf8ToWide(err));
  std::wstring why;
  if (!CheckConfig(pkg->config(), &why)) return Fail(args.silent, why);

  // An installed version of the product keeps its scope and, unless /D=
  // says otherwise, its folder.
  FoundEntry installed;
  bool upgrade = FindInstalledProduct(pkg->config(), &installed);
  Scope scope = upgrade ? installed.scope : DecideScope();
  std::wstring folder = args.folder;
  if (folder.empty())
    folder = upgrade && !installed.entry.install_location.empty()
                 ? installed.entry.install_location
                 : DefaultFolder(scope, pkg->config().setup_dir);
  if (!args.silent) return RunSetupWindow(instance, *pkg, scope, folder, upgrade ? &installed : nullptr);

  std::wstring normalized;
  if (!NormalizeFolder(folder, &normalized)) return Fail(true, text::kNeedFolder);
  InstallOutcome outcome;
  if (!InstallPackage(*pkg, normalized, scope, nullptr, nullptr, &outcome))
    return Fail(true, outcome.message);
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
