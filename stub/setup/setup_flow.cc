#include "setup_flow.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <set>

#include "disk_space.h"
#include "elevation.h"
#include "empty_folders.h"
#include "file_in_use.h"
#include "log_sink.h"
#include "product.h"
#include "rel_path.h"
#include "setup_registration.h"
#include "stub_text.h"
#include "transaction_recovery.h"
#include "uninstaller.h"
#include "win_util.h"

namespace stub {
namespace {

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  std::wstring out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path)) && path) out = path;
  if (path) CoTaskMemFree(path);
  return out;
}

bool CanWriteFolder(const std::wstring& folder) {
  if (folder.empty()) return false;
  std::wstring probe = folder + L"\\~qrsetup_probe" + std::to_wstring(GetCurrentProcessId());
  if (!CreateDirectoryW(probe.c_str(), nullptr)) return false;
  RemoveDirectoryW(probe.c_str());
  return true;
}

bool Refuse(InstallOutcome* outcome, std::wstring message) {
  outcome->message = std::move(message);
  return false;
}

int64_t BytesOf(const PackageSource& pkg) {
  int64_t bytes = 0;
  for (const FileRecord& f : pkg.files()) bytes += f.size;
  return bytes;
}

// The files of the earlier version that this one does not install again.
std::vector<std::wstring> DroppedFiles(const InstalledProduct& earlier,
                                       const std::vector<std::wstring>& targets) {
  std::vector<std::wstring> files = earlier.plan.targets, dropped;
  files.push_back(earlier.plan.uninstaller);
  std::set<std::wstring> kept;
  for (const std::wstring& t : targets) kept.insert(NoCaseKey(t));
  for (const std::wstring& f : files)
    if (!kept.count(NoCaseKey(f)) && FileExists(f)) dropped.push_back(f);
  return dropped;
}

// Step 1: the package's digest, so a damaged package writes nothing.
bool VerifyPackage(PackageSource& pkg, const std::function<void(int64_t)>& on_checked,
                   InstallGate* gate, InstallOutcome* outcome) {
  std::string err;
  if (pkg.Verify(on_checked, gate ? gate->cancel_flag() : nullptr, &err)) return true;
  if (gate && gate->cancelled()) {
    outcome->cancelled = true;
    return Refuse(outcome, text::kCancelled);
  }
  return Refuse(outcome, platform::Utf8ToWide(err) + text::kNothingInstalled);
}

// Step 2: where every file goes, what an upgrade drops, and that the
// folder and its disk can take them.
bool PlanInstall(const PackageSource& pkg, const SetupDecision& decision, const std::wstring& folder,
                 FilePlan* plan, InstallOutcome* outcome) {
  const SetupConfig& cfg = pkg.config();
  plan->folder = folder;
  std::wstring why;
  if (!CheckInstallFolder(folder, decision.places, &why) ||
      !PlanTargets(folder, pkg, &plan->targets, &why))
    return Refuse(outcome, why);
  // The folder may hold no other product: its uninstaller would be replaced.
  // (Entries of both scopes: a claim can only refuse here, never redirect.)
  for (const FoundEntry& e : EntriesAtFolder(folder))
    if (e.entry.display_name != cfg.app_name || e.entry.publisher != cfg.publisher)
      return Refuse(outcome, text::kOtherProductInFolder + e.entry.display_name);
  if (decision.upgrade) plan->dropped = DroppedFiles(decision.installed, plan->targets);
  // Replaced files stay as backups until the commit: every byte is needed.
  uint64_t free_bytes = 0, needed = static_cast<uint64_t>(BytesOf(pkg));
  if (FreeBytesAt(folder, &free_bytes) && free_bytes < needed)
    return Refuse(outcome, DiskFullMessage(folder, needed, free_bytes));
  return true;
}

// Step 3: every file to be replaced or removed must be free before anything changes.
bool WaitForFreeFiles(const FilePlan& plan, InstallOutcome* outcome) {
  std::vector<std::wstring> touched;
  for (const std::wstring& t : plan.targets)
    if (FileExists(t)) touched.push_back(t);
  touched.insert(touched.end(), plan.dropped.begin(), plan.dropped.end());
  std::wstring busy = FirstFileInUse(touched);
  if (busy.empty()) return true;
  outcome->busy_file = busy;
  return Refuse(outcome, InUseMessage(text::kCannotReplaceInUse, busy, {}));
}

