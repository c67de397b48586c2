// Where the uninstaller's cleanup copy runs from: the choices, through a fake
// system, and the real system calls as far as wine can show them.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <deque>
#include <set>

#include "cleanup_folder.h"
#include "stub_test_util.h"

namespace stub {
namespace {

using stubtest::Exists;
using stubtest::ReadFile;
using stubtest::ScratchDir;
using stubtest::WriteFile;

class FakeCleanup : public CleanupSystem {
 public:
  bool Elevated() override { return elevated; }
  std::wstring MachineTempFolder() override { return L"C:\\Windows\\Temp"; }
  std::wstring UserTempFolder() override { return L"C:\\Users\\u\\Temp"; }
  bool RandomName(std::wstring* name) override {
    if (names.empty()) return false;
    *name = names.front();
    names.pop_front();
    return true;
  }
  unsigned long MakeFolder(const std::wstring& folder, bool admins_only) override {
    made.push_back(folder);
    restricted = admins_only;
    return existing.count(folder) ? ERROR_ALREADY_EXISTS : 0;
  }
  unsigned long CopyNew(const std::wstring&, const std::wstring& to) override {
    copied.push_back(to);
    return copy_error;
  }
  void RemoveFolder(const std::wstring& folder) override { removed.push_back(folder); }

  bool elevated = false;
  std::deque<std::wstring> names;
  std::set<std::wstring> existing;
  unsigned long copy_error = 0;
  bool restricted = false;
  std::vector<std::wstring> made, copied, removed;
};

const std::wstring kA(32, L'a'), kB(32, L'b'), kC(32, L'c');

TEST(CleanupFolder, ElevatedTheCopyGoesIntoAFreshAdminsOnlyFolderOfTheSystem) {
  FakeCleanup sys;
  sys.elevated = true;
  sys.names = {kA, kB};
  CleanupCopy copy;
  std::wstring err;
  ASSERT_TRUE(MakeCleanupCopy(sys, L"C:\\App\\uninst.exe", &copy, &err)) << err;
  EXPECT_EQ(copy.folder, L"C:\\Windows\\Temp\\~qr" + kA + L".tmp");
  EXPECT_EQ(copy.program, copy.folder + L"\\" + kB + L".exe");
  EXPECT_TRUE(sys.restricted);
  EXPECT_EQ(sys.copied, std::vector<std::wstring>{copy.program});
  EXPECT_TRUE(sys.removed.empty());
}

TEST(CleanupFolder, NotElevatedTheCopyGoesIntoAFreshFolderOfTheUsersTemp) {
  FakeCleanup sys;
  sys.names = {kA, kB};
  CleanupCopy copy;
  std::wstring err;
  ASSERT_TRUE(MakeCleanupCopy(sys, L"C:\\App\\uninst.exe", &copy, &err)) << err;
  EXPECT_EQ(copy.folder, L"C:\\Users\\u\\Temp\\~qr" + kA + L".tmp");
  EXPECT_FALSE(sys.restricted);
}

TEST(CleanupFolder, AFolderThatExistsIsNeverUsedAndFailuresLeaveNothing) {
  // Taken: the next random name, never the taken folder.
  FakeCleanup sys;
  sys.names = {kA, kB, kC};
  sys.existing = {L"C:\\Users\\u\\Temp\\~qr" + kA + L".tmp"};
  CleanupCopy copy;
  std::wstring err;
  ASSERT_TRUE(MakeCleanupCopy(sys, L"C:\\App\\uninst.exe", &copy, &err)) << err;
  EXPECT_EQ(copy.folder, L"C:\\Users\\u\\Temp\\~qr" + kB + L".tmp");
  EXPECT_EQ(copy.program, copy.folder + L"\\" + kC + L".exe");

  // Every name taken (someone is guessing): a bounded number of tries, then a failure.
  FakeCleanup guessed;
  for (int i = 0; i < 10; ++i) {
    std::wstring n(32, static_cast<wchar_t>(L'0' + i));
    guessed.names.push_back(n);
    guessed.existing.insert(L"C:\\Users\\u\\Temp\\~qr" + n + L".tmp");
  }
  EXPECT_FALSE(MakeCleanupCopy(guessed, L"C:\\App\\uninst.exe", &copy, &err));
  EXPECT_LE(guessed.made.size(), 4u);
  EXPECT_TRUE(guessed.copied.empty());
  EXPECT_EQ(err.rfind(L"无法把卸载程序复制到临时文件夹：", 0), 0u) << stubtest::Narrow(err);

  // The copy fails: the fresh folder goes again.
  FakeCleanup no_copy;
  no_copy.names = {kA, kB};
  no_copy.copy_error = ERROR_DISK_FULL;
  EXPECT_FALSE(MakeCleanupCopy(no_copy, L"C:\\App\\uninst.exe", &copy, &err));
  EXPECT_EQ(no_copy.removed, std::vector<std::wstring>{L"C:\\Users\\u\\Temp\\~qr" + kA + L".tmp"});
  EXPECT_NE(err.find(L"~qr" + kA), std::wstring::npos);

  // No random source: nothing is made.
  FakeCleanup no_random;
  EXPECT_FALSE(MakeCleanupCopy(no_random, L"C:\\App\\uninst.exe", &copy, &err));
  EXPECT_TRUE(no_random.made.empty());
}

// The access list of the elevated run's folder, as the system reads it:
// protected from inheritance, full control for SYSTEM and Administrators and
// for no one else, passed on to what is created inside.
TEST(CleanupFolder, TheAdminsOnlyAccessListNamesSystemAndAdministratorsOnly) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminsOnlySecurity, SDDL_REVISION_1,
                                                                   &sd, nullptr));
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ASSERT_TRUE(GetSecurityDescriptorControl(sd, &control, &revision));
  EXPECT_TRUE(control & SE_DACL_PROTECTED);
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted));
  ASSERT_TRUE(present && dacl);
  ASSERT_EQ(dacl->AceCount, 2);
  std::set<WELL_KNOWN_SID_TYPE> who;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, &ace));
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(allowed->Header.AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE),
              OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    EXPECT_EQ(allowed->Mask, static_cast<DWORD>(FILE_ALL_ACCESS));
    for (WELL_KNOWN_SID_TYPE type : {WinLocalSystemSid, WinBuiltinAdministratorsSid})
      if (IsWellKnownSid(&allowed->SidStart, type)) who.insert(type);
  }
  EXPECT_EQ(who, (std::set<WELL_KNOWN_SID_TYPE>{WinLocalSystemSid, WinBuiltinAdministratorsSid}));
  LocalFree(sd);
}

