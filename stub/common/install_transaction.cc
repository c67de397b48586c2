#include "install_transaction.h"

#include <windows.h>

#include "log_sink.h"
#include "rel_path.h"
#include "stub_text.h"
#include "transaction_steps.h"
#include "win_util.h"

namespace stub {
namespace {

using Kind = JournalRecord::Kind;

// Backups wait in numbered folders of this many inside the staging folder:
// a name is looked for in a folder by reading it (under wine, and on file
// systems that ignore letter case without an index), so one folder of
// thousands would make every move slower than the last.
constexpr size_t kBackupsPerFolder = 64;

JournalRecord Record(Kind kind, const std::wstring& path, const std::wstring& backup = {}) {
  JournalRecord r;
  r.kind = kind;
  r.path = path;
  r.backup = backup;
  return r;
}

}  // namespace

InstallTransaction::InstallTransaction(std::wstring folder, JournalPurpose purpose)
    : folder_(std::move(folder)), purpose_(purpose) {
  roots_.push_back(folder_);
  staging_made_.push_back(false);
}

InstallTransaction::~InstallTransaction() {
  if (!done_) Rollback();
}

void InstallTransaction::AddRoot(const std::wstring& folder) {
  roots_.push_back(folder);
  staging_made_.push_back(false);
}

bool InstallTransaction::Start(std::wstring* err) {
  if (started_) return true;
  // The install folder and the folders above it that are missing are made
  // before the journal, which lives in it, and are its first notes.
  std::vector<std::wstring> missing;
  for (std::wstring d = folder_; !FolderExists(d);) {
    missing.insert(missing.begin(), d);
    std::wstring parent = ParentOf(d);
    if (parent.empty() || parent == d) break;
    d = parent;
  }
  auto undo_made = [&] {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) RemoveDirectoryW(it->c_str());
    created_.clear();
  };
  for (const std::wstring& d : missing) {
    if (!CreateDirectoryW(d.c_str(), nullptr)) {
      DWORD e = GetLastError();
      if (e == ERROR_ALREADY_EXISTS && FolderExists(d)) continue;
      *err = SystemError(text::kCannotMakeFolder, d, e);
      undo_made();
      return false;
    }
    created_.push_back(d);
  }
  std::vector<JournalRecord> first;
  JournalRecord begin;
  begin.purpose = purpose_;
  first.push_back(begin);
  for (const std::wstring& r : roots_) first.push_back(Record(Kind::kRoot, r));
  for (const std::wstring& d : created_) first.push_back(Record(Kind::kFolder, d));
  std::string text(kJournalHeader);
  for (const JournalRecord& r : first) text += EncodeRecord(r);
  bool ok = journal_.Create(folder_, &stem_, err);
  for (size_t i = 1; ok && i < roots_.size(); ++i) ok = journal_.AddCopy(roots_[i], err);
  if (!ok || !journal_.Append(text, err)) {
    std::wstring ignored;
    journal_.Remove(&ignored);
    undo_made();
    return false;
  }
  log_ = std::move(first);
  started_ = true;
  return true;
}

bool InstallTransaction::NoteAll(const std::vector<JournalRecord>& records, std::wstring* err) {
  if (!Start(err)) return false;
  std::string text;
  for (const JournalRecord& r : records) text += EncodeRecord(r);
  if (!journal_.Append(text, err)) return false;
  log_.insert(log_.end(), records.begin(), records.end());
  return true;
}

bool InstallTransaction::Note(const JournalRecord& record, std::wstring* err) {
  return NoteAll({record}, err);
}

size_t InstallTransaction::RootOf(const std::wstring& path) const {
  for (size_t i = 0; i < roots_.size(); ++i)
    if (path.size() > roots_[i].size() && IsWithin(roots_[i], path)) return i;
  return roots_.size();
}

std::wstring InstallTransaction::StagingOf(size_t root) const {
  return roots_[root] + L"\\" + stem_ + kStagingSuffix;
}

bool InstallTransaction::MakeFolders(const std::wstring& dir, std::wstring* err) {
  if (!Start(err)) return false;
  if (FolderExists(dir)) {
    if (dir.size() > folder_.size() && IsWithin(folder_, dir) && IsReparsePoint(dir)) {
      *err = text::kLinkInFolder + (L"“" + dir + L"”");
      return false;
    }
    return true;
  }
  std::wstring parent = ParentOf(dir);
  if (!parent.empty() && parent != dir && !MakeFolders(parent, err)) return false;
  if (!Note(Record(Kind::kFolder, dir), err)) return false;
  if (!CreateDirectoryW(dir.c_str(), nullptr)) {
    DWORD e = GetLastError();
    if (e != ERROR_ALREADY_EXISTS || !FolderExists(dir)) {
      *err = SystemError(text::kCannotMakeFolder, dir, e);
      return false;
    }
    return true;
  }
  created_.push_back(dir);
  return true;
}

