#pragma once
// One install from start to end, shared by the window and the silent mode:
// check every name, find an installed version of the product, write the
// files, make the shortcuts the option records ask for and register the
// uninstall entry, all in one transaction: a failure anywhere leaves the
// machine as it was.

#include <atomic>
#include <string>

#include "installer.h"
#include "package_source.h"
#include "shell_places.h"
#include "uninstall_entry.h"

namespace stub {

// Per-machine when the process may write the all-users places (Program Files
// and HKLM), else per-user.
Scope DecideScope();

// Program Files\<setup_dir> for a per-machine install, else
// %LOCALAPPDATA%\Programs\<setup_dir>.
std::wstring DefaultFolder(Scope scope, const std::wstring& setup_dir);

// Checks the configuration's names: the install-folder name must be one safe
// file name.
bool CheckConfig(const SetupConfig& config, std::wstring* why);

// The install folder as an absolute path without a trailing "\"; false when
// the text is no absolute local or UNC path.
bool NormalizeFolder(const std::wstring& text, std::wstring* folder);

// The installed version of the package's product (same name and publisher).
bool FindInstalledProduct(const SetupConfig& config, FoundEntry* installed);
// True when the package's version is older than the installed one.
bool IsOlderThanInstalled(const SetupConfig& config, const FoundEntry& installed);

struct InstallOutcome {
  std::wstring message;     // what went wrong (empty on success)
  std::wstring busy_file;   // set when a file in use stopped the install
  std::wstring run_target;  // the file of option 1, when one was installed
  std::wstring run_name;    // its record name
  // After success: the backups of replaced files that could not be deleted
  // (the next run of setup deletes them).
  std::wstring leftovers;
};

// Runs the install (or upgrade of the installed product) into folder
// (normalized), after finishing what a run that died left there. Returns
// false with outcome->message set when refused, failed or cancelled:
// nothing was changed, unless the message ends saying what could not be
// put back.
bool InstallPackage(PackageSource& pkg, const std::wstring& folder, Scope scope,
                    const InstallProgressFn& progress, const std::atomic<bool>* cancel,
                    InstallOutcome* outcome);

}  // namespace stub
