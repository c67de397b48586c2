#pragma once
// The records of a transaction's journal and their text form. The journal is
// what a run of setup or of the uninstaller writes, and flushes, before each
// step that changes the machine, so that a later run can finish what a run
// that died left: undo it, or complete it when it had committed.
//
// The file: the line "QRJOURNAL 1", then one record per line, each ended by
// "\n", fields separated by a tab:
//
//   begin   install|uninstall           what the run was doing
//   root    <folder>                    a folder the run changes files in;
//                                       the first is the install folder
//   staging <folder>                    a staging folder (in a root) made
//   folder  <folder>                    a folder made (removed when empty)
//   placed  <file>                      a file written where nothing stood
//   moved   <file> <backup>             a file moved aside into staging
//                                       (<staging>\<n>\b<m>)
//   small   <file> <0|1> <hex bytes>    a shortcut changed: whether it existed
//                                       and its bytes before
//   key     user|machine <name> <0|1> <n>
//                                       an uninstall entry changed: whether it
//                                       existed, and n, the number of its
//                                       values, which follow as
//   value   <name> <type> <hex data>    one value of the key before
//   commit                              the change stands
//
// Text fields are UTF-8 with "%XX" for the bytes 0x00-0x1F, "%" and 0x7F.
// A record is noted before its step is taken, so a record whose step never
// ran is possible and undoing it finds nothing to do. A last line without
// its "\n" (or a key without all its values) is a record whose writing was
// cut off and counts as not written.
// Read back, the journal is hostile input: ParseJournal bounds every size,
// and the recovery checks every path before acting on it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "uninstall_entry.h"

namespace stub {

enum class JournalPurpose { kInstall, kUninstall };

struct JournalRecord {
  enum class Kind { kBegin, kRoot, kStaging, kFolder, kPlaced, kMoved, kSmallFile, kKey, kCommit };
  Kind kind = Kind::kBegin;
  JournalPurpose purpose = JournalPurpose::kInstall;  // kBegin
  std::wstring path;    // root, folder or file
  std::wstring backup;  // kMoved: where the file waits
  bool flag = false;    // kSmallFile: the file existed
  std::string bytes;    // kSmallFile: the file before
  KeySnapshot key;      // kKey
};

// Limits of a journal read back.
inline constexpr size_t kMaxJournalBytes = 64u << 20;
inline constexpr size_t kMaxSmallFileBytes = 1u << 20;
inline constexpr size_t kMaxKeyValues = 256;
inline constexpr size_t kMaxValueBytes = 64u << 10;
inline constexpr size_t kMaxJournalPath = 32767;

// The first line of every journal, "\n" included.
inline constexpr std::string_view kJournalHeader = "QRJOURNAL 1\n";

// The lines of one record ("\n" ended; a key is followed by its values).
std::string EncodeRecord(const JournalRecord& record);

// The records of a journal's text. False when the text is no journal or a
// complete line breaks a rule (unknown record, bad field, a size over the
// limits, a record out of order); a cut-off last line is left out.
bool ParseJournal(std::string_view text, std::vector<JournalRecord>* records);

}  // namespace stub
