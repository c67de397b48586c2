#pragma once
// Removes what setup installed for the name index of this uninstaller: the
// listed files, the shortcuts and folders recorded in the uninstall entry,
// the entry itself and the folders left empty. It touches nothing else:
// every name passes the same checks as at install time, a shortcut goes only
// when it still points into the install folder, and a folder goes only when
// it is empty.
//
// The removal is all or nothing: every file is first moved into a staging
// folder inside the install folder, and the entry deleted; only then do the
// moved files, the shortcuts and the empty folders go. A file that cannot be
// moved (in use) puts the others back and keeps the entry and shortcuts.

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
  std::wstring message;    // why nothing was removed
  std::wstring busy_file;  // the file in use, when that was why
};

// Removes everything but uninst.exe itself for the entry found (see
// FindUninstallEntry). False with outcome->message, and nothing removed,
// when a file is in use or cannot be moved, or the entry cannot be deleted.
bool RemoveInstalled(const UninstallPlan& plan, const FoundEntry& found, RemoveOutcome* outcome);

}  // namespace stub
