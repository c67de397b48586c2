#include "setup_registration.h"

#include <set>

#include "log_sink.h"
#include "product.h"
#include "rel_path.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
bool Registration::Run(const InstalledProduct* earlier, InstallOutcome* outcome, std::wstring* err) {
  const SetupConfig& cfg = pkg_.config();
  entry_.display_name = cfg.app_name;
  entry_.display_version = cfg.version;
  entry_.publisher = cfg.publisher;
  entry_.install_location = folder_;
  entry_.uninstaller = folder_ + L"\\" + kUninstallerName;
  entry_.display_icon = entry_.uninstaller;
  SYSTEMTIME today;
  GetLocalTime(&today);
  entry_.install_date = InstallDateOf(today);
  int64_t bytes = 0;
  for (const FileRecord& f : pkg_.files()) bytes += f.size;
  entry_.estimated_size_kib = static_cast<uint32_t>((bytes + 1023) / 1024);
  // The install folder and the folders above it, when this install made
  // them: the uninstaller removes only those (when empty).
  for (const std::wstring& d : tx_.created_folders())
    if (IsWithin(d, folder_)) entry_.created_folders.push_back(d);

  bool group_made = false;  // the program group's uninstall shortcut, made once
  for (const OptionRecord& o : pkg_.options()) {
    std::wstring target = folder_ + L"\\" + o.name;
    if (!FileExists(target)) continue;  // a folder entry, or not a file of this package
    // A file inside a folder (a record list's RelPath) is named by its own name.
    const std::wstring file_name = o.name.substr(o.name.find_last_of(L'\\') + 1);
    bool ok = true;
    switch (o.bit) {
      case entries::RunApp:
        outcome->run_target = target;
        outcome->run_name = file_name;
        break;
      case entries::AddQuickLaunch: ok = Link(Place::kQuickLaunch, L"", StemOf(file_name), target, err); break;
      case entries::AddDesktopcut: ok = Link(Place::kDesktop, L"", StemOf(file_name), target, err); break;
      case entries::AddToAutoRun: ok = Link(Place::kStartup, L"", StemOf(file_name), target, err); break;
      case entries::AddToPrograms: {
        std::wstring group = SafeFileName(cfg.app_name);
        ok = Link(Place::kPrograms, group, StemOf(file_name), target, err) &&
             (group_made || Link(Place::kPrograms, group, text::kUninstallShortcut + cfg.app_name,
                                 entry_.uninstaller, err));
        group_made = true;
        break;
      }
      case entries::SetCtrlPanelIcon:
        if (HoldsIcon(target)) entry_.display_icon = target;  // else uninst.exe's
        break;
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
    Log().Write(text::kLogKeyRemoved, EntryKeyPath(earlier->found.scope, earlier->found.key));
  }
  return true;
}

// The earlier version's shortcuts that this one did not make again go;
// its shortcut folders and (in the same folder) the folders it made
// above the install folder stay recorded, so the uninstaller removes them.
bool Registration::TakeOver(const InstalledProduct& earlier, std::wstring* err) {
  const UninstallEntry& old = earlier.found.entry;
  std::set<std::wstring> made;
  for (const std::wstring& s : entry_.shortcuts) made.insert(NoCaseKey(s));
  for (const std::wstring& link : old.shortcuts) {
    if (made.count(NoCaseKey(link)) || !FileExists(link)) continue;
    std::wstring target;
    if (!ReadShortcutTarget(link, &target) ||
        !(IsWithin(earlier.plan.folder, target) || IsWithin(folder_, target)))
      continue;
    if (!tx_.DeleteSmallFile(link, err)) return false;
    Log().Write(text::kLogShortcutRemoved, link);
  }
  AddExistingFolders(old.folders, &entry_.folders);
  if (SameNoCase(earlier.plan.folder, folder_)) AddExistingFolders(old.created_folders, &entry_.created_folders);
  return true;
}

// The folders of from that still exist and are not in *into yet.
// static
void Registration::AddExistingFolders(const std::vector<std::wstring>& from,
                                      std::vector<std::wstring>* into) {
  std::set<std::wstring> have;
  for (const std::wstring& f : *into) have.insert(NoCaseKey(f));
  for (const std::wstring& f : from)
    if (FolderExists(f) && have.insert(NoCaseKey(f)).second) into->push_back(f);
}

// A shortcut named title + ".lnk" in place (inside subfolder when given),
// to target.
bool Registration::Link(Place place, const std::wstring& subfolder, const std::wstring& title,
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
  Log().Write(text::kLogShortcut, link + text::kLogShortcutTarget + target);
  for (auto& s : entry_.shortcuts)
    if (SameNoCase(s, link)) return true;
  entry_.shortcuts.push_back(link);
  return true;
}

}  // namespace stub
