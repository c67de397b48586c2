#pragma once
// Where the uninstaller's cleanup copy (self_delete.h) runs from. A copy in
// a folder that other programs can write could be swapped before it starts,
// or find a planted DLL beside it; and it runs with the uninstaller's rights,
// often an administrator's. So the copy goes into a fresh folder that only
// its own privilege level can write, under a name no one can foresee:
//  - elevated: a new folder in the Windows folder's Temp (the system's own
//    temporary folder, on the system drive, outside every user's profile),
//    created with an access list of SYSTEM and Administrators only, not
//    inherited from above, so no process of the user can write into it;
//  - not elevated: a new folder in the user's temporary folder, which only
//    the user (and the system) can write anyway.
// Folder and file names are 32 hexadecimal digits from the system's
// cryptographic random source; the folder is created so that it fails when
// it exists, and the copy with CREATE_NEW. The system calls sit behind
// CleanupSystem: wine keeps no access lists, so the choices are tested
// through it.

#include <memory>
#include <string>

namespace stub {

class CleanupSystem {
 public:
  virtual ~CleanupSystem() = default;
  // Whether this process runs with an elevated (administrator) token.
  virtual bool Elevated() = 0;
  virtual std::wstring MachineTempFolder() = 0;  // empty when unknown
  virtual std::wstring UserTempFolder() = 0;     // empty when unknown
  // 32 hexadecimal digits from a cryptographic source; false when it failed.
  virtual bool RandomName(std::wstring* name) = 0;
  // Creates folder, failing when it exists (ERROR_ALREADY_EXISTS);
  // admins_only gives it the access list of AdminsOnlySecurity. 0 or the
  // system's error code.
  virtual unsigned long MakeFolder(const std::wstring& folder, bool admins_only) = 0;
  // Copies from into the new file to (CREATE_NEW). 0 or the error code.
  virtual unsigned long CopyNew(const std::wstring& from, const std::wstring& to) = 0;
  virtual void RemoveFolder(const std::wstring& folder) = 0;
};
std::unique_ptr<CleanupSystem> SystemCleanup();

// The access list of an elevated run's folder (SDDL): SYSTEM and
// Administrators have full control, of the folder and all in it; nothing is
// inherited from the folder above.
inline constexpr wchar_t kAdminsOnlySecurity[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

struct CleanupCopy {
  std::wstring folder;   // the fresh folder
  std::wstring program;  // the copy in it
};

// Makes the fresh folder and the copy of uninstaller in it. False with *err
// (a message naming the folder) when it could not; nothing is left then.
bool MakeCleanupCopy(CleanupSystem& system, const std::wstring& uninstaller, CleanupCopy* copy,
                     std::wstring* err);

}  // namespace stub
