#include "setup_elevation.h"

#include <windows.h>
#include <shellapi.h>

#include "setup_flow.h"
#include "win_util.h"

namespace stub {

void DirectStarter::Start(const std::wstring& program) {
  std::wstring dir = ParentOf(program);
  ShellExecuteW(nullptr, nullptr, program.c_str(), nullptr, dir.c_str(), SW_SHOWNORMAL);
}

ProgramStartedBy StartInstalledProgram(const std::wstring& program, bool elevated, DesktopShell& shell,
                                       ProgramStarter& direct) {
  if (elevated && shell.StartAsDesktopUser(program)) return ProgramStartedBy::kDesktopShell;
  direct.Start(program);
  return ProgramStartedBy::kThisProcess;
}

bool RunSetupElevated(Elevator& elevator, const std::wstring& own_args, const PackageSource& pkg,
                      ProgramStarter& starter, int* exit_code) {
  unsigned long code = 0;
  if (!elevator.RunElevated(ModulePath(), ElevatedArgs(own_args), &code)) return false;
  const bool run_program = code == static_cast<unsigned long>(kExitInstalledRunProgram);
  *exit_code = run_program ? 0 : static_cast<int>(code);
  if (!run_program) return true;
  // Where the elevated run installed: the per-machine entry only.
  InstalledProduct installed;
  std::wstring why, target, name;
  if (FindInstalledProduct(pkg.config(), true, SystemForbiddenPlaces(), &installed, &why) ==
          InstalledLookup::kFound &&
      installed.found.scope == Scope::kMachine &&
      RunTargetIn(pkg, installed.plan.folder, &target, &name))
    starter.Start(target);
  return true;
}

}  // namespace stub
