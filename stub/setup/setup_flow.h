#pragma once
// One install from start to end, shared by the window and the silent mode.
// What is decided once, before anything is shown or written (SetupDecision:
// the scope, the installed version it may trust, the folder), and the
// install itself as its named steps: verify the package, plan the targets,
// check that every file to replace is free, install in one transaction
// (files, shortcuts, uninstall entry: a failure anywhere leaves the machine
// as it was), and clean up after an upgrade.

#include <optional>
#include <string>
#include <vector>

#include "forbidden_folders.h"
#include "install_gate.h"
#include "installed_product.h"
#include "installer.h"
#include "package_source.h"
#include "shell_places.h"
#include "uninstall_entry.h"

namespace stub {

// True when this process may make a per-machine install: it may write the
// all-users places (Program Files and HKLM's uninstall entries).
bool CanInstallPerMachine();

// Program Files\<setup_dir> for a per-machine install, else
// %LOCALAPPDATA%\Programs\<setup_dir>.
std::wstring DefaultFolder(Scope scope, const std::wstring& setup_dir);

// Checks the configuration's names: the install-folder name must be one safe
// file name.
bool CheckConfig(const SetupConfig& config, std::wstring* why);

// The install folder as an absolute path without a trailing "\", every
// segment without trailing dots and spaces; false when the text is no
// absolute local or UNC path (\\?\ and \\.\ paths are refused).
bool NormalizeFolder(const std::wstring& text, std::wstring* folder);

// Why the scope and the folder are what they are (the log says so).
enum class ScopeWhy {
  kRights,     // no switch: per machine when this process may write there
  kSwitch,     // /ALLUSERS or /CURRENTUSER
  kInstalled,  // an upgrade keeps the installed version's scope
  kWindow,     // the user's choice in the window
};
enum class FolderWhy { kSwitch, kInstalled, kDefault, kWindow };

// What setup decides once, before the window or the silent install.
struct SetupDecision {
  Scope scope = Scope::kUser;
  ScopeWhy scope_why = ScopeWhy::kRights;
  // Neither a switch nor an installed version fixed the scope: the window
  // offers the choice. A per-machine install then needs setup to run again
  // elevated when this process may not write the machine's places.
  bool scope_choice = false;
  bool machine_needs_elevation = false;
  bool upgrade = false;        // installed holds the trusted installed version
  InstalledProduct installed;
  std::wstring folder;         // /D=, else the installed folder, else the default
  FolderWhy folder_why = FolderWhy::kDefault;
  ForbiddenPlaces places;
};

enum class DecisionResult {
  kInstall,   // go on with *decision
  kElevate,   // the installed version is per-machine: run again elevated
  kRefuse,    // *why says why
};

// Decides the scope and the installed version (FindInstalledProduct) for a
// process that may (per_machine) or may not make a per-machine install;
// already_elevated: this is the elevated run, which must not ask again.
// requested is /ALLUSERS or /CURRENTUSER: a per-machine request elevates
// when needed, a per-user one never does, and one that an installed version
// of the other scope contradicts is refused. folder_arg is /D= (empty when
// not given).
DecisionResult DecideSetup(const SetupConfig& config, bool per_machine, bool already_elevated,
                           std::optional<Scope> requested, const std::wstring& folder_arg,
                           ForbiddenPlaces places, SetupDecision* decision, std::wstring* why);

// The log's lines for a decision: the installed version, the scope and the
// folder, each with why.
void LogDecision(const SetupDecision& decision);

// True when the package's version is older than the installed one.
bool IsOlderThanInstalled(const SetupConfig& config, const InstalledProduct& installed);
// The question the window asks before an older version replaces a newer one.
std::wstring OlderVersionQuestion(const SetupConfig& config, const InstalledProduct& installed);

// A folder may be installed into: it is not forbidden (*why names it).
bool CheckInstallFolder(const std::wstring& folder, const ForbiddenPlaces& places,
                        std::wstring* why);

// What an install into folder would meet there: the folder holds files
// that are not an installed version of this product's, and how many of
// the package's files would replace files there.
struct FolderContents {
  bool holds_other_files = false;
  size_t replaced = 0;
};
FolderContents LookIntoFolder(const std::wstring& folder, const PackageSource& pkg,
                              const SetupDecision& decision);
// The question the window asks before it installs into such a folder.
std::wstring FolderHasFilesQuestion(const std::wstring& folder, const FolderContents& contents);

struct InstallOutcome {
  std::wstring message;     // what went wrong (empty on success)
  bool cancelled = false;   // the user's cancel stopped it (and nothing stayed)
  std::wstring busy_file;   // set when a file in use stopped the install
  std::wstring run_target;  // the file of option 1, when one was installed
  std::wstring run_name;    // its record name
  // After success: the backups of replaced files that could not be deleted
  // (the next run of setup deletes them), and the folders they are in.
  std::wstring leftovers;
  std::vector<std::wstring> leftover_folders;
};

// The file of option 1 (RunApp) of pkg installed in folder, when the
// package has one and it is a file there.
bool RunTargetIn(const PackageSource& pkg, const std::wstring& folder, std::wstring* target,
                 std::wstring* name);

// Runs the install (or upgrade of decision.installed) into folder
// (normalized) with decision's scope. gate, when given, lets the window
// pause and cancel it. What a run that died left there is finished first.
// Returns false with outcome->message set when refused, failed or
// cancelled: nothing was changed, unless the message ends saying what could
// not be put back.
bool InstallPackage(PackageSource& pkg, const SetupDecision& decision, const std::wstring& folder,
                    const InstallProgressFn& progress, InstallGate* gate, InstallOutcome* outcome);

}  // namespace stub
