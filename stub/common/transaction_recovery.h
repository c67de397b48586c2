#pragma once
// Finishing what a run of setup or of the uninstaller left when it died
// (power cut, task manager) in the middle of its transaction: the next run
// for that product or folder reads the run's journal, completes the
// transaction when it had committed and undoes it otherwise, and removes
// the staging folders and the journal.

#include <string>

#include "journal_trust.h"

namespace stub {

struct RecoveryResult {
  bool completed_uninstall = false;  // an uninstall had committed and is now complete
};

// Finishes every run that died in folder, found by its journal there. A
// journal whose run is still going is left alone. A journal is hostile input
// and is checked before anything is done on its word: folder must be one of
// its roots, and a root without a copy of the journal is left alone; every
// path must be absolute and plain (no "." or ".." segment); a file or folder
// must lie in a root, behind no link or junction, a backup in the run's
// staging folder there, a shortcut (.lnk) in a shortcut place; a folder made
// may also be one above the install folder or a shortcut place (only an
// empty one is removed). A journal
// that breaks a rule is not acted on. False with *why (a complete message)
// when a run could not be finished or its journal is not trusted; what could
// not be done stays for the next run. Nor is a journal acted on whose writer
// this run may not trust (journal_trust.h, asked through facts): an elevated
// run takes only a journal an elevated run registered, another run only its
// own user's or an administrator's; any other is named in *why.
bool FinishDeadRuns(const std::wstring& folder, RecoveryResult* result, std::wstring* why,
                    JournalFacts& facts = SystemJournalFacts());
}  // namespace stub
