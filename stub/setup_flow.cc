#include "setup_flow.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <set>

#include "empty_folders.h"
#include "file_in_use.h"
#include "product.h"
#include "rel_path.h"
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

// A file name made from text that may hold characters a name cannot.
std::wstring SafeFileName(const std::wstring& text) {
  std::wstring s;
  for (wchar_t c : text)
    s += (c < 0x20 || wcschr(L"\\/:*?\"<>|", c)) ? L'_' : c;
  while (!s.empty() && (s.back() == L'.' || s.back() == L' ')) s.pop_back();
  std::wstring why;
  if (!CheckTopLevelName(s, &why)) s = L"_" + s;
  return s;
}

// What an earlier version of the product left: its entry and the files its
// uninstaller's name index lists (the uninstaller included).
struct EarlierInstall {
  FoundEntry found;
  std::wstring folder;
  std::vector<std::wstring> files;
};

// Shortcuts, program group and uninstall entry after the files are in place,
// all noted in the transaction.
class Registration {
 public:
  Registration(const PackageSource& pkg, const std::wstring& folder, Scope scope,
               InstallTransaction& tx)
      : pkg_(pkg), folder_(folder), scope_(scope), tx_(tx) {}

  bool Run(const EarlierInstall* earlier, InstallOutcome* outcome, std::wstring* err) {
    const SetupConfig& cfg = pkg_.config();
    entry_.display_name = cfg.app_name;
    entry_.display_version = cfg.version;
    entry_.publisher = cfg.publisher;
    entry_.install_location = folder_;
    entry_.uninstaller = folder_ + L"\\" + kUninstallerName;
    entry_.display_icon = entry_.uninstaller;
    int64_t bytes = 0;
    for (const FileRecord& f : pkg_.files()) bytes += f.size;
    entry_.estimated_size_kib = static_cast<uint32_t>((bytes + 1023) / 1024);
    // The folders above the install folder that this install made.
    for (const std::wstring& d : tx_.created_folders())
      if (d.size() < folder_.size() && IsWithin(d, folder_)) entry_.created_folders.push_back(d);

    for (const OptionRecord& o : pkg_.options()) {
      std::wstring target = folder_ + L"\\" + o.name;
      if (!FileExists(target)) continue;  // a folder entry, or not a file of this package
      bool ok = true;
      switch (o.bit) {
        case entries::RunApp:
          outcome->run_target = target;
          outcome->run_name = o.name;
          break;
        case entries::AddQuickLaunch: ok = Link(Place::kQuickLaunch, L"", StemOf(o.name), target, err); break;
        case entries::AddDesktopcut: ok = Link(Place::kDesktop, L"", StemOf(o.name), target, err); break;
        case entries::AddToAutoRun: ok = Link(Place::kStartup, L"", StemOf(o.name), target, err); break;
        case entries::AddToPrograms: {
          std::wstring group = SafeFileName(cfg.app_name);
          ok = Link(Place::kPrograms, group, StemOf(o.name), target, err) &&
               Link(Place::kPrograms, group, text::kUninstallShortcut + cfg.app_name,
                    entry_.uninstaller, err);
          break;
        }
        case entries::SetCtrlPanelIcon: entry_.display_icon = target; break;
        default: break;
      }
      if (!ok) return false;
    }
    if (earlier && !TakeOver(*earlier, err)) return false;

    std::wstring key = ProductKeyName(cfg.app_name, cfg.publisher);
    if (!tx_.NoteKey(scope_, key, err)) return false;
    std::string e;
    if (!WriteUninstallEntry(scope_, key, entry_, &e)) {
      *err = platform::Utf8ToWide(e);
      return false;
    }
    // An earlier version's entry under another key (or scope) goes: the
    // product keeps one entry.
    if (earlier && (earlier->found.key != key || earlier->found.scope != scope_)) {
      if (!tx_.NoteKey(earlier->found.scope, earlier->found.key, err)) return false;
      if (!DeleteUninstallEntry(earlier->found.scope, earlier->found.key)) {
        *err = text::kCannotWriteEntry + (L"“" + earlier->found.key + L"”");
        return false;
      }
    }
    return true;
  }

  const UninstallEntry& entry() const { return entry_; }

