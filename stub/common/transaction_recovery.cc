#include "transaction_recovery.h"

#include <windows.h>

#include <memory>

#include "journal_file.h"
#include "journal_record.h"
#include "rel_path.h"
#include "shell_places.h"
#include "stub_text.h"
#include "transaction_steps.h"
#include "uninstall_entry.h"
#include "win_util.h"

namespace stub {
namespace {

using Kind = JournalRecord::Kind;

// A journal of an ended run, held open so that no other run acts on it
// meanwhile.
class HeldJournal {
 public:
  explicit HeldJournal(JournalFacts& facts) : facts_(facts) {}
  ~HeldJournal() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  // False when it is missing or a live run (or another recovery) holds it.
  bool Open(const std::wstring& path) {
    path_ = path;
    h_ = CreateFileW(path.c_str(), GENERIC_READ | READ_CONTROL | DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return h_ != INVALID_HANDLE_VALUE;
  }
  // Reads and parses it; false when it is no journal, too big or breaks a rule.
  bool Read(std::vector<JournalRecord>* records) {
    std::string text;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(h_, buf, sizeof buf, &n, nullptr) && n > 0) {
      text.append(buf, n);
      if (text.size() > kMaxJournalBytes) return false;
    }
    return ParseJournal(text, records);
  }
  // Closes and deletes it; false when it stays.
  bool Remove() {
    CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    if (DeleteAnyFile(path_) != 0) return false;
    facts_.Unregister(path_);
    return true;
  }
  // Whether this run may take the journal's word; else the message lead.
  const wchar_t* Distrust() {
    bool elevated = facts_.Elevated();
    switch (DecideJournalTrust(elevated, elevated && facts_.Registered(path_, h_),
                               elevated ? FileOwner::kOther : facts_.OwnerOf(h_))) {
      case JournalTrust::kTrusted: return nullptr;
      case JournalTrust::kNotFromElevatedRun: return text::kJournalNotFromElevatedRun;
      case JournalTrust::kOtherUsers: return text::kJournalOfOtherUser;
    }
    return text::kJournalOfOtherUser;
  }
  const std::wstring& path() const { return path_; }

 private:
  JournalFacts& facts_;
  std::wstring path_;
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

// An absolute local or UNC path without "." or ".." segments, empty
// segments or a "\\?\" prefix: one that names exactly what it says.
bool IsPlainAbsolute(const std::wstring& path) {
  size_t start;
  if (path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\') start = 3;
  else if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'?' && path[2] != L'.')
    start = 2;
  else return false;
  if (path.find(L'/') != std::wstring::npos) return false;
  if (path.size() == start) return start == 3;
  for (size_t i = start; i <= path.size();) {
    size_t end = path.find(L'\\', i);
    if (end == std::wstring::npos) end = path.size();
    std::wstring seg = path.substr(i, end - i);
    if (seg.empty() || seg == L"." || seg == L"..") return false;
    i = end + 1;
  }
  return true;
}

bool EndsWithLnk(const std::wstring& path) {
  return path.size() > 4 && SameNoCase(path.substr(path.size() - 4), L".lnk");
}

std::vector<std::wstring> ShortcutPlaces() {
  std::vector<std::wstring> places;
  for (Scope scope : {Scope::kUser, Scope::kMachine})
    for (Place place : {Place::kDesktop, Place::kStartup, Place::kPrograms, Place::kQuickLaunch}) {
      std::wstring dir;
      if (PlaceFolder(place, scope, &dir) && IsPlainAbsolute(dir)) places.push_back(dir);
    }
  return places;
}

// What a journal may touch, and the checks of its records against it.
class JournalRules {
 public:
  JournalRules(std::wstring stem, std::vector<std::wstring> trusted_roots, std::wstring install_folder)
      : stem_(std::move(stem)), roots_(std::move(trusted_roots)),
        install_folder_(std::move(install_folder)), places_(ShortcutPlaces()) {}

  // Whether r may be acted on.
  bool Allows(const JournalRecord& r) const {
    switch (r.kind) {
      case Kind::kBegin:
      case Kind::kRoot:
      case Kind::kCommit:
      case Kind::kKey: return true;
      case Kind::kStaging:
        for (const std::wstring& root : roots_)
          if (SameNoCase(r.path, StagingOf(root))) return true;
        return false;
      case Kind::kFolder:
        if (!IsPlainAbsolute(r.path)) return false;
        if (IsWithin(r.path, install_folder_)) return true;  // made above the install folder
        for (const std::wstring& place : places_)
          if (IsWithin(r.path, place)) return true;  // made above a missing shortcut place
        return InRoot(r.path, true) || InPlace(r.path, true);
      case Kind::kPlaced: return InRoot(r.path, false);
      case Kind::kMoved: {
        if (!InRoot(r.path, false)) return false;
        for (const std::wstring& root : roots_)
          if (IsWithin(root, r.path) && IsBackupIn(StagingOf(root), r.backup)) return true;
        return false;
      }
      case Kind::kSmallFile: return EndsWithLnk(r.path) && InPlace(r.path, false);
    }
    return false;
  }

