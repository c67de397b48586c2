#pragma once
// Undoing and completing the steps of a transaction from its records: the
// same piece for the run itself (InstallTransaction) and for a later run that
// finishes what a run that died left (transaction_recovery). Every step may
// already have been undone or never have been taken: each looks before it
// acts, so running the same records twice does no harm.

#include <string>
#include <vector>

#include "journal_record.h"

namespace stub {

// What could not be done: one complete sentence per line.
using Problems = std::vector<std::wstring>;

// Undoes the records, newest first: placed files go, files moved aside come
// back, shortcuts and entries become what they were; then every staging
// folder goes whose files all came back. A backup that cannot be put back
// stays where it is, and its problem names both places.
void UndoSteps(const std::vector<JournalRecord>& records, Problems* problems);

// Completes a committed transaction: its backups and staging folders go.
void CompleteSteps(const std::vector<JournalRecord>& records, Problems* problems);

// Removes the folders the records made that are empty, newest first (after
// the journal, which lies in the install folder, is gone).
void RemoveMadeFolders(const std::vector<JournalRecord>& records);

// Removes a staging folder, its folders of backups and the files in them.
// False when something stays.
bool RemoveStagingFolder(const std::wstring& dir);

// The bytes of a file another program may hold open in any way (full
// sharing), at most kMaxSmallFileBytes. The system's error code when it
// exists but cannot be read in full, else 0 with *existed telling whether
// there is such a file.
unsigned long ReadSmallFile(const std::wstring& path, bool* existed, std::string* bytes);

// Deletes a file, read-only or not; the system's error code, 0 when it is
// gone (or was never there).
unsigned long DeleteAnyFile(const std::wstring& path);

// True when no folder between folder (exclusive) and path is a link or
// junction, so acting on path stays inside folder.
bool NoLinkOnTheWay(const std::wstring& folder, const std::wstring& path);

// The problems as one text, a line each.
std::wstring JoinProblems(const Problems& problems);

}  // namespace stub