TEST(CleanupFolder, TheSystemsCallsMakeFreshUnforeseeableNames) {
  ScratchDir dir(L"cleanup");
  std::wstring uninstaller = dir / L"uninst.exe";
  WriteFile(uninstaller, stubtest::MakeData(200000, 7));
  std::unique_ptr<CleanupSystem> sys = SystemCleanup();
  CleanupCopy first, second;
  std::wstring err;
  ASSERT_TRUE(MakeCleanupCopy(*sys, uninstaller, &first, &err)) << stubtest::Narrow(err);
  ASSERT_TRUE(MakeCleanupCopy(*sys, uninstaller, &second, &err)) << stubtest::Narrow(err);
  EXPECT_EQ(ReadFile(first.program), ReadFile(uninstaller));
  EXPECT_NE(first.folder, second.folder);
  EXPECT_NE(first.program.substr(first.folder.size()), second.program.substr(second.folder.size()));
  EXPECT_EQ(first.folder.substr(0, first.folder.rfind(L'\\')),
            sys->Elevated() ? sys->MachineTempFolder() : sys->UserTempFolder());
  // Created only when new: neither the folder nor the file is ever reused.
  EXPECT_EQ(sys->MakeFolder(first.folder, false), static_cast<unsigned long>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(sys->CopyNew(uninstaller, first.program), static_cast<unsigned long>(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadFile(first.program), ReadFile(uninstaller));
  for (const CleanupCopy& c : {first, second}) {
    DeleteFileW(c.program.c_str());
    EXPECT_TRUE(RemoveDirectoryW(c.folder.c_str()));
  }
  std::cout << "elevated under this system: " << sys->Elevated() << "\n";
}

}  // namespace
}  // namespace stub
