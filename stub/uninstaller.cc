#include "uninstaller.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "package/layout.h"
#include "package/name_index.h"
#include "rel_path.h"
#include "stub_text.h"
#include "uninstall_entry.h"
#include "win_util.h"

namespace stub {
namespace {

bool EndsWithNoCase(const std::wstring& s, const std::wstring& suffix) {
  return s.size() >= suffix.size() &&
         CompareStringOrdinal(s.c_str() + s.size() - suffix.size(), -1, suffix.c_str(), -1, TRUE) ==
             CSTR_EQUAL;
}

// True when no folder between folder (exclusive) and path is a link or
// junction, so deleting path stays inside the install folder.
bool NoLinkOnTheWay(const std::wstring& folder, const std::wstring& path) {
  for (std::wstring p = ParentOf(path); p.size() > folder.size(); p = ParentOf(p))
    if (IsReparsePoint(p)) return false;
  return true;
}

// Deletes a file, read-only or not. The shell may hold a program open for a
// moment after its shortcut was made or removed (to read its icon), so a
// file that is in use gets a few more tries before the caller hears of it.
void DeleteFileForce(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
  for (int attempt = 0; !DeleteFileW(path.c_str()) && attempt < 30; ++attempt) {
    DWORD e = GetLastError();
    if (e != ERROR_SHARING_VIOLATION && e != ERROR_ACCESS_DENIED && e != ERROR_LOCK_VIOLATION) break;
    Sleep(100);
  }
}

void RemoveShortcuts(const UninstallPlan& plan, const UninstallEntry& entry) {
  for (const std::wstring& link : entry.shortcuts) {
    std::wstring target;
    if (EndsWithNoCase(link, L".lnk") && FileExists(link) && ReadShortcutTarget(link, &target) &&
        IsWithin(plan.folder, target))
      DeleteFileW(link.c_str());
  }
  for (const std::wstring& dir : entry.folders) RemoveDirectoryW(dir.c_str());
}

// Removes the folders below the install folder that the listed files lived
// in, deepest first; a folder that still holds anything stays.
void RemoveEmptyFolders(const UninstallPlan& plan) {
  std::set<std::wstring> dirs;
  for (const std::wstring& t : plan.targets)
    for (std::wstring p = ParentOf(t); p.size() > plan.folder.size(); p = ParentOf(p))
      dirs.insert(p);
  std::vector<std::wstring> order(dirs.begin(), dirs.end());
  std::sort(order.begin(), order.end(),
            [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
  for (const std::wstring& d : order)
    if (!IsReparsePoint(d)) RemoveDirectoryW(d.c_str());
}

}  // namespace

bool LoadUninstallPlan(const std::wstring& uninstaller, UninstallPlan* plan, std::wstring* why) {
  std::string path = platform::WideToUtf8(uninstaller), err;
  // The uninstaller's image and index must be as they were written before
  // anything is deleted on their word.
  if (!package::CheckUninstaller(path, &err)) {
    *why = platform::Utf8ToWide(err) + text::kNothingRemoved;
    return false;
  }
  package::NameIndex index;
  if (!package::ReadNameIndex(path, &index, &err)) {
    *why = text::kBadIndex + platform::Utf8ToWide(err);
    return false;
  }
  std::wstring title = platform::Utf8ToWide(index.title);
  std::wstring label = platform::Utf8ToWide(package::kLabelAppName);
  plan->app_name = title.compare(0, label.size(), label) == 0 ? title.substr(label.size()) : title;
  plan->uninstaller = uninstaller;
  plan->folder = ParentOf(uninstaller);
  plan->targets.clear();
  for (const std::string& rel_utf8 : index.rel_paths) {
    std::wstring rel = platform::Utf8ToWide(rel_utf8), full, reason;
    if (!CheckRelPath(rel, &reason) || !JoinBelow(plan->folder, rel, &full, &reason)) {
      *why = text::kBadIndex + text::WithReason(L"\"" + rel + L"\"", reason);
      return false;
    }
    plan->targets.push_back(std::move(full));
  }
  return true;
}

bool RemoveInstalled(const UninstallPlan& plan, std::wstring* why) {
  Scope scope;
  std::wstring key;
  UninstallEntry entry;
  if (!FindUninstallEntry(plan.folder, plan.uninstaller, &scope, &key, &entry)) {
    *why = text::kNoEntry + plan.folder;
    return false;
  }
  // A per-machine install needs the rights it was made with; find that out
  // before anything is removed.
  if (!CanDeleteUninstallEntry(scope, key)) {
    *why = text::kNeedAdmin;
    return false;
  }
  // The files first: when one cannot be removed (in use, no right), the
  // entry and the shortcuts stay, so the uninstall can be run again.
  std::wstring stuck;
  for (const std::wstring& t : plan.targets) {
    if (CompareStringOrdinal(t.c_str(), -1, plan.uninstaller.c_str(), -1, TRUE) == CSTR_EQUAL)
      continue;  // the cleanup pass removes the running program
    if (!FileExists(t) || !NoLinkOnTheWay(plan.folder, t)) continue;
    DeleteFileForce(t);
    if (FileExists(t) && stuck.empty()) stuck = t;
  }
  RemoveEmptyFolders(plan);
  if (!stuck.empty()) {
    *why = text::kFileStuck + stuck;
    return false;
  }
  RemoveShortcuts(plan, entry);
  if (!DeleteUninstallEntry(scope, key)) {
    *why = text::kEntryStuck + key;
    return false;
  }
  return true;
}

}  // namespace stub