// Why a step of the transaction stopped: the user's cancel only when it
// stopped for the cancel; any other failure is the failure.
// not_undone is what the rollback could not put back (empty when it put
// back everything); it ends the message.
bool StopInstall(const std::wstring& err, const std::wstring& not_undone, InstallGate* gate,
                 const std::wstring& folder, uint64_t needed, InstallOutcome* outcome) {
  if (gate && gate->cancelled() && err == text::kCancelled) {
    outcome->cancelled = true;
    return Refuse(outcome, err + not_undone);
  }
  uint64_t free_bytes = 0;
  if (err.rfind(text::kDiskFullPrefix, 0) == 0 && FreeBytesAt(folder, &free_bytes))
    return Refuse(outcome, text::kFailedPrefix + DiskFullMessage(folder, needed, free_bytes) + not_undone);
  return Refuse(outcome, text::kFailedPrefix + err + not_undone);
}

// Step 5: what the earlier version leaves empty goes: the folders of
// dropped files, its folder when it lay elsewhere and its setup made it,
// the folders above that its setup made, and shortcut folders no longer
// recorded.
void CleanUpAfterUpgrade(const InstalledProduct& earlier, const FilePlan& plan,
                         const UninstallEntry& now) {
  const UninstallEntry& old = earlier.found.entry;
  bool moved = !SameNoCase(earlier.plan.folder, plan.folder);
  bool made_folder = false;
  for (const std::wstring& d : old.created_folders) made_folder |= SameNoCase(d, earlier.plan.folder);
  RemoveEmptyFoldersOf(plan.dropped, earlier.plan.folder, moved && made_folder);
  if (moved) RemoveFoldersIfEmpty(old.created_folders);
  std::set<std::wstring> recorded;
  for (const std::wstring& f : now.folders) recorded.insert(NoCaseKey(f));
  std::vector<std::wstring> stale;
  for (const std::wstring& f : old.folders)
    if (!recorded.count(NoCaseKey(f))) stale.push_back(f);
  RemoveFoldersIfEmpty(stale);
}

}  // namespace

bool CanInstallPerMachine() {
  return CanWriteUninstallEntries(Scope::kMachine) &&
         CanWriteFolder(KnownFolder(FOLDERID_ProgramFiles));
}

std::wstring DefaultFolder(Scope scope, const std::wstring& setup_dir) {
  std::wstring base = scope == Scope::kMachine ? KnownFolder(FOLDERID_ProgramFiles)
                                               : KnownFolder(FOLDERID_LocalAppData) + L"\\Programs";
  return base + L"\\" + setup_dir;
}

bool CheckConfig(const SetupConfig& config, std::wstring* why) {
  std::wstring reason;
  if (!CheckTopLevelName(config.setup_dir, &reason)) {
    *why = text::kBadSetupDir + text::WithReason(L"“" + config.setup_dir + L"”", reason);
    return false;
  }
  return true;
}

bool NormalizeFolder(const std::wstring& text, std::wstring* folder) {
  std::wstring t = text;
  while (!t.empty() && (t.back() == L' ' || t.front() == L' ')) {
    if (t.back() == L' ') t.pop_back();
    else t.erase(0, 1);
  }
  if (t.size() >= 2 && t.front() == L'"' && t.back() == L'"') t = t.substr(1, t.size() - 2);
  for (auto& c : t)
    if (c == L'/') c = L'\\';
  bool drive = t.size() >= 3 && iswalpha(t[0]) && t[1] == L':' && t[2] == L'\\';
  bool unc = t.size() >= 3 && t[0] == L'\\' && t[1] == L'\\' && t[2] != L'?' && t[2] != L'.';
  if (!drive && !unc) return false;
  DWORD n = GetFullPathNameW(t.c_str(), 0, nullptr, nullptr);
  if (n == 0) return false;
  std::wstring abs(n, L'\0');
  abs.resize(GetFullPathNameW(t.c_str(), n, abs.data(), nullptr));
  *folder = CanonicalFolderText(abs);
  return true;
}