 private:
  std::wstring StagingOf(const std::wstring& root) const {
    return root + L"\\" + stem_ + kStagingSuffix;
  }
  // staging\<digits>\b<digits>: where a run keeps a backup.
  static bool IsBackupIn(const std::wstring& staging, const std::wstring& backup) {
    std::wstring prefix = staging + L"\\";
    if (backup.size() <= prefix.size() || !SameNoCase(backup.substr(0, prefix.size()), prefix)) return false;
    std::wstring rest = backup.substr(prefix.size());
    size_t sep = rest.find(L"\\b");
    auto digits = [](const std::wstring& t) {
      return !t.empty() && t.size() <= 9 && t.find_first_not_of(L"0123456789") == std::wstring::npos;
    };
    return sep != std::wstring::npos && digits(rest.substr(0, sep)) && digits(rest.substr(sep + 2));
  }
  bool InRoot(const std::wstring& path, bool may_be_root) const {
    if (!IsPlainAbsolute(path)) return false;
    for (const std::wstring& root : roots_)
      if ((may_be_root || path.size() > root.size()) && IsWithin(root, path) &&
          NoLinkOnTheWay(root, path))
        return true;
    return false;
  }
  bool InPlace(const std::wstring& path, bool may_be_place) const {
    if (!IsPlainAbsolute(path)) return false;
    for (const std::wstring& place : places_)
      if ((may_be_place || path.size() > place.size()) && IsWithin(place, path) &&
          NoLinkOnTheWay(place, path))
        return true;
    return false;
  }

  std::wstring stem_;
  std::vector<std::wstring> roots_;
  std::wstring install_folder_;
  std::vector<std::wstring> places_;
};

// Whether path lies in a root that is not trusted (no copy of the journal
// there): its records are left alone.
bool InUntrustedRoot(const std::wstring& path, const std::vector<std::wstring>& roots) {
  for (const std::wstring& root : roots)
    if (IsWithin(root, path)) return true;
  return false;
}

// Finishes the run whose journal is at path (in folder). False with a
// problem in *problems when it could not.
bool FinishRun(const std::wstring& folder, const std::wstring& name, RecoveryResult* result,
               Problems* problems, JournalFacts& facts) {
  HeldJournal journal(facts);
  if (!journal.Open(folder + L"\\" + name)) return true;  // its run is still going
  if (const wchar_t* lead = journal.Distrust()) {
    problems->push_back(lead + (L"“" + journal.path() + L"”"));
    return false;
  }
  std::vector<JournalRecord> records;
  auto damaged = [&] {
    problems->push_back(text::kDamagedJournal + (L"“" + journal.path() + L"”"));
    return false;
  };
  if (!journal.Read(&records)) return damaged();
  if (records.empty()) {  // cut off before its first step: nothing was done
    if (journal.Remove()) return true;
    problems->push_back(text::kCannotRemoveLeftover + (L"“" + journal.path() + L"”"));
    return false;
  }

  // The roots: this folder must be one; another is trusted only when it
  // holds a copy of the journal, which its run wrote there.
  std::vector<std::wstring> roots, trusted, untrusted;
  for (const JournalRecord& r : records)
    if (r.kind == Kind::kRoot) roots.push_back(r.path);
  bool here = false;
  std::vector<std::unique_ptr<HeldJournal>> copies;
  for (const std::wstring& root : roots) {
    if (!IsPlainAbsolute(root)) return damaged();
    if (SameNoCase(root, folder)) {
      here = true;
      trusted.push_back(root);
      continue;
    }
    auto copy = std::make_unique<HeldJournal>(facts);
    if (copy->Open(root + L"\\" + name)) {
      trusted.push_back(root);
      copies.push_back(std::move(copy));
    } else {
      untrusted.push_back(root);
    }
  }
  if (!here) return damaged();
  std::wstring stem = name.substr(0, name.size() - wcslen(kJournalSuffix));
  JournalRules rules(stem, trusted, roots.front());
  std::vector<JournalRecord> allowed;
  for (JournalRecord& r : records) {
    bool in_root = r.kind == Kind::kFolder || r.kind == Kind::kPlaced || r.kind == Kind::kMoved;
    if (rules.Allows(r)) allowed.push_back(std::move(r));
    else if (!in_root || !InUntrustedRoot(r.path, untrusted)) return damaged();
  }

  bool committed = allowed.back().kind == Kind::kCommit;
  Problems failed;
  if (committed) CompleteSteps(allowed, &failed);
  else UndoSteps(allowed, &failed);
  if (failed.empty()) {
    for (auto& copy : copies)
      if (!copy->Remove()) failed.push_back(text::kCannotRemoveLeftover + (L"“" + copy->path() + L"”"));
    if (!journal.Remove()) failed.push_back(text::kCannotRemoveLeftover + (L"“" + journal.path() + L"”"));
  }
  if (!failed.empty()) {
    problems->push_back(text::kUnfinishedRun + (L"“" + journal.path() + L"”"));
    problems->insert(problems->end(), failed.begin(), failed.end());
    return false;
  }
  if (!committed) RemoveMadeFolders(allowed);
  if (committed && allowed.front().purpose == JournalPurpose::kUninstall) result->completed_uninstall = true;
  return true;
}

}  // namespace

bool FinishDeadRuns(const std::wstring& folder, RecoveryResult* result, std::wstring* why,
                    JournalFacts& facts) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  std::wstring pattern = folder + L"\\" + kRunNamePrefix + L"*" + kJournalSuffix;
  HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return true;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  Problems problems;
  bool ok = true;
  for (const std::wstring& name : names) ok &= FinishRun(folder, name, result, &problems, facts);
  if (!ok) *why = JoinProblems(problems);
  return ok;
}
}  // namespace stub
