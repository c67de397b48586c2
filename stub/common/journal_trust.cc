#include "journal_trust.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "elevation.h"
#include "win_util.h"

namespace stub {
namespace {

// Journals registered by elevated runs: value name = the journal's path
// upper-cased, data = its volume serial and file index (12 bytes).
constexpr wchar_t kRegistryKey[] = L"SOFTWARE\\QrMaker\\RunJournals";

bool FileIdentity(HANDLE h, std::vector<BYTE>* id) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return false;
  const DWORD parts[] = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  id->assign(reinterpret_cast<const BYTE*>(parts), reinterpret_cast<const BYTE*>(parts) + sizeof parts);
  return true;
}

bool IsAdminSid(PSID sid) {
  for (WELL_KNOWN_SID_TYPE t : {WinBuiltinAdministratorsSid, WinLocalSystemSid})
    if (IsWellKnownSid(sid, t)) return true;
  // NT SERVICE\TrustedInstaller
  PSID ti = nullptr;
  bool is_ti = ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", &ti) &&
               EqualSid(sid, ti);
  if (ti) LocalFree(ti);
  return is_ti;
}

class SystemFacts : public JournalFacts {
 public:
  bool Elevated() override { return ProcessIsElevated(); }
  bool Registered(const std::wstring& path, HANDLE h) override {
    std::vector<BYTE> id, stored(64);
    DWORD size = static_cast<DWORD>(stored.size()), type = 0;
    HKEY key = nullptr;
    if (!FileIdentity(h, &id) ||
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRegistryKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
      return false;
    LSTATUS status = RegQueryValueExW(key, NoCaseKey(path).c_str(), nullptr, &type, stored.data(), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_BINARY) return false;
    stored.resize(size);
    return stored == id;
  }
  FileOwner OwnerOf(HANDLE h) override {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &sd) != ERROR_SUCCESS)
      return FileOwner::kOther;
    FileOwner kind = FileOwner::kOther;
    if (owner && IsAdminSid(owner)) kind = FileOwner::kAdmins;
    else if (owner && IsSelf(owner)) kind = FileOwner::kSelf;
    LocalFree(sd);
    return kind;
  }
  bool Register(const std::wstring& path, HANDLE h, DWORD* code) override {
    std::vector<BYTE> id;
    if (!FileIdentity(h, &id)) {
      *code = GetLastError();
      return false;
    }
    HKEY key = nullptr;
    *code = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRegistryKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                            nullptr, &key, nullptr);
    if (*code != ERROR_SUCCESS) return false;
    *code = RegSetValueExW(key, NoCaseKey(path).c_str(), 0, REG_BINARY, id.data(), static_cast<DWORD>(id.size()));
    RegCloseKey(key);
    return *code == ERROR_SUCCESS;
  }
  void Unregister(const std::wstring& path) override {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRegistryKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
      return;
    RegDeleteValueW(key, NoCaseKey(path).c_str());
    RegCloseKey(key);
  }

 private:
  static bool IsSelf(PSID sid) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    BYTE buf[256];
    DWORD size = 0;
    bool same = GetTokenInformation(token, TokenUser, buf, sizeof buf, &size) &&
                EqualSid(sid, reinterpret_cast<TOKEN_USER*>(buf)->User.Sid);
    CloseHandle(token);
    return same;
  }
};

// At namespace scope, as every object of the two programs: a function-local
// static would need a thread-safe guard, which brings the exception runtime
// and winpthread into the programs.
SystemFacts system_facts;
SECURITY_ATTRIBUTES journal_attributes = {sizeof journal_attributes, nullptr, FALSE};

}  // namespace

JournalFacts& SystemJournalFacts() { return system_facts; }

JournalTrust DecideJournalTrust(bool elevated, bool registered, FileOwner owner) {
  if (elevated) return registered ? JournalTrust::kTrusted : JournalTrust::kNotFromElevatedRun;
  return owner == FileOwner::kOther ? JournalTrust::kOtherUsers : JournalTrust::kTrusted;
}

SECURITY_ATTRIBUTES* JournalSecurity(JournalFacts& facts) {
  SECURITY_ATTRIBUTES& attributes = journal_attributes;
  if (!facts.Elevated()) return nullptr;
  if (!attributes.lpSecurityDescriptor &&
      !ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)", SDDL_REVISION_1,
                                                            &attributes.lpSecurityDescriptor, nullptr))
    return nullptr;
  return &attributes;
}

}  // namespace stub
