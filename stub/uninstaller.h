#pragma once
// Removes what setup installed for the name index of this uninstaller: the
// listed files, the shortcuts and folders recorded in the uninstall entry,
// the entry itself and the folders left empty. It touches nothing else:
// every name passes the same checks as at install time, a shortcut goes only
// when it still points into the install folder, and a folder goes only when
// it is empty.

#include <string>
#include <vector>

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

// Removes everything but uninst.exe itself. False (with *why) and nothing
// removed when the uninstall entry for this folder is missing (nothing is
// known to be ours) or may not be deleted (a per-machine install run without
// the rights); false with the entry and shortcuts kept when a listed file
// cannot be removed, so the uninstall can be repeated.
bool RemoveInstalled(const UninstallPlan& plan, std::wstring* why);

}  // namespace stub
