// setup.exe: the head of every package. Reads the package appended to its own
// image and installs it, with its window or silently (/S, /D=<folder>).
// Exit code: 0 installed, 1 cancelled, 2 failed or refused.
#include <windows.h>
#include <objbase.h>

#include "command_line.h"
#include "dll_safety.h"
#include "package_source.h"
#include "setup_flow.h"
#include "setup_window.h"
#include "stub_text.h"
#include "transaction_recovery.h"
#include "win_util.h"

namespace {

constexpr int kExitFailed = 2;

// A silent install has no window: the message goes to the standard error
// stream the caller handed down, if any.
int Fail(bool silent, const std::wstring& message) {
  if (silent) stub::WriteStdErr(message);
  else MessageBoxW(nullptr, message.c_str(), stub::text::kNotice, MB_OK | MB_ICONWARNING);
  return kExitFailed;
}

int Run(HINSTANCE instance) {
  using namespace stub;
  StubArgs args = ParseArgs(SkipProgramName(GetCommandLineW()));
  std::string err;
  std::unique_ptr<PackageSource> pkg = OpenOwnPackage(ModulePath(), &err);
  if (!pkg) return Fail(args.silent, text::kBadPackage + platform::Utf8ToWide(err));
  std::wstring why;
  if (!CheckConfig(pkg->config(), &why)) return Fail(args.silent, why);

  // What a run that died left is finished before the installed version is
  // looked at; a failure here is reported by the install, which tries again.
  std::wstring given, not_yet;
  if (args.folder.empty() || NormalizeFolder(args.folder, &given))
    FinishDeadRunsOfProduct(pkg->config(), given, &not_yet);

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
  if (!outcome.leftovers.empty()) WriteStdErr(outcome.leftovers);
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  stub::RestrictDllSearchToSystem32();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int code = Run(instance);
  CoUninitialize();
  return code;
}
