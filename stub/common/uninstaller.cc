#include "uninstaller.h"

#include <windows.h>

#include <utility>
#include <set>

#include "empty_folders.h"
#include "file_in_use.h"
#include "install_transaction.h"
#include "log_sink.h"
#include "transaction_steps.h"
#include "package/layout.h"
#include "package/name_index.h"
#include "rel_path.h"
#include "shell_places.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

bool EndsWithNoCase(const std::wstring& s, const std::wstring& suffix) {
  return s.size() >= suffix.size() && SameNoCase(std::wstring_view(s).substr(s.size() - suffix.size()), suffix);
}

// The shortcuts of the entry that still point into the install folder.
std::vector<std::wstring> OurShortcuts(const UninstallPlan& plan, const UninstallEntry& entry) {
  std::vector<std::wstring> out;
  for (const std::wstring& link : entry.shortcuts) {
    std::wstring target;
    if (EndsWithNoCase(link, L".lnk") && FileExists(link) && ReadShortcutTarget(link, &target) &&
        IsWithin(plan.folder, target))
      out.push_back(link);
  }
  return out;
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
  InstallTransaction tx(plan.folder, JournalPurpose::kUninstall);
  std::wstring err;
  auto fail = [&] {
    outcome->message = err;
    outcome->not_undone = tx.Rollback();
    return false;
  };
  if (!tx.Plan({{}, {}, files}, &err)) return fail();
  for (const std::wstring& f : files) {
    if (!tx.MoveAside(f, &err, text::kCannotRemove)) return fail();
    Log().Write(text::kLogRemoved, f);
  }
  for (const std::wstring& link : OurShortcuts(plan, found.entry)) {
    if (!tx.DeleteSmallFile(link, &err)) return fail();
    Log().Write(text::kLogShortcutRemoved, link);
  }
  if (!tx.NoteKey(found.scope, found.key, &err)) return fail();
  if (!DeleteUninstallEntry(found.scope, found.key)) {
    err = text::kEntryStuck + found.key;
    return fail();
  }
  Log().Write(text::kLogKeyRemoved, EntryKeyPath(found.scope, found.key));
  if (!tx.Commit(&err, &outcome->leftovers)) return fail();
  RemoveLeftFolders(plan, found.entry);
  return true;
}

void RemoveLeftFolders(const UninstallPlan& plan, const UninstallEntry& entry) {
  // The folders the files lived in, below the install folder, when empty.
  RemoveEmptyFoldersOf(plan.targets, plan.folder, false);
  RemoveFoldersIfEmpty(entry.folders);
}

}  // namespace stub
