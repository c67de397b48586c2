// Whose journal a recovery takes: an elevated run only one an elevated run
// registered, another run only its own user's or an administrator's. Wine
// cannot show file owners or access lists as Windows keeps them, so the
// facts come from a fake here; the end-to-end test (trust_test.cc) plants
// an unregistered journal for the real programs.
#include "journal_trust.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "install_transaction.h"
#include "stub_test_util.h"
#include "transaction_recovery.h"

namespace stub {
namespace {

using stubtest::Narrow;
using stubtest::ReadFile;
using stubtest::ScratchDir;
using stubtest::WriteFile;

TEST(JournalTrust, AnElevatedRunTakesOnlyARegisteredJournal) {
  for (FileOwner owner : {FileOwner::kAdmins, FileOwner::kSelf, FileOwner::kOther}) {
    EXPECT_EQ(DecideJournalTrust(true, true, owner), JournalTrust::kTrusted);
    // Owned by Administrators is not enough: the owner of a file an
    // elevated run makes depends on the token's defaults, and a user's
    // program may own a file it planted.
    EXPECT_EQ(DecideJournalTrust(true, false, owner), JournalTrust::kNotFromElevatedRun);
  }
  EXPECT_EQ(DecideJournalTrust(false, false, FileOwner::kSelf), JournalTrust::kTrusted);
  EXPECT_EQ(DecideJournalTrust(false, true, FileOwner::kAdmins), JournalTrust::kTrusted);
  EXPECT_EQ(DecideJournalTrust(false, false, FileOwner::kOther), JournalTrust::kOtherUsers);
}

class FakeFacts : public JournalFacts {
 public:
  bool elevated = true;
  bool registered = false;
  FileOwner owner = FileOwner::kSelf;
  int unregistered = 0;
  bool Elevated() override { return elevated; }
  bool Registered(const std::wstring&, HANDLE) override { return registered; }
  FileOwner OwnerOf(HANDLE) override { return owner; }
  bool Register(const std::wstring&, HANDLE, DWORD*) override { return true; }
  void Unregister(const std::wstring&) override { ++unregistered; }
};

constexpr wchar_t kTestKey[] = L"QrJournalTrustTest";
const std::wstring kKeyPath = std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kTestKey;

std::wstring KeyValue() {
  wchar_t buf[64] = {};
  DWORD bytes = sizeof buf;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kKeyPath.c_str(), L"DisplayName", RRF_RT_REG_SZ, nullptr, buf, &bytes) !=
      ERROR_SUCCESS)
    return L"<none>";
  return buf;
}
void SetKeyValue(const wchar_t* value) {
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, kKeyPath.c_str(), L"DisplayName", REG_SZ, value,
                  static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
}

// A dead run's journal that replaced a.txt and wrote a machine-wide
// uninstall entry, and a.txt and the entry as the planter wants them.
void LeaveDeadRun(const std::wstring& folder) {
  RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKeyPath.c_str(), KEY_WOW64_64KEY, 0);
  std::wstring a = folder + L"\\a.txt", err;
  WriteFile(a, "old a");
  InstallTransaction tx(folder);
  InstallTransaction::FileSteps steps;
  steps.removed.push_back(a);
  ASSERT_TRUE(tx.Plan(steps, &err)) << Narrow(err);
  ASSERT_TRUE(tx.MoveAside(a, &err)) << Narrow(err);
  ASSERT_TRUE(tx.NoteKey(Scope::kMachine, kTestKey, &err)) << Narrow(err);
  WriteFile(a, "new");
  SetKeyValue(L"planted");
  // Held open, a.txt cannot be put back: the run ends with its journal left.
  HANDLE held = CreateFileW(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_NE(tx.Rollback(), L"");
  CloseHandle(held);
  SetKeyValue(L"planted");  // the rollback restored it; as the journal's planter left it
}

TEST(JournalTrust, AnUntrustedJournalIsNamedAndNothingIsDoneOnItsWord) {
  ScratchDir dir(L"trust");
  std::wstring folder = dir / L"App";
  LeaveDeadRun(folder);
  struct Case {
    bool elevated;
    bool registered;
    FileOwner owner;
    const wchar_t* said;
  };
  for (Case c : {Case{true, false, FileOwner::kAdmins, L"不是以管理员身份运行的程序写下的"},
                 Case{false, false, FileOwner::kOther, L"属于其他用户"}}) {
    FakeFacts facts;
    facts.elevated = c.elevated;
    facts.registered = c.registered;
    facts.owner = c.owner;
    RecoveryResult result;
    std::wstring why;
    EXPECT_FALSE(FinishDeadRuns(folder, &result, &why, facts));
    EXPECT_NE(why.find(c.said), std::wstring::npos) << Narrow(why);
    EXPECT_NE(why.find(folder + L"\\~qrsetup"), std::wstring::npos) << Narrow(why);
    EXPECT_EQ(ReadFile(folder + L"\\a.txt"), "new");
    EXPECT_EQ(KeyValue(), L"planted");
    EXPECT_EQ(facts.unregistered, 0);
  }
  // Registered (or, not elevated, the user's own): the run is undone.
  FakeFacts facts;
  facts.registered = true;
  RecoveryResult result;
  std::wstring why;
  ASSERT_TRUE(FinishDeadRuns(folder, &result, &why, facts)) << Narrow(why);
  EXPECT_EQ(ReadFile(folder + L"\\a.txt"), "old a");
  EXPECT_EQ(KeyValue(), L"<none>");
  EXPECT_EQ(facts.unregistered, 1);
}

TEST(JournalTrust, ARunOfTheUsersOwnIsUndoneWithoutElevation) {
  ScratchDir dir(L"trust_own");
  std::wstring folder = dir / L"App";
  LeaveDeadRun(folder);
  FakeFacts facts;
  facts.elevated = false;
  facts.owner = FileOwner::kSelf;
  RecoveryResult result;
  std::wstring why;
  ASSERT_TRUE(FinishDeadRuns(folder, &result, &why, facts)) << Narrow(why);
  EXPECT_EQ(ReadFile(folder + L"\\a.txt"), "old a");
  EXPECT_EQ(KeyValue(), L"<none>");
}

}  // namespace
}  // namespace stub
