#pragma once
// The entry of an installed program under
// Software\Microsoft\Windows\CurrentVersion\Uninstall\<key>, in HKCU for a
// per-user install and HKLM for a per-machine one. Besides the values the
// system reads, the entry records the shortcuts and folders setup made, so
// the uninstaller removes exactly those.
//
// The key is the product's (ProductKeyName). Packages of earlier versions
// keyed the entry by the install-folder name; such entries are still found:
// the uninstaller looks an entry up by its folder and command, setup by the
// product's name and publisher.

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "shell_places.h"

namespace stub {

struct UninstallEntry {
  std::wstring display_name;
  std::wstring display_version;
  std::wstring publisher;
  std::wstring install_location;  // the install folder
  std::wstring uninstaller;       // full path of uninst.exe
  std::wstring display_icon;      // full path of the icon's file
  std::wstring install_date;      // YYYYMMDD of the install or upgrade; not written when empty
  uint32_t estimated_size_kib = 0;
  std::vector<std::wstring> shortcuts;  // full paths of the .lnk files made
  std::vector<std::wstring> folders;    // folders made for shortcuts (program group, quick launch)
  // The install folder and the folders above it, those setup made
  // (/D=C:\a\b\c made a, b and c); entries of earlier setups list only
  // the folders above.
  std::vector<std::wstring> created_folders;
};

// An entry as found in the registry.
struct FoundEntry {
  Scope scope = Scope::kUser;
  std::wstring key;
  UninstallEntry entry;
};

// Writes the entry's values, each one noted in the log.
bool WriteUninstallEntry(Scope scope, const std::wstring& key, const UninstallEntry& entry,
                         std::string* err);
// The entry's key as the log names it: HKLM\Software\...\Uninstall\<key> (or HKCU).
std::wstring EntryKeyPath(Scope scope, const std::wstring& key);

// Finds the entry whose InstallLocation is folder and whose UninstallString
// names uninstaller, in HKCU first, then HKLM.
bool FindUninstallEntry(const std::wstring& folder, const std::wstring& uninstaller,
                        FoundEntry* found);

// The entries that claim to be the product's, in scopes in their order:
// per scope, the entry under the product's key, then the entries made by an
// earlier setup (those that record their shortcuts) whose DisplayName and
// Publisher are the pair. Only a claim: whoever may write the scope's key
// wrote it (see installed_product.h for what setup trusts).
std::vector<FoundEntry> ProductEntries(const std::wstring& name, const std::wstring& publisher,
                                       const std::vector<Scope>& scopes);

// Every entry made by setup whose InstallLocation is folder.
std::vector<FoundEntry> EntriesAtFolder(const std::wstring& folder);

bool DeleteUninstallEntry(Scope scope, const std::wstring& key);
// True when this process may delete the entry (a per-machine entry needs
// the rights of an administrator).
bool CanDeleteUninstallEntry(Scope scope, const std::wstring& key);
// True when this process may create entries in scope.
bool CanWriteUninstallEntries(Scope scope);

// A key's values as they were, to put back when an install is undone.
struct KeySnapshot {
  Scope scope = Scope::kUser;
  std::wstring key;
  bool existed = false;
  struct Value {
    std::wstring name;
    unsigned long type = 0;
    std::string data;
  };
  std::vector<Value> values;
};
// False when the key exists but cannot be read in full.
bool SnapshotKey(Scope scope, const std::wstring& key, KeySnapshot* snapshot);
// Puts the key back as the snapshot saw it (deleting it when it did not
// exist); false when it could not.
bool RestoreKey(const KeySnapshot& snapshot);

// InstallDate's text for a day: YYYYMMDD.
std::wstring InstallDateOf(const SYSTEMTIME& day);
// True when the file at path holds an icon the shell can show (an .ico
// file, or a program or library with an icon resource).
bool HoldsIcon(const std::wstring& path);

// The value of UninstallString for uninst.exe at path, and of QuietUninstallString.
std::wstring UninstallCommand(const std::wstring& path);
std::wstring QuietUninstallCommand(const std::wstring& path);

}  // namespace stub
