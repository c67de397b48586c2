// The decisions around an install: product identity, version order, files
// in use (with a fake in place of the Restart Manager), elevation (with a
// fake in place of the system's "runas") and the undo of small files and
// registry keys.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>

#include "command_line.h"
#include "elevation.h"
#include "file_in_use.h"
#include "install_transaction.h"
#include "product.h"
#include "self_delete.h"
#include "setup_elevation.h"
#include "stub_test_util.h"
#include "uninstall_entry.h"
#include "win_util.h"

namespace stub {
namespace {

using stubtest::Exists;
using stubtest::ReadFile;
using stubtest::ScratchDir;
using stubtest::WriteFile;

TEST(ProductKeyName, OnePairOneKeyAndEveryKeyValid) {
  std::wstring a = ProductKeyName(L"测试软件", L"Quorin");
  EXPECT_EQ(a, ProductKeyName(L"测试软件", L"Quorin"));
  EXPECT_EQ(a.substr(0, 5), L"测试软件_");
  std::set<std::wstring> keys = {a,
                                 ProductKeyName(L"测试软件", L"Other"),
                                 ProductKeyName(L"测试软件2", L"Quorin"),
                                 ProductKeyName(L"测试软件", L""),
                                 ProductKeyName(L"ab", L"c"),
                                 ProductKeyName(L"a", L"bc")};
  EXPECT_EQ(keys.size(), 6u);
  for (const std::wstring& name : {std::wstring(L"a\\b"), std::wstring(300, L'x'), std::wstring(),
                                   std::wstring(L"tab\there")}) {
    std::wstring k = ProductKeyName(name, L"p");
    EXPECT_EQ(k.find(L'\\'), std::wstring::npos);
    EXPECT_LE(k.size(), 81u);
    for (wchar_t c : k) EXPECT_GE(c, 0x20);
  }
}

TEST(CompareVersions, ByNumbersNotByText) {
  EXPECT_LT(CompareVersions(L"1.9", L"1.10"), 0);
  EXPECT_GT(CompareVersions(L"2.0.1", L"2.0"), 0);
  EXPECT_EQ(CompareVersions(L"2.0", L"2.0.0"), 0);
  EXPECT_LT(CompareVersions(L"v1.2.3", L"版本 1.3"), 0);
  EXPECT_GT(CompareVersions(L"10", L"9.99"), 0);
  EXPECT_EQ(CompareVersions(L"beta", L"1.0"), 0);  // nothing known
  EXPECT_EQ(CompareVersions(L"", L""), 0);
  EXPECT_GT(CompareVersions(L"99999999999999999999999", L"1"), 0);
}

TEST(Rights, APerMachineEntryWithoutRightsElevatesOnce) {
  EXPECT_EQ(DecideRights(Scope::kMachine, true, false), RightsDecision::kProceed);
  EXPECT_EQ(DecideRights(Scope::kUser, true, false), RightsDecision::kProceed);
  EXPECT_EQ(DecideRights(Scope::kMachine, false, false), RightsDecision::kElevate);
  // The elevated run that still lacks the rights says so instead of asking again.
  EXPECT_EQ(DecideRights(Scope::kMachine, false, true), RightsDecision::kRefuse);
  EXPECT_EQ(DecideRights(Scope::kUser, false, false), RightsDecision::kRefuse);

  // The elevated run gets the marker and the original switches, and sees them.
  std::wstring args = ElevatedArgs(L"/S");
  StubArgs parsed = ParseArgs(args);
  EXPECT_TRUE(parsed.elevated);
  EXPECT_TRUE(parsed.silent);
  EXPECT_FALSE(ParseArgs(L"/S").elevated);
  EXPECT_TRUE(ParseArgs(ElevatedArgs(L"")).elevated);
}

TEST(CommandLine, TheCleanupPassGetsItsFolders) {
  StubArgs a = ParseArgs(L"/_CLEANUP=123:C:\\a b\\App\\uninst.exe|C:\\a b|C:\\x", Program::kUninstaller);
  EXPECT_EQ(a.wait_handle, 123u);
  EXPECT_EQ(a.cleanup_target, L"C:\\a b\\App\\uninst.exe");
  EXPECT_EQ(a.cleanup_folders, (std::vector<std::wstring>{L"C:\\a b", L"C:\\x"}));
  EXPECT_TRUE(ParseArgs(L"/_CLEANUP=1:C:\\u.exe", Program::kUninstaller).cleanup_folders.empty());
}

class FakeUsers : public FileUsers {
 public:
  std::vector<std::wstring> ProgramsUsing(const std::wstring& file) override {
    asked.push_back(file);
    return programs;
  }
  std::vector<std::wstring> programs;
  std::vector<std::wstring> asked;
};

TEST(FilesInUse, TheMessageNamesTheFileAndTheProgramsHoldingIt) {
  std::wstring m = InUseMessage(L"无法替换文件", L"C:\\App\\app.exe", {L"记事本", L"App"});
  EXPECT_EQ(m, L"无法替换文件“C:\\App\\app.exe”，它正在被其他程序使用。\r\n正在使用它的程序：记事本、App");
  EXPECT_EQ(InUseMessage(L"无法删除文件", L"C:\\x", {}), L"无法删除文件“C:\\x”，它正在被其他程序使用。");
}

TEST(FilesInUse, RetryLooksAgainUntilTheFileIsFreeOrTheUserGivesUp) {
  FakeUsers users;
  users.programs = {L"Editor"};
  int busy_rounds = 2;
  auto first = [&]() { return busy_rounds-- > 0 ? std::wstring(L"C:\\a.dll") : std::wstring(); };
  std::vector<std::wstring> shown;
  std::wstring left = WaitUntilFree(first, users, L"无法替换文件", [&](const std::wstring& m) {
    shown.push_back(m);
    return true;  // retry
  });
  EXPECT_EQ(left, L"");
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[0].find(L"Editor"), std::wstring::npos);
  EXPECT_NE(shown[0].find(L"重试"), std::wstring::npos);
  EXPECT_EQ(users.asked, (std::vector<std::wstring>{L"C:\\a.dll", L"C:\\a.dll"}));