DecisionResult DecideSetup(const SetupConfig& config, bool per_machine, bool already_elevated,
                           std::optional<Scope> requested, const std::wstring& folder_arg,
                           ForbiddenPlaces places, SetupDecision* decision, std::wstring* why) {
  decision->places = std::move(places);
  if (requested == Scope::kMachine && !per_machine) {
    if (!already_elevated) return DecisionResult::kElevate;
    *why = text::kNeedAdminForAllUsers;
    return DecisionResult::kRefuse;
  }
  // A request reads the entries a setup of that scope reads.
  bool reads_as_machine = requested ? *requested == Scope::kMachine : per_machine;
  InstalledLookup found = PickInstalledProduct(
      ProductEntries(config.app_name, config.publisher, ScopesToRead(reads_as_machine)), config,
      decision->places, &decision->installed, why);
  if (found == InstalledLookup::kForbidden) return DecisionResult::kRefuse;
  decision->upgrade = found == InstalledLookup::kFound;
  if (decision->upgrade) {
    // An installed version keeps its scope, and needs the rights it was made with.
    decision->scope = decision->installed.found.scope;
    decision->scope_why = ScopeWhy::kInstalled;
    if (requested && *requested != decision->scope) {
      *why = text::kInstalledForAllUsers;
      return DecisionResult::kRefuse;
    }
    bool may_write = decision->scope == Scope::kUser || per_machine;
    switch (DecideRights(decision->scope, may_write, already_elevated)) {
      case RightsDecision::kProceed: break;
      case RightsDecision::kElevate: return DecisionResult::kElevate;
      case RightsDecision::kRefuse: *why = text::kNeedAdminToUpdate; return DecisionResult::kRefuse;
    }
  } else if (requested) {
    decision->scope = *requested;
    decision->scope_why = ScopeWhy::kSwitch;
  } else {
    decision->scope = per_machine ? Scope::kMachine : Scope::kUser;
    decision->scope_why = ScopeWhy::kRights;
    // The elevated run was asked for one scope: it offers no other.
    decision->scope_choice = per_machine || !already_elevated;
    decision->machine_needs_elevation = !per_machine;
  }
  decision->folder_why = !folder_arg.empty()  ? FolderWhy::kSwitch
                         : decision->upgrade ? FolderWhy::kInstalled
                                             : FolderWhy::kDefault;
  decision->folder = !folder_arg.empty()     ? folder_arg
                     : decision->upgrade     ? decision->installed.plan.folder
                                             : DefaultFolder(decision->scope, config.setup_dir);
  return DecisionResult::kInstall;
}

void LogDecision(const SetupDecision& d) {
  if (d.upgrade)
    Log().Write(text::kLogInstalled, d.installed.found.entry.display_version + L" " +
                                         d.installed.plan.folder + L" " + d.installed.found.key);
  const wchar_t* scope = d.scope == Scope::kMachine ? text::kForAllUsers : text::kForCurrentUser;
  const wchar_t* scope_why[] = {text::kLogBecauseRights, text::kLogBecauseSwitch,
                                text::kLogBecauseInstalled, text::kLogBecauseWindow};
  Log().Write(text::kLogScope, scope + std::wstring(scope_why[static_cast<int>(d.scope_why)]));
  const wchar_t* folder_why[] = {text::kLogBecauseSwitch, text::kLogBecauseInstalled,
                                 text::kLogBecauseDefault, text::kLogBecauseWindow};
  Log().Write(text::kLogFolder, d.folder + folder_why[static_cast<int>(d.folder_why)]);
}

bool IsOlderThanInstalled(const SetupConfig& config, const InstalledProduct& installed) {
  return CompareVersions(config.version, installed.found.entry.display_version) < 0;
}

std::wstring OlderVersionQuestion(const SetupConfig& config, const InstalledProduct& installed) {
  return text::kOlderPrefix + installed.found.entry.display_version + text::kOlderMiddle +
         config.version + text::kOlderSuffix;
}

std::wstring FolderHasFilesQuestion(const std::wstring& folder, const FolderContents& contents) {
  return text::kFolderHasFilesPrefix + folder + text::kFolderHasFilesMiddle +
         std::to_wstring(contents.replaced) + text::kFolderHasFilesSuffix;
}

bool CheckInstallFolder(const std::wstring& folder, const ForbiddenPlaces& places,
                        std::wstring* why) {
  return !IsForbiddenFolder(folder, places, why);
}

