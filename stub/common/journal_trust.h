#pragma once
// Whose word a journal is. A run that died leaves its journal in the install
// folder, and the next run acts on it: restores uninstall entries, writes
// shortcuts back, moves files. An elevated run acts for the whole machine
// (HKLM, the all-users shortcut places), so it must never take the word of
// a journal an unprivileged program could have written or changed: a user
// may plant a file in any folder users can write.
//
// An elevated run registers every journal file it creates in HKLM (where
// only administrators write) by the file's identity, and creates it with an
// owner and access list that let only Administrators and SYSTEM write it.
// An elevated recovery acts only on a registered journal; a non-elevated
// one only on a journal owned by its own user or by Administrators/SYSTEM
// (never another user's). The system calls sit behind JournalFacts.

#include <windows.h>

#include <string>

namespace stub {

enum class FileOwner {
  kAdmins,  // Administrators, SYSTEM or TrustedInstaller
  kSelf,    // this process's user
  kOther,   // anyone else, or unknown
};

class JournalFacts {
 public:
  virtual ~JournalFacts() = default;
  // Whether this process runs elevated (may write machine-wide state).
  virtual bool Elevated() = 0;
  // Whether an elevated run registered the journal file open as h at path.
  virtual bool Registered(const std::wstring& path, HANDLE h) = 0;
  virtual FileOwner OwnerOf(HANDLE h) = 0;
  // Registers the new journal file h at path; false with the system's
  // error code in *code.
  virtual bool Register(const std::wstring& path, HANDLE h, DWORD* code) = 0;
  // Forgets path's registration (after the journal is deleted).
  virtual void Unregister(const std::wstring& path) = 0;
};
// The system's facts: the process token, HKLM, the file's owner.
JournalFacts& SystemJournalFacts();

enum class JournalTrust {
  kTrusted,
  kNotFromElevatedRun,  // an elevated recovery found a journal no elevated run registered
  kOtherUsers,          // a non-elevated recovery found another user's journal
};
JournalTrust DecideJournalTrust(bool elevated, bool registered, FileOwner owner);

// The security of a journal an elevated run creates: owner Administrators,
// only Administrators and SYSTEM may write. nullptr when this process is
// not elevated (the folder's own rules apply). Valid for the process's life.
SECURITY_ATTRIBUTES* JournalSecurity(JournalFacts& facts);

}  // namespace stub
