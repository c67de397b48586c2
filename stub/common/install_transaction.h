#pragma once
// One install, upgrade or uninstall as a transaction. Every folder made, file
// placed or moved aside, shortcut written or deleted and uninstall entry
// changed is noted in a journal on disk, and flushed, before it is done
// (journal_record.h), so that a failure at any point before Commit puts
// everything back exactly as it was, newest first, and a run that dies is
// finished by the next one (transaction_recovery.h). Files moved aside wait
// in a hidden staging folder on their own volume (inside the install folder,
// or inside the folder of an earlier install) until the commit.

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "journal_file.h"
#include "journal_record.h"
#include "stub_text.h"
#include "transaction_steps.h"
#include "uninstall_entry.h"

namespace stub {

class InstallTransaction {
 public:
  // folder: the install folder (absolute); the journal and the staging
  // folder go inside it, and it is made (with the folders above it) when
  // the first step is noted.
  explicit InstallTransaction(std::wstring folder,
                              JournalPurpose purpose = JournalPurpose::kInstall);
  ~InstallTransaction();  // rolls back unless committed or rolled back
  InstallTransaction(const InstallTransaction&) = delete;
  InstallTransaction& operator=(const InstallTransaction&) = delete;

  // Another folder whose files may be moved aside (an earlier install
  // elsewhere): their backups stay on its volume, and it holds a copy of
  // the journal. Before the first step only.
  void AddRoot(const std::wstring& folder);

  // Creates dir and every missing folder above it, each noted first. A link
  // or junction below the install folder is refused: it could lead files
  // out of it.
  bool MakeFolders(const std::wstring& dir, std::wstring* err);
  // Folders made so far, in the order they were made.
  const std::vector<std::wstring>& created_folders() const { return created_; }

  // The file steps of a run, noted in one journal step: folders to make (in
  // order, each missing now), files to write where nothing stands now, and
  // files to move aside (each then by MoveAside). Makes the folders.
  struct FileSteps {
    std::vector<std::wstring> folders;
    std::vector<std::wstring> placed;
    std::vector<std::wstring> removed;
  };
  bool Plan(const FileSteps& steps, std::wstring* err);
  // Moves a file that Plan listed as removed into its staging folder, where
  // it stays until the commit. A failure is reported with lead (what could
  // not be done) and the system's reason.
  bool MoveAside(const std::wstring& target, std::wstring* err,
                 std::wstring_view lead = text::kCannotReplace);

  // A shortcut (outside the install folders) about to be written: its bytes
  // as they are now, to write back (or the file to delete) when undone. An
  // existing file that cannot be read in full is refused.
  bool KeepForUndo(const std::wstring& path, std::wstring* err);
  bool DeleteSmallFile(const std::wstring& path, std::wstring* err);

  // An uninstall entry about to be written or deleted, as it is now.
  bool NoteKey(Scope scope, const std::wstring& key, std::wstring* err);

  // Undoes every step, newest first. Returns what could not be put back
  // (one sentence a line; the journal then stays for the next run), empty
  // when everything is as it was.
  std::wstring Rollback();
  // Makes the change stand. False with *err when the commit could not be
  // noted (nothing stands yet: roll back). Then the backups and staging
  // folders go; *leftovers says what could not (the next run removes it).
  bool Commit(std::wstring* err, std::wstring* leftovers);
  // After a commit that left something: the staging folders that still
  // stand, holding what could not be deleted.
  std::vector<std::wstring> StagingLeft() const;

 private:
  bool Start(std::wstring* err);
  bool Note(const JournalRecord& record, std::wstring* err);
  bool NoteAll(const std::vector<JournalRecord>& records, std::wstring* err);
  // The root a path lies in; roots_.size() when none.
  size_t RootOf(const std::wstring& path) const;
  std::wstring StagingOf(size_t root) const;
  // Removes the journal when nothing failed (and, undone, the folders made);
  // *text gets what failed.
  void Finish(const Problems& problems, bool undone, std::wstring* text);

  std::wstring folder_;
  JournalPurpose purpose_;
  std::vector<std::wstring> roots_;
  JournalFile journal_;
  bool started_ = false;
  std::wstring stem_;                  // the journal's name without its suffix
  std::vector<bool> staging_made_;     // per root
  std::vector<std::wstring> created_;
  std::vector<JournalRecord> log_;     // everything noted, in order
  std::map<std::wstring, size_t> planned_;  // a file to move aside (NoCaseKey): its record
  size_t backups_ = 0;
  std::set<std::wstring> backup_groups_;  // the staging's folders of backups made (NoCaseKey)
  bool done_ = false;
};

}  // namespace stub