 private:
  // The earlier version's shortcuts that this one did not make again go;
  // its shortcut folders and (in the same folder) the folders it made
  // above the install folder stay recorded, so the uninstaller removes them.
  bool TakeOver(const EarlierInstall& earlier, std::wstring* err) {
    const UninstallEntry& old = earlier.found.entry;
    std::set<std::wstring> made;
    for (const std::wstring& s : entry_.shortcuts) made.insert(NoCaseKey(s));
    for (const std::wstring& link : old.shortcuts) {
      if (made.count(NoCaseKey(link)) || !FileExists(link)) continue;
      std::wstring target;
      if (!ReadShortcutTarget(link, &target) ||
          !(IsWithin(earlier.folder, target) || IsWithin(folder_, target)))
        continue;
      if (!tx_.DeleteSmallFile(link, err)) return false;
    }
    AddExistingFolders(old.folders, &entry_.folders);
    if (SameNoCase(earlier.folder, folder_)) AddExistingFolders(old.created_folders, &entry_.created_folders);
    return true;
  }

  // The folders of from that still exist and are not in *into yet.
  static void AddExistingFolders(const std::vector<std::wstring>& from, std::vector<std::wstring>* into) {
    std::set<std::wstring> have;
    for (const std::wstring& f : *into) have.insert(NoCaseKey(f));
    for (const std::wstring& f : from)
      if (FolderExists(f) && have.insert(NoCaseKey(f)).second) into->push_back(f);
  }

  // A shortcut named title + ".lnk" in place (inside subfolder when given),
  // to target.
  bool Link(Place place, const std::wstring& subfolder, const std::wstring& title,
            const std::wstring& target, std::wstring* err) {
    std::wstring dir;
    if (!PlaceFolder(place, scope_, &dir)) {
      *err = text::kNoShortcutFolder + title;
      return false;
    }
    if (!subfolder.empty()) dir += L"\\" + subfolder;
    size_t before = tx_.created_folders().size();
    if (!tx_.MakeFolders(dir, err)) return false;
    for (size_t i = before; i < tx_.created_folders().size(); ++i)
      entry_.folders.push_back(tx_.created_folders()[i]);
    std::wstring link = dir + L"\\" + SafeFileName(title) + L".lnk";
    if (!tx_.KeepForUndo(link, err)) return false;
    std::string e;
    if (!CreateShortcut(link, target, pkg_.config().app_name, &e)) {
      *err = platform::Utf8ToWide(e);
      return false;
    }
    for (auto& s : entry_.shortcuts)
      if (SameNoCase(s, link)) return true;
    entry_.shortcuts.push_back(link);
    return true;
  }

  const PackageSource& pkg_;
  std::wstring folder_;
  Scope scope_;
  InstallTransaction& tx_;
  UninstallEntry entry_;
};

bool Refuse(InstallOutcome* outcome, std::wstring message) {
  outcome->message = std::move(message);
  return false;
}

}  // namespace

Scope DecideScope() {
  return CanWriteUninstallEntries(Scope::kMachine) &&
                 CanWriteFolder(KnownFolder(FOLDERID_ProgramFiles))
             ? Scope::kMachine
             : Scope::kUser;
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
  while (abs.size() > 3 && abs.back() == L'\\') abs.pop_back();
  *folder = abs;
  return true;
}

bool FindInstalledProduct(const SetupConfig& config, FoundEntry* installed) {
  return FindProductEntry(config.app_name, config.publisher, installed);
}

bool IsOlderThanInstalled(const SetupConfig& config, const FoundEntry& installed) {
  return CompareVersions(config.version, installed.entry.display_version) < 0;
}

