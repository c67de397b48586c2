#pragma once
// The journal of one run on disk: a hidden file in the install folder, and a
// copy with the same name in every other folder the run changes files in
// (an earlier install elsewhere), so that a later run for either folder
// finds it. While the run lives it holds every copy open, letting others
// read but neither write nor delete it: a journal that can be opened for
// deleting belongs to a run that has ended. The format: journal_record.h.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "journal_trust.h"

namespace stub {

// Journals and staging folders are named "~qrsetup<process>_<n>" + these.
inline constexpr wchar_t kRunNamePrefix[] = L"~qrsetup";
inline constexpr wchar_t kJournalSuffix[] = L".jnl";
inline constexpr wchar_t kStagingSuffix[] = L".tmp";

class JournalFile {
 public:
  // facts: whether this run is elevated, and where an elevated run
  // registers its journals (journal_trust.h).
  explicit JournalFile(JournalFacts& facts = SystemJournalFacts()) : facts_(facts) {}
  ~JournalFile();  // closes every copy and keeps it
  JournalFile(const JournalFile&) = delete;
  JournalFile& operator=(const JournalFile&) = delete;

  // Creates the journal in folder under a name no file there has; *stem
  // gets its name without the suffix ("~qrsetup12_0").
  bool Create(const std::wstring& folder, std::wstring* stem, std::wstring* err);
  // A copy in another folder; before the first Append only.
  bool AddCopy(const std::wstring& folder, std::wstring* err);
  // Writes text at the end of every copy and flushes it to the disk: one
  // journal step.
  bool Append(std::string_view text, std::wstring* err);
  // Closes and deletes every copy. False with *err when one stays.
  bool Remove(std::wstring* err);

 private:
  struct Copy {
    std::wstring path;
    HANDLE handle;
  };
  // Creates a copy at path; the system's error code, 0 when made.
  DWORD Open(const std::wstring& path, std::wstring* err);

  JournalFacts& facts_;
  std::wstring name_;  // the file name of every copy
  std::vector<Copy> copies_;
};

// The exit code of a test build that stopped itself after its steps.
inline constexpr unsigned kStoppedExitCode = 99;

// Called after every journal step and every file moved aside or written.
// Does nothing in the programs that ship; a test build stops its process
// here after a given number of steps.
void AfterRunStep();

}  // namespace stub
