#pragma once
// Writes the files of a package into the install folder, all or nothing.
//
// Every record is first decoded into a staging folder inside the install
// folder; only when all of them decoded does the installer move them into
// place (a rename on the same volume). A file that already stands at a target
// is moved aside first, so a failure at any point can put everything back:
// the folders the installer created are removed again and replaced files
// return. A damaged package therefore leaves no partial install.

#include <atomic>
#include <string>
#include <vector>

#include "package_source.h"

namespace stub {

// Checks every RelPath of the package and every option name, and computes the
// absolute target of each record below folder (an absolute path). Nothing is
// written. The first failing name refuses the package.
bool PlanTargets(const std::wstring& folder, const PackageSource& pkg,
                 std::vector<std::wstring>* targets, std::wstring* why);

// Progress: bytes decoded so far out of the sum of the records' sizes.
using InstallProgressFn = std::function<void(int64_t done, int64_t total)>;

// Installs the records of pkg at targets (from PlanTargets). cancel, when
// set, is checked between records and ends the install like a failure.
bool InstallFiles(PackageSource& pkg, const std::wstring& folder,
                  const std::vector<std::wstring>& targets, const InstallProgressFn& progress,
                  const std::atomic<bool>* cancel, std::string* err);

}  // namespace stub