bool InstallPackage(PackageSource& pkg, const std::wstring& folder, Scope scope,
                    const InstallProgressFn& progress, const std::atomic<bool>* cancel,
                    InstallOutcome* outcome) {
  // The package's digest first, so a damaged package writes nothing. The
  // progress bar counts the bytes checked, then the bytes installed.
  int64_t checked_total = pkg.digest_bytes(), file_total = 0, checked = 0;
  for (const FileRecord& f : pkg.files()) file_total += f.size;
  auto on_checked = [&](int64_t n) {
    checked += n;
    if (progress) progress(checked, checked_total + file_total);
  };
  std::string verify_err;
  if (!pkg.Verify(on_checked, cancel, &verify_err))
    return Refuse(outcome, platform::Utf8ToWide(verify_err) + text::kNothingInstalled);
  auto on_installed = [&](int64_t done, int64_t total) {
    if (progress) progress(checked_total + done, checked_total + total);
  };

  const SetupConfig& cfg = pkg.config();
  FilePlan plan;
  plan.folder = folder;
  std::wstring why;
  if (!CheckConfig(cfg, &why) || !PlanTargets(folder, pkg, &plan.targets, &why))
    return Refuse(outcome, why);
  // What a run that died left in these folders is finished first.
  if (!FinishDeadRunsOfProduct(cfg, folder, &why)) return Refuse(outcome, text::kFailedPrefix + why);
  // The folder may hold no other product: its uninstaller would be replaced.
  for (const FoundEntry& e : EntriesAtFolder(folder))
    if (e.entry.display_name != cfg.app_name || e.entry.publisher != cfg.publisher)
      return Refuse(outcome, text::kOtherProductInFolder + e.entry.display_name);

  EarlierInstall earlier;
  bool upgrade = FindInstalledProduct(cfg, &earlier.found);
  if (upgrade) {
    scope = earlier.found.scope;
    if (!CanWriteUninstallEntries(scope)) return Refuse(outcome, text::kNeedAdminToUpdate);
    const UninstallEntry& old = earlier.found.entry;
    earlier.folder = old.install_location;
    std::wstring old_uninst =
        old.uninstaller.empty() ? earlier.folder + L"\\" + kUninstallerName : old.uninstaller;
    UninstallPlan old_plan;
    std::wstring ignored;
    // An earlier install whose uninstaller is gone or damaged: its files are
    // not known, so none is removed.
    if (!earlier.folder.empty() && LoadUninstallPlan(old_uninst, &old_plan, &ignored) &&
        SameNoCase(old_plan.folder, earlier.folder)) {
      earlier.files = old_plan.targets;
      earlier.files.push_back(old_uninst);
    }
    std::set<std::wstring> kept;
    for (const std::wstring& t : plan.targets) kept.insert(NoCaseKey(t));
    for (const std::wstring& f : earlier.files)
      if (!kept.count(NoCaseKey(f)) && FileExists(f)) plan.dropped.push_back(f);
  }

  // Every file to be replaced or removed must be free before anything changes.
  std::vector<std::wstring> touched;
  for (const std::wstring& t : plan.targets)
    if (FileExists(t)) touched.push_back(t);
  touched.insert(touched.end(), plan.dropped.begin(), plan.dropped.end());
  std::wstring busy = FirstFileInUse(touched);
  if (!busy.empty()) {
    outcome->busy_file = busy;
    return Refuse(outcome, InUseMessage(text::kCannotReplaceInUse, busy, {}));
  }

  InstallTransaction tx(folder);
  if (upgrade && !earlier.folder.empty() && !SameNoCase(earlier.folder, folder))
    tx.AddRoot(earlier.folder);
  std::wstring err;
  if (!InstallFiles(pkg, plan, tx, on_installed, cancel, &err)) {
    std::wstring why_failed = cancel && cancel->load() ? err : text::kFailedPrefix + err;
    return Refuse(outcome, why_failed + tx.Rollback());
  }
  Registration reg(pkg, folder, scope, tx);
  if (!reg.Run(upgrade ? &earlier : nullptr, outcome, &err) ||
      !tx.Commit(&err, &outcome->leftovers)) {
    std::wstring not_undone = tx.Rollback();
    outcome->run_target.clear();
    return Refuse(outcome, text::kFailedPrefix + err + not_undone);
  }

  if (upgrade) {
    // What the earlier version leaves empty goes: the folders of dropped
    // files, its folder when it lay elsewhere, and the folders above that
    // its setup made; shortcut folders no longer recorded.
    bool moved = !earlier.folder.empty() && !SameNoCase(earlier.folder, folder);
    if (!earlier.folder.empty()) RemoveEmptyFoldersOf(plan.dropped, earlier.folder, moved);
    if (moved) RemoveFoldersIfEmpty(earlier.found.entry.created_folders);
    std::set<std::wstring> recorded;
    for (const std::wstring& f : reg.entry().folders) recorded.insert(NoCaseKey(f));
    std::vector<std::wstring> stale;
    for (const std::wstring& f : earlier.found.entry.folders)
      if (!recorded.count(NoCaseKey(f))) stale.push_back(f);
    RemoveFoldersIfEmpty(stale);
  }
  return true;
}

}  // namespace stub
