#include "uninstaller.h"

#include <windows.h>

#include <utility>
#include <set>

#include "empty_folders.h"
#include "file_in_use.h"
#include "install_transaction.h"
#include "package/layout.h"
#include "package/name_index.h"
#include "rel_path.h"
#include "shell_places.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

bool EndsWithNoCase(const std::wstring& s, const std::wstring& suffix) {
  return s.size() >= suffix.size() &&
         CompareStringOrdinal(s.c_str() + s.size() - suffix.size(), -1, suffix.c_str(), -1, TRUE) ==
             CSTR_EQUAL;
}

// True when no folder between folder (exclusive) and path is a link or
// junction, so removing path stays inside the install folder.
bool NoLinkOnTheWay(const std::wstring& folder, const std::wstring& path) {
  for (std::wstring p = ParentOf(path); p.size() > folder.size(); p = ParentOf(p))
    if (IsReparsePoint(p)) return false;
  return true;
}

void RemoveShortcuts(const UninstallPlan& plan, const UninstallEntry& entry) {
  for (const std::wstring& link : entry.shortcuts) {
    std::wstring target;
    if (EndsWithNoCase(link, L".lnk") && FileExists(link) && ReadShortcutTarget(link, &target) &&
        IsWithin(plan.folder, target))
      DeleteFileW(link.c_str());
  }
  RemoveFoldersIfEmpty(entry.folders);
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
      *why = text::kBadIndex + text::WithReason(L"“" + rel + L"”", reason);
      return false;
    }
    plan->targets.push_back(std::move(full));
  }
  return true;
}

std::vector<std::wstring> FilesToRemove(const UninstallPlan& plan) {
  std::vector<std::wstring> out;
  std::set<std::wstring> seen;
  for (const std::wstring& t : plan.targets) {
    if (SameNoCase(t, plan.uninstaller)) continue;
    if (!FileExists(t) || !NoLinkOnTheWay(plan.folder, t)) continue;
    if (seen.insert(NoCaseKey(t)).second) out.push_back(t);
  }
  return out;
}

bool RemoveInstalled(const UninstallPlan& plan, const FoundEntry& found, RemoveOutcome* outcome) {
  std::vector<std::wstring> files = FilesToRemove(plan);
  std::wstring busy = FirstFileInUse(files);
  if (!busy.empty()) {
    outcome->busy_file = busy;
    outcome->message = InUseMessage(text::kCannotRemoveInUse, busy, {});
    return false;
  }
  InstallTransaction tx(plan.folder);
  std::wstring err;
  for (const std::wstring& f : files) {
    if (!tx.RemoveFile(f, &err, text::kCannotRemove)) {
      tx.Rollback();
      outcome->message = err;
      return false;
    }
  }
  tx.NoteKey(SnapshotKey(found.scope, found.key));
  if (!DeleteUninstallEntry(found.scope, found.key)) {
    tx.Rollback();
    outcome->message = text::kEntryStuck + found.key;
    return false;
  }
  tx.Commit();
  // The folders the files lived in, below the install folder, when empty.
  RemoveEmptyFoldersOf(plan.targets, plan.folder, false);
  RemoveShortcuts(plan, found.entry);
  return true;
}

}  // namespace stub
