#pragma once
// The undo log of one install or upgrade. Every folder made, file placed,
// replaced or removed, small file (shortcut) written or deleted and
// uninstall entry changed is noted, so that a failure at any point before
// Commit puts everything back exactly as it was, newest first. Replaced and
// removed files wait in a hidden staging folder on their own volume (inside
// the install folder, or inside the folder of an earlier install) until the
// transaction commits.

#include <string>
#include <string_view>
#include <vector>

#include "stub_text.h"
#include "uninstall_entry.h"

namespace stub {

class InstallTransaction {
 public:
  // folder: the install folder (absolute); the staging folder goes inside it.
  explicit InstallTransaction(std::wstring folder);
  ~InstallTransaction();  // rolls back unless committed
  InstallTransaction(const InstallTransaction&) = delete;
  InstallTransaction& operator=(const InstallTransaction&) = delete;

  // Another folder whose files may be removed (an earlier install
  // elsewhere); their backups stay on its volume.
  void AddRoot(const std::wstring& folder);

  // The staging folder inside the install folder, made on first use.
  bool Staging(std::wstring* dir, std::wstring* err);

  // Creates dir and every missing folder above it. A link or junction
  // below the install folder is refused: it could lead files out of it.
  bool MakeFolders(const std::wstring& dir, std::wstring* err);
  // Folders made so far, in the order they were made.
  const std::vector<std::wstring>& created_folders() const { return created_; }

  // A file decoded straight to its place (nothing stood there).
  void NotePlaced(const std::wstring& target);
  // Moves staged to target; a file already there is kept as a backup.
  bool PlaceFile(const std::wstring& staged, const std::wstring& target, std::wstring* err);
  // Moves target away (kept as a backup until the commit). A failure is
  // reported with lead (what could not be done) and the system's reason.
  bool RemoveFile(const std::wstring& target, std::wstring* err,
                  std::wstring_view lead = text::kCannotReplace);

  // Small files outside the install folders (shortcuts): the bytes of path
  // as they are now, to write back (or the file to delete) when undone.
  void KeepForUndo(const std::wstring& path);
  bool DeleteSmallFile(const std::wstring& path);

  // An uninstall entry as it was before it is written or deleted.
  void NoteKey(const KeySnapshot& snapshot);

  void Rollback();
  // The change stands: the backups and the staging folders go.
  void Commit();

 private:
  struct Action {
    enum Kind { kFolder, kStaging, kPlaced, kRemoved, kSmallFile, kKey };
    Action(Kind k, std::wstring p, std::wstring b = {})
        : kind(k), path(std::move(p)), backup(std::move(b)) {}
    Kind kind;
    std::wstring path;    // folder, file or staging folder
    std::wstring backup;     // kRemoved
    bool read_only = false;  // kRemoved: the file was read-only
    bool existed = false;    // kSmallFile
    std::string bytes;    // kSmallFile
    KeySnapshot key;      // kKey
  };
  bool BackupFor(const std::wstring& target, std::wstring* backup, std::wstring* err);
  bool StagingIn(const std::wstring& root, std::wstring* dir, std::wstring* err);

  std::wstring folder_;
  std::vector<std::wstring> roots_;
  std::vector<std::wstring> staging_;  // per root, empty until made
  std::vector<std::wstring> created_;
  std::vector<Action> log_;
  size_t backups_ = 0;
  bool done_ = false;
};

// Removes a staging folder and the files in it.
void RemoveStagingFolder(const std::wstring& dir);

}  // namespace stub