  busy_rounds = 100;
  left = WaitUntilFree(first, users, L"无法替换文件", [](const std::wstring&) { return false; });
  EXPECT_EQ(left, L"C:\\a.dll");
}

TEST(FilesInUse, AFileHeldWithoutSharingIsInUseUntilClosed) {
  ScratchDir dir(L"inuse");
  std::wstring f = dir / L"held.bin", g = dir / L"free.bin";
  WriteFile(f, "x");
  WriteFile(g, "y");
  EXPECT_FALSE(IsFileInUse(f));
  HANDLE h = CreateFileW(f.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(IsFileInUse(f));
  EXPECT_EQ(FirstFileInUse({g, dir / L"missing", f}), f);
  CloseHandle(h);
  EXPECT_FALSE(IsFileInUse(f));
  EXPECT_EQ(FirstFileInUse({g, f}), L"");
  EXPECT_FALSE(IsFileInUse(dir.path()));  // a folder is never "in use"
}

TEST(InstallTransaction, SmallFilesFoldersAndKeysComeBackOnRollback) {
  ScratchDir dir(L"undo");
  std::wstring kept = dir / L"links\\kept.lnk", made = dir / L"links\\made.lnk";
  WriteFile(kept, "old link");
  std::wstring key = L"QrStubTestUndo" + std::to_wstring(GetCurrentProcessId());
  UninstallEntry before;
  before.display_name = L"旧版本";
  before.display_version = L"1.0";
  std::string err;
  ASSERT_TRUE(WriteUninstallEntry(Scope::kUser, key, before, &err)) << err;
  {
    InstallTransaction tx(dir / L"App");
    std::wstring e;
    ASSERT_TRUE(tx.MakeFolders(dir / L"new\\group", &e));
    // The install folder is made with the first step: the journal lives in it.
    EXPECT_EQ(tx.created_folders(),
              (std::vector<std::wstring>{dir / L"App", dir / L"new", dir / L"new\\group"}));
    ASSERT_TRUE(tx.KeepForUndo(kept, &e)) << stubtest::Narrow(e);
    WriteFile(kept, "new link");
    ASSERT_TRUE(tx.KeepForUndo(made, &e)) << stubtest::Narrow(e);
    WriteFile(made, "made");
    ASSERT_TRUE(tx.NoteKey(Scope::kUser, key, &e)) << stubtest::Narrow(e);
    UninstallEntry after = before;
    after.display_version = L"2.0";
    ASSERT_TRUE(WriteUninstallEntry(Scope::kUser, key, after, &err));
    EXPECT_EQ(tx.Rollback(), L"");
  }
  EXPECT_EQ(ReadFile(kept), "old link");
  EXPECT_FALSE(Exists(made));
  EXPECT_FALSE(Exists(dir / L"new"));
  FoundEntry found;
  wchar_t version[64] = {};
  DWORD bytes = sizeof version;
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER,
                         (L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key).c_str(),
                         L"DisplayVersion", RRF_RT_REG_SZ, nullptr, version, &bytes),
            ERROR_SUCCESS);
  EXPECT_STREQ(version, L"1.0");
  DeleteUninstallEntry(Scope::kUser, key);
}

