#pragma once
// The installed version of a package's product, as far as setup trusts it.
//
// An uninstall entry is only a claim: anyone who may write its key wrote
// it. Setup acts on an entry (takes its folder, removes the files its
// uninstaller lists, replaces its shortcuts) only when the entry is ours:
// its uninstaller is uninst.exe in its InstallLocation, that uninstaller's
// digest checks, and its name index names this product. An entry that is
// not ours is ignored: the product counts as not installed, nothing is
// removed or moved on its word, and only a new entry under the product's
// own key in the install's scope replaces it. An entry that is ours but
// whose folder is a forbidden one (forbidden_folders.h) refuses the install.
//
// Which entries are read is decided by who runs setup: a per-machine
// install (a process that may write HKLM) reads only per-machine entries,
// so an elevated setup never acts on what an unprivileged process could
// write; a per-user install reads the user's entries, then the machine's.

#include <string>
#include <vector>

#include "forbidden_folders.h"
#include "package_source.h"
#include "uninstall_entry.h"
#include "uninstaller.h"

namespace stub {

struct InstalledProduct {
  FoundEntry found;
  UninstallPlan plan;  // what its uninstaller lists; plan.folder is its folder
};

enum class EntryTrust {
  kOurs,             // act on it
  kNotOurs,          // ignore it
  kForbiddenFolder,  // ours, but in a folder setup never installs into
};

// Judges one entry claiming to be app_name's; fills *plan when kOurs or
// kForbiddenFolder.
EntryTrust JudgeEntry(const UninstallEntry& entry, const std::wstring& app_name,
                      const ForbiddenPlaces& places, UninstallPlan* plan);

// The scopes whose entries a setup with (or without) the rights of a
// per-machine install reads, in order.
std::vector<Scope> ScopesToRead(bool per_machine);

enum class InstalledLookup { kNone, kFound, kForbidden };

// The first trusted entry of the product among candidates (ProductEntries).
// kForbidden, with *why naming the folder, when the first entry that is ours
// lies in a forbidden folder.
InstalledLookup PickInstalledProduct(const std::vector<FoundEntry>& candidates,
                                     const SetupConfig& config, const ForbiddenPlaces& places,
                                     InstalledProduct* installed, std::wstring* why);

// PickInstalledProduct over the registry's entries in ScopesToRead(per_machine).
InstalledLookup FindInstalledProduct(const SetupConfig& config, bool per_machine,
                                     const ForbiddenPlaces& places, InstalledProduct* installed,
                                     std::wstring* why);

// For setup: the dead runs in folder (when not empty) and in the folder of
// the installed product's entry that setup trusts.
bool FinishDeadRunsOfProduct(const SetupConfig& config, const std::wstring& folder,
                             std::wstring* why);

}  // namespace stub