FolderContents LookIntoFolder(const std::wstring& folder, const PackageSource& pkg,
                              const SetupDecision& decision) {
  FolderContents contents;
  if (!FolderExists(folder)) return contents;
  if (decision.upgrade && SameNoCase(decision.installed.plan.folder, folder)) return contents;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name != L"." && name != L"..") contents.holds_other_files = true;
    } while (!contents.holds_other_files && FindNextFileW(h, &fd));
    FindClose(h);
  }
  std::vector<std::wstring> targets;
  std::wstring why;
  if (PlanTargets(folder, pkg, &targets, &why))
    for (const std::wstring& t : targets) contents.replaced += FileExists(t) ? 1 : 0;
  return contents;
}

bool RunTargetIn(const PackageSource& pkg, const std::wstring& folder, std::wstring* target,
                 std::wstring* name) {
  for (const OptionRecord& o : pkg.options()) {
    std::wstring why;
    if (o.bit != entries::RunApp || !CheckTopLevelName(o.name, &why)) continue;
    std::wstring path = folder + L"\\" + o.name;
    if (!FileExists(path)) return false;
    *target = path;
    *name = o.name;
    return true;
  }
  return false;
}

bool InstallPackage(PackageSource& pkg, const SetupDecision& decision, const std::wstring& folder,
                    const InstallProgressFn& progress, InstallGate* gate, InstallOutcome* outcome) {
  // The progress bar counts the bytes checked, then the bytes installed;
  // while the window asks whether to cancel, the worker waits here.
  int64_t checked_total = pkg.digest_bytes(), checked = 0, file_total = BytesOf(pkg);
  auto on_checked = [&](int64_t n) {
    checked += n;
    if (progress) progress(checked, checked_total + file_total);
    if (gate) gate->Proceed();
  };
  auto on_installed = [&](int64_t done, int64_t total) {
    if (progress) progress(checked_total + done, checked_total + total);
    if (gate) gate->Proceed();
  };
  // Between the steps too.
  auto go_on = [&] {
    if (!gate || gate->Proceed()) return true;
    outcome->cancelled = true;
    return Refuse(outcome, text::kCancelled);
  };
  FilePlan plan;
  if (!VerifyPackage(pkg, on_checked, gate, outcome) || !go_on()) return false;
  // What a run that died left in these folders is finished first.
  std::wstring why;
  if (!FinishDeadRunsOfProduct(pkg.config(), folder, &why))
    return Refuse(outcome, text::kFailedPrefix + why);
  if (!PlanInstall(pkg, decision, folder, &plan, outcome) || !WaitForFreeFiles(plan, outcome) ||
      !go_on())
    return false;

  // Step 4: the files, shortcuts and entry in one transaction.
  const InstalledProduct* earlier = decision.upgrade ? &decision.installed : nullptr;
  InstallTransaction tx(folder);
  if (earlier && !SameNoCase(earlier->plan.folder, folder)) tx.AddRoot(earlier->plan.folder);
  std::wstring err;
  uint64_t needed = static_cast<uint64_t>(file_total);
  if (!InstallFiles(pkg, plan, tx, on_installed, gate ? gate->cancel_flag() : nullptr, &err)) {
    std::wstring not_undone = tx.Rollback();
    return StopInstall(err, not_undone, gate, folder, needed, outcome);
  }
  Registration reg(pkg, folder, decision.scope, tx);
  if (!reg.Run(earlier, outcome, &err)) {
    std::wstring not_undone = tx.Rollback();
    outcome->run_target.clear();
    return StopInstall(err, not_undone, gate, folder, needed, outcome);
  }
  if (gate && !gate->BeginCommit()) {
    std::wstring not_undone = tx.Rollback();
    outcome->run_target.clear();
    return StopInstall(text::kCancelled, not_undone, gate, folder, needed, outcome);
  }
  if (!tx.Commit(&err, &outcome->leftovers)) {
    std::wstring not_undone = tx.Rollback();
    outcome->run_target.clear();
    return StopInstall(err, not_undone, gate, folder, needed, outcome);
  }
  if (!outcome->leftovers.empty()) outcome->leftover_folders = tx.StagingLeft();

  if (earlier) CleanUpAfterUpgrade(*earlier, plan, reg.entry());
  return true;
}

}  // namespace stub