// The uninstaller's cleanup copy is removed by the command processor once
// the copy ends, and then its folder: it waits for its input to end first.
TEST(SelfDelete, TheCommandProcessorDeletesTheFileOnceItsInputEnds) {
  ScratchDir dir(L"self del");
  std::wstring folder = dir / L"a b & c (1)";
  std::wstring file = folder + L"\\~qruninst_test.exe";
  WriteFile(file, "the copy");
  void* input = nullptr;
  void* process = nullptr;
  ASSERT_TRUE(StartDeleteWhenFree(file, folder, &input, &process));
  EXPECT_TRUE(Exists(file));  // still waiting for its input
  CloseHandle(input);
  EXPECT_EQ(WaitForSingleObject(process, 60000), WAIT_OBJECT_0);
  CloseHandle(process);
  EXPECT_FALSE(Exists(file));
  EXPECT_FALSE(Exists(folder));
}

TEST(SystemError, TheLeadIsOursAndTheReasonTheSystems) {
  std::wstring m = SystemError(L"无法创建文件夹：", L"C:\\x", ERROR_ACCESS_DENIED);
  EXPECT_EQ(m.substr(0, 15), L"无法创建文件夹：“C:\\x”（");
  EXPECT_EQ(m.back(), L'）');
  EXPECT_EQ(SystemErrorText(0x7FFFFFF0), L"错误代码 2147483632");
}

// The program of option 1, started from a window that no unprivileged run
// waits for: elevated, through the desktop shell (the user's rights); the
// shell missing, or not elevated, by this process. Wine shows no elevation:
// the decision is tested with fakes.
TEST(RunAfterInstall, AnElevatedWindowStartsTheProgramThroughTheDesktopShell) {
  struct FakeShell : DesktopShell {
    bool present = true;
    std::vector<std::wstring> asked;
    bool StartAsDesktopUser(const std::wstring& program) override {
      asked.push_back(program);
      return present;
    }
  };
  struct FakeStarter : ProgramStarter {
    std::vector<std::wstring> started;
    void Start(const std::wstring& program) override { started.push_back(program); }
  };
  const std::wstring app = L"C:\\Program Files\\App\\app.exe";
  struct Case {
    bool elevated, shell_present;
    ProgramStartedBy by;
    size_t asked, started;
  };
  for (Case c : {Case{true, true, ProgramStartedBy::kDesktopShell, 1, 0},
                 Case{true, false, ProgramStartedBy::kThisProcess, 1, 1},
                 Case{false, true, ProgramStartedBy::kThisProcess, 0, 1},
                 Case{false, false, ProgramStartedBy::kThisProcess, 0, 1}}) {
    FakeShell shell;
    shell.present = c.shell_present;
    FakeStarter direct;
    EXPECT_EQ(StartInstalledProgram(app, c.elevated, shell, direct), c.by);
    EXPECT_EQ(shell.asked.size(), c.asked) << c.elevated << c.shell_present;
    EXPECT_EQ(direct.started.size(), c.started) << c.elevated << c.shell_present;
    for (const std::wstring& p : shell.asked) EXPECT_EQ(p, app);
    for (const std::wstring& p : direct.started) EXPECT_EQ(p, app);
  }
}

}  // namespace
}  // namespace stub
