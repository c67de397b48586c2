#include "installed_product.h"

#include "setup_flow.h"
#include "transaction_recovery.h"
#include "win_util.h"

namespace stub {

EntryTrust JudgeEntry(const UninstallEntry& entry, const std::wstring& app_name,
                      const ForbiddenPlaces& places, UninstallPlan* plan) {
  if (entry.install_location.empty() || entry.uninstaller.empty()) return EntryTrust::kNotOurs;
  std::wstring folder = CanonicalFolderText(entry.install_location);
  std::wstring uninstaller = CanonicalFolderText(entry.uninstaller);
  if (!SameNoCase(uninstaller, folder + L"\\" + kUninstallerName)) return EntryTrust::kNotOurs;
  std::wstring why;
  if (!LoadUninstallPlan(uninstaller, plan, &why) || plan->app_name != app_name)
    return EntryTrust::kNotOurs;
  if (IsForbiddenFolder(folder, places, &why)) return EntryTrust::kForbiddenFolder;
  return EntryTrust::kOurs;
}

std::vector<Scope> ScopesToRead(bool per_machine) {
  if (per_machine) return {Scope::kMachine};
  return {Scope::kUser, Scope::kMachine};
}

InstalledLookup PickInstalledProduct(const std::vector<FoundEntry>& candidates,
                                     const SetupConfig& config, const ForbiddenPlaces& places,
                                     InstalledProduct* installed, std::wstring* why) {
  for (const FoundEntry& found : candidates) {
    UninstallPlan plan;
    switch (JudgeEntry(found.entry, config.app_name, places, &plan)) {
      case EntryTrust::kNotOurs: continue;
      case EntryTrust::kForbiddenFolder:
        IsForbiddenFolder(plan.folder, places, why);
        return InstalledLookup::kForbidden;
      case EntryTrust::kOurs:
        *installed = {found, std::move(plan)};
        return InstalledLookup::kFound;
    }
  }
  return InstalledLookup::kNone;
}

InstalledLookup FindInstalledProduct(const SetupConfig& config, bool per_machine,
                                     const ForbiddenPlaces& places, InstalledProduct* installed,
                                     std::wstring* why) {
  return PickInstalledProduct(
      ProductEntries(config.app_name, config.publisher, ScopesToRead(per_machine)), config, places,
      installed, why);
}

bool FinishDeadRunsOfProduct(const SetupConfig& config, const std::wstring& folder,
                             std::wstring* why) {
  RecoveryResult result;
  if (!folder.empty() && !FinishDeadRuns(folder, &result, why)) return false;
  // Only the folder of an entry setup trusts.
  InstalledProduct product;
  std::wstring ignored;
  if (FindInstalledProduct(config, CanInstallPerMachine(), SystemForbiddenPlaces(), &product,
                           &ignored) != InstalledLookup::kFound)
    return true;
  const std::wstring& installed = product.plan.folder;
  if (installed.empty() || SameNoCase(installed, folder)) return true;
  return FinishDeadRuns(installed, &result, why);
}

}  // namespace stub
