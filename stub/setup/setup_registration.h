#pragma once
// The second half of an install, once the files are in place: the
// shortcuts the option records ask for, the program group and the uninstall
// entry, every change noted in the install's transaction.

#include <string>
#include <vector>

#include "install_transaction.h"
#include "installed_product.h"
#include "package_source.h"
#include "setup_flow.h"
#include "shell_places.h"
#include "uninstall_entry.h"

namespace stub {

// Shortcuts, program group and uninstall entry after the files are in place,
// all noted in the transaction.
class Registration {
 public:
  Registration(const PackageSource& pkg, const std::wstring& folder, Scope scope,
               InstallTransaction& tx)
      : pkg_(pkg), folder_(folder), scope_(scope), tx_(tx) {}

  // Makes the shortcuts the option records ask for and writes the entry;
  // earlier is the installed version this install replaces, if any. Sets
  // outcome's run_target and run_name for option 1.
  bool Run(const InstalledProduct* earlier, InstallOutcome* outcome, std::wstring* err);

  const UninstallEntry& entry() const { return entry_; }

 private:
  // The earlier version's shortcuts that this one did not make again go;
  // its shortcut folders and (in the same folder) the install folder and
  // the folders above it that it made stay recorded, so the uninstaller removes them.
  bool TakeOver(const InstalledProduct& earlier, std::wstring* err);

  // The folders of from that still exist and are not in *into yet.
  static void AddExistingFolders(const std::vector<std::wstring>& from,
                                 std::vector<std::wstring>* into);

  // A shortcut named title + ".lnk" in place (inside subfolder when given),
  // to target.
  bool Link(Place place, const std::wstring& subfolder, const std::wstring& title,
            const std::wstring& target, std::wstring* err);

  const PackageSource& pkg_;
  std::wstring folder_;
  Scope scope_;
  InstallTransaction& tx_;
  UninstallEntry entry_;
};

}  // namespace stub
