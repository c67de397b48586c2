#include "setup_elevation.h"

#include "setup_flow.h"
#include "win_util.h"

namespace stub {

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
