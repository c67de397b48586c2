#pragma once
// The entry of an installed program under
// Software\Microsoft\Windows\CurrentVersion\Uninstall\<key>, in HKCU for a
// per-user install and HKLM for a per-machine one. Besides the values the
// system reads, the entry records the shortcuts setup made, so the
// uninstaller removes exactly those.

#include <cstdint>
#include <string>
#include <vector>

#include "shell_places.h"

namespace stub {

struct UninstallEntry {
  std::wstring display_name;
  std::wstring display_version;
  std::wstring publisher;
  std::wstring install_location;  // the install folder
  std::wstring uninstaller;       // full path of uninst.exe
  std::wstring display_icon;      // full path of the icon's file
  uint32_t estimated_size_kib = 0;
  std::vector<std::wstring> shortcuts;  // full paths of the .lnk files made
  std::vector<std::wstring> folders;    // folders made for shortcuts (program group)
};

// The registry key name for a package: its install-folder name, which the
// package writer has already cleared of "\".
std::wstring UninstallKeyName(const std::wstring& setup_dir);

bool WriteUninstallEntry(Scope scope, const std::wstring& key, const UninstallEntry& entry,
                         std::string* err);

// Finds the entry whose InstallLocation is folder and whose UninstallString
// names uninstaller, in HKCU first, then HKLM.
bool FindUninstallEntry(const std::wstring& folder, const std::wstring& uninstaller, Scope* scope,
                        std::wstring* key, UninstallEntry* entry);

bool DeleteUninstallEntry(Scope scope, const std::wstring& key);
// True when this process may delete the entry (a per-machine entry needs
// the rights of an administrator).
bool CanDeleteUninstallEntry(Scope scope, const std::wstring& key);

// The value of UninstallString for uninst.exe at path, and of QuietUninstallString.
std::wstring UninstallCommand(const std::wstring& path);
std::wstring QuietUninstallCommand(const std::wstring& path);

}  // namespace stub
