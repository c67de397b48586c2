#include "setup_elevation.h"

#include "setup_flow.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

constexpr int kExitFailed = 2;

}  // namespace

int RunSetupElevated(Elevator& elevator, const std::wstring& own_args, const PackageSource& pkg,
                     ProgramStarter& starter) {
  unsigned long code = kExitFailed;
  if (!elevator.RunElevated(ModulePath(), ElevatedArgs(own_args), &code)) return kExitFailed;
  if (code != kExitInstalledRunProgram) return static_cast<int>(code);
  // Where the elevated run installed: the per-machine entry only.
  InstalledProduct installed;
  std::wstring why, target, name;
  if (FindInstalledProduct(pkg.config(), true, SystemForbiddenPlaces(), &installed, &why) ==
          InstalledLookup::kFound &&
      installed.found.scope == Scope::kMachine &&
      RunTargetIn(pkg, installed.plan.folder, &target, &name))
    starter.Start(target);
  return 0;
}

}  // namespace stub
