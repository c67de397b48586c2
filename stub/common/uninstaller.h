#pragma once
// Removes what setup installed for the name index of this uninstaller: the
// listed files, the shortcuts and folders recorded in the uninstall entry,
// the entry itself and the folders left empty. It touches nothing else:
// every name passes the same checks as at install time, a shortcut goes only
// when it still points into the install folder, and a folder goes only when
// it is empty.
//
// The removal is all or nothing, a transaction (install_transaction.h):
// every file is first moved into a staging folder inside the install folder,
// the shortcuts and the entry deleted; only then do the moved files and the
// empty folders go. A file that cannot be moved (in use) puts everything
// back.

#include <string>
#include <vector>

#include "uninstall_entry.h"

namespace stub {

struct UninstallPlan {
  std::wstring app_name;
  std::wstring folder;       // the install folder: where uninst.exe lies
  std::wstring uninstaller;  // full path of uninst.exe
  std::vector<std::wstring> targets;  // full paths of the listed files
};

// Checks the uninstaller at path (its digest of its image and name index),
// reads the index and checks every name. *why is a complete message.
bool LoadUninstallPlan(const std::wstring& uninstaller, UninstallPlan* plan, std::wstring* why);

// The listed files that exist, uninst.exe itself left out (the cleanup pass
// removes the running program).
std::vector<std::wstring> FilesToRemove(const UninstallPlan& plan);

struct RemoveOutcome {
  std::wstring message;     // why the removal failed
  std::wstring busy_file;   // the file in use, when that was why
  // After a failure: what could not be put back (empty: nothing was
  // removed). After success: the backups that could not be deleted.
  std::wstring not_undone;
  std::wstring leftovers;
};

// Removes everything but uninst.exe itself for the entry found (see
// FindUninstallEntry). False with outcome->message when a file is in use or
// cannot be moved, a shortcut cannot be deleted or the entry cannot be
// deleted: everything is then put back, as far as outcome->not_undone says.
bool RemoveInstalled(const UninstallPlan& plan, const FoundEntry& found, RemoveOutcome* outcome);

// After the removal (or a dead run's, completed): the folders of the files
// below the install folder and the entry's shortcut folders, when empty.
void RemoveLeftFolders(const UninstallPlan& plan, const UninstallEntry& entry);

}  // namespace stub