bool InstallTransaction::Plan(const FileSteps& steps, std::wstring* err) {
  if (!Start(err)) return false;
  std::vector<JournalRecord> records;
  for (const std::wstring& d : steps.folders) records.push_back(Record(Kind::kFolder, d));
  for (const std::wstring& f : steps.placed) records.push_back(Record(Kind::kPlaced, f));
  std::vector<size_t> new_staging;
  for (const std::wstring& f : steps.removed) {
    size_t root = RootOf(f);
    if (root == roots_.size()) {
      *err = SystemError(text::kCannotRemove, f, ERROR_ACCESS_DENIED);
      return false;
    }
    if (!staging_made_[root]) {
      staging_made_[root] = true;
      new_staging.push_back(root);
      records.push_back(Record(Kind::kStaging, StagingOf(root)));
    }
    size_t n = backups_++;
    std::wstring backup = StagingOf(root) + L"\\" + std::to_wstring(n / kBackupsPerFolder) + L"\\b" +
                          std::to_wstring(n);
    records.push_back(Record(Kind::kMoved, f, backup));
  }
  size_t first = log_.size();
  if (!NoteAll(records, err)) return false;
  for (size_t i = first; i < log_.size(); ++i)
    if (log_[i].kind == Kind::kMoved) planned_[NoCaseKey(log_[i].path)] = i;
  for (size_t root : new_staging) {
    std::wstring dir = StagingOf(root);
    if (!CreateDirectoryW(dir.c_str(), nullptr)) {
      *err = SystemError(text::kCannotMakeStaging, roots_[root], GetLastError());
      return false;
    }
    SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_HIDDEN);
  }
  for (const std::wstring& d : steps.folders) {
    if (!CreateDirectoryW(d.c_str(), nullptr)) {
      DWORD e = GetLastError();
      if (e == ERROR_ALREADY_EXISTS && FolderExists(d)) continue;
      *err = SystemError(text::kCannotMakeFolder, d, e);
      return false;
    }
    created_.push_back(d);
  }
  return true;
}

bool InstallTransaction::MoveAside(const std::wstring& target, std::wstring* err,
                                   std::wstring_view lead) {
  auto it = planned_.find(NoCaseKey(target));
  if (it == planned_.end()) {
    *err = SystemError(lead, target, ERROR_INVALID_PARAMETER);
    return false;
  }
  const std::wstring& backup = log_[it->second].backup;
  std::wstring group = ParentOf(backup);
  if (backup_groups_.insert(NoCaseKey(group)).second && !CreateDirectoryW(group.c_str(), nullptr) &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    *err = SystemError(text::kCannotMakeStaging, group, GetLastError());
    return false;
  }
  if (!MoveFileExW(target.c_str(), backup.c_str(), 0)) {
    *err = SystemError(lead, target, GetLastError());
    return false;
  }
  AfterRunStep();
  return true;
}

bool InstallTransaction::KeepForUndo(const std::wstring& path, std::wstring* err) {
  JournalRecord r = Record(Kind::kSmallFile, path);
  if (DWORD e = ReadSmallFile(path, &r.flag, &r.bytes)) {
    *err = SystemError(text::kCannotKeepForUndo, path, e);
    return false;
  }
  return Note(r, err);
}

bool InstallTransaction::DeleteSmallFile(const std::wstring& path, std::wstring* err) {
  if (!KeepForUndo(path, err)) return false;
  if (DWORD e = DeleteAnyFile(path)) {
    *err = SystemError(text::kCannotDeleteShortcut, path, e);
    return false;
  }
  return true;
}

bool InstallTransaction::NoteKey(Scope scope, const std::wstring& key, std::wstring* err) {
  JournalRecord r;
  r.kind = Kind::kKey;
  if (!SnapshotKey(scope, key, &r.key)) {
    *err = text::kCannotReadEntry + key;
    return false;
  }
  return Note(r, err);
}

void InstallTransaction::Finish(const Problems& problems, bool undone, std::wstring* out) {
  Problems all = problems;
  if (all.empty()) {
    std::wstring e;
    if (!journal_.Remove(&e)) all.push_back(e);
    else if (undone) RemoveMadeFolders(log_);
  }
  *out = JoinProblems(all);
  done_ = true;
}

std::wstring InstallTransaction::Rollback() {
  if (done_) return {};
  done_ = true;
  if (!started_) return {};
  Problems problems;
  UndoSteps(log_, &problems);
  std::wstring out;
  Finish(problems, true, &out);
  if (out.empty()) Log().Write(text::kLogRolledBack);
  else Log().Write(text::kLogNotAllUndone, out);
  return out.empty() ? out : text::kNotAllUndone + out;
}

bool InstallTransaction::Commit(std::wstring* err, std::wstring* leftovers) {
  leftovers->clear();
  if (!started_) {
    done_ = true;
    return true;
  }
  JournalRecord commit;
  commit.kind = Kind::kCommit;
  if (!Note(commit, err)) return false;
  Log().Write(text::kLogCommitted);
  Problems problems;
  CompleteSteps(log_, &problems);
  std::wstring out;
  Finish(problems, false, &out);
  if (!out.empty()) *leftovers = text::kNotAllCleaned + out;
  if (!out.empty()) Log().Write(*leftovers);
  return true;
}

std::vector<std::wstring> InstallTransaction::StagingLeft() const {
  std::vector<std::wstring> left;
  for (const JournalRecord& r : log_)
    if (r.kind == Kind::kStaging && FolderExists(r.path)) left.push_back(r.path);
  return left;
}

}  // namespace stub
