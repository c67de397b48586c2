#pragma once
// Writes the files of a package into the install folder, inside an
// InstallTransaction, so the install is all or nothing.
//
// Every file is decoded straight to its place; a file it replaces is first
// moved aside into the staging folder, where it waits until the commit. The
// steps are noted in the transaction's journal before any is taken, so any
// failure, or the death of the run, can be undone. The package's digest is
// checked before (InstallPackage), so a damaged package writes nothing.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "install_transaction.h"
#include "package_source.h"

namespace stub {

// Paths the shell, shortcuts and most programs can open have fewer than
// MAX_PATH (260) characters.
inline constexpr size_t kMaxShellPath = 259;

// Checks every RelPath of the package and every option name, and computes the
// absolute target of each record below folder (an absolute path). Nothing is
// written. The first failing name refuses the package, and so does a target
// too long for the shell to open.
bool PlanTargets(const std::wstring& folder, const PackageSource& pkg,
                 std::vector<std::wstring>* targets, std::wstring* why);

// Progress: bytes decoded so far out of the sum of the records' sizes.
using InstallProgressFn = std::function<void(int64_t done, int64_t total)>;

struct FilePlan {
  std::wstring folder;                // the install folder
  std::vector<std::wstring> targets;  // one per record (from PlanTargets)
  std::vector<std::wstring> dropped;  // files of an earlier version to remove
};

// Installs the records of pkg at plan.targets and removes plan.dropped, all
// noted in tx (the caller commits or rolls back). cancel, when set, is
// checked between records and ends the install like a failure.
bool InstallFiles(PackageSource& pkg, const FilePlan& plan, InstallTransaction& tx,
                  const InstallProgressFn& progress, const std::atomic<bool>* cancel,
                  std::wstring* err);

}  // namespace stub
