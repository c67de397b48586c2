// What setup refuses before it writes anything, and how the window's cancel
// meets the worker: forbidden folders (by text, through junctions and short
// names), the room on the disk, and the gate that pauses an install while
// the question is open.
#include "setup_flow.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "disk_space.h"
#include "forbidden_folders.h"
#include "install_gate.h"
#include "stub_test_util.h"
#include "win_util.h"

namespace stub {
namespace {

using stubtest::Exists;
using stubtest::ScratchDir;

ForbiddenPlaces SamplePlaces() {
  ForbiddenPlaces p;
  p.exact = {L"C:\\Program Files", L"C:\\ProgramData", L"C:\\Users\\bob\\Documents"};
  p.with_below = {L"C:\\Windows"};
  p.child_of = {L"C:\\Users"};
  return p;
}

TEST(ForbiddenFolders, RootsSystemFoldersAndUserFoldersThemselvesButNotBelowThem) {
  ForbiddenPlaces p = SamplePlaces();
  for (const wchar_t* bad :
       {L"C:\\", L"D:\\", L"\\\\server\\share", L"c:\\program files", L"C:\\PROGRAMDATA",
        L"C:\\Windows", L"c:\\windows\\system32", L"C:\\Windows\\Temp\\App", L"C:\\Users\\bob",
        L"C:\\Users\\alice", L"C:\\Users\\bob\\documents"})
    EXPECT_TRUE(IsForbiddenText(CanonicalFolderText(bad), p)) << stubtest::Narrow(bad);
  for (const wchar_t* good :
       {L"C:\\Program Files\\App", L"C:\\ProgramData\\Vendor\\App", L"C:\\Users\\bob\\Apps\\X",
        L"C:\\Users\\bob\\Documents\\Tools", L"C:\\Windowsish", L"\\\\server\\share\\App",
        L"D:\\Apps"})
    EXPECT_FALSE(IsForbiddenText(CanonicalFolderText(good), p)) << stubtest::Narrow(good);
}

TEST(ForbiddenFolders, TheTextIsMadeCanonicalFirst) {
  EXPECT_EQ(CanonicalFolderText(L"\\\\?\\C:\\Windows. \\"), L"C:\\Windows");
  EXPECT_EQ(CanonicalFolderText(L"\\\\?\\UNC\\srv\\share\\a"), L"\\\\srv\\share\\a");
  EXPECT_EQ(CanonicalFolderText(L"c:/x/./y/../z.. /"), L"C:\\x\\z");
  EXPECT_EQ(CanonicalFolderText(L"C:"), L"C:\\");
  ForbiddenPlaces p = SamplePlaces();
  std::wstring why;
  EXPECT_TRUE(IsForbiddenFolder(L"\\\\?\\c:\\Program Files. ", p, &why));
  EXPECT_NE(why.find(L"C:\\Program Files"), std::wstring::npos);
  std::wstring folder;
  ASSERT_TRUE(NormalizeFolder(L"C:\\Windows.\\System32. ", &folder));
  EXPECT_EQ(folder, L"C:\\Windows\\System32");
}

TEST(ForbiddenFolders, AShortNameOfAForbiddenFolderIsForbidden) {
  ScratchDir dir(L"forbid");
  std::wstring guarded = dir / L"Guarded Folder With A Long Name";
  CreateDirectoryW(guarded.c_str(), nullptr);
  ForbiddenPlaces p;
  p.exact = {ResolvedFolder(guarded)};
  std::wstring why;
  EXPECT_TRUE(IsForbiddenFolder(guarded, p, &why));
  EXPECT_FALSE(IsForbiddenFolder(guarded + L"\\App", p, &why));
  wchar_t short_name[MAX_PATH];
  DWORD n = GetShortPathNameW(guarded.c_str(), short_name, MAX_PATH);
  ASSERT_TRUE(n > 0 && n < MAX_PATH);
  ASSERT_NE(LastSegment(short_name), LastSegment(guarded)) << stubtest::Narrow(short_name);
  EXPECT_TRUE(IsForbiddenFolder(short_name, p, &why)) << stubtest::Narrow(short_name);
  EXPECT_NE(why.find(short_name), std::wstring::npos);  // named as the user wrote it
}

TEST(ForbiddenFolders, AJunctionToAForbiddenFolderIsForbidden) {
  ScratchDir dir(L"forbid");
  std::wstring guarded = dir / L"guarded";
  CreateDirectoryW(guarded.c_str(), nullptr);
  ForbiddenPlaces p;
  p.exact = {ResolvedFolder(guarded)};
  std::wstring link = dir / L"link";
  // Wine 8 makes no working junction: this runs on Windows only.
  if (!stubtest::MakeJunction(link, guarded) || !FolderExists(link))
    GTEST_SKIP() << "the system makes no junctions";
  std::wstring why;
  EXPECT_TRUE(IsForbiddenFolder(link, p, &why));
  EXPECT_NE(why.find(link), std::wstring::npos);
  EXPECT_FALSE(IsForbiddenFolder(link + L"\\App", p, &why));
  RemoveDirectoryW(link.c_str());
}

TEST(ForbiddenFolders, TheSystemsOwnPlacesAreForbidden) {
  ForbiddenPlaces p = SystemForbiddenPlaces();
  wchar_t windows[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  std::wstring why;
  EXPECT_TRUE(IsForbiddenFolder(std::wstring(windows) + L"\\System32", p, &why));
  EXPECT_TRUE(IsForbiddenFolder(std::wstring(windows, 3), p, &why));
  wchar_t profile[MAX_PATH];
  ASSERT_GT(GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH), 0u);
  EXPECT_TRUE(IsForbiddenFolder(profile, p, &why));
  EXPECT_TRUE(IsForbiddenFolder(std::wstring(profile) + L"\\Desktop", p, &why));
  ScratchDir dir(L"allowed");
  EXPECT_FALSE(IsForbiddenFolder(dir / L"App", p, &why)) << stubtest::Narrow(why);
}

// A package whose one file is larger than any disk.
class HugePackage : public PackageSource {
 public:
  const SetupConfig& config() const override { return config_; }
  const std::vector<OptionRecord>& options() const override { return options_; }
  const std::vector<FileRecord>& files() const override { return files_; }
  bool Extract(size_t, const std::wstring&, const ProgressFn&, std::string*) override {
    ADD_FAILURE() << "nothing may be written";
    return false;
  }
  SetupConfig config_{L"Test", L"TestDir", L"Pub", L"1.0"};
  std::vector<OptionRecord> options_;
  std::vector<FileRecord> files_{{L"huge.bin", int64_t{1} << 60}, {L"uninst.exe", 10}};
};

TEST(InstallPackage, ADiskWithoutRoomIsNamedBeforeAnythingIsWritten) {
  ScratchDir dir(L"room");
  HugePackage pkg;
  SetupDecision decision;
  std::wstring folder = dir / L"App";
  InstallOutcome outcome;
  EXPECT_FALSE(InstallPackage(pkg, decision, folder, nullptr, nullptr, &outcome));
  EXPECT_EQ(outcome.message.find(text::kDiskFullPrefix), 0u) << stubtest::Narrow(outcome.message);
  EXPECT_NE(outcome.message.find(folder), std::wstring::npos);
  EXPECT_NE(outcome.message.find(L"1048576.0 TB"), std::wstring::npos);  // 2^60 bytes
  EXPECT_EQ(outcome.message.find(L"安装包已损坏"), std::wstring::npos);
  EXPECT_FALSE(Exists(folder));
}

// A package whose second file finds the disk full while it is written.
class FullDiskPackage : public HugePackage {
 public:
  FullDiskPackage() { files_ = {{L"a.txt", 4}, {L"b.bin", 4000}, {L"uninst.exe", 4}}; }
  bool Extract(size_t i, const std::wstring& dest, const ProgressFn&, std::string* err) override {
    stubtest::WriteFile(dest, "data");
    if (i != 1) return true;
    *err = stubtest::Narrow(DiskFullMessage(ParentOf(dest), 3996, 0));
    return false;
  }
};

TEST(InstallPackage, ADiskThatFillsUpIsNamedAsTheInstallFolderAndWhatItNeeds) {
  ScratchDir dir(L"full");
  FullDiskPackage pkg;
  SetupDecision decision;
  std::wstring folder = dir / L"App";
  InstallOutcome outcome;
  EXPECT_FALSE(InstallPackage(pkg, decision, folder, nullptr, nullptr, &outcome));
  EXPECT_EQ(outcome.message.find(std::wstring(text::kFailedPrefix) + text::kDiskFullPrefix + L"“" +
                                 folder + L"”" + text::kDiskFullNeeds + L"4 KB"),
            0u)
      << stubtest::Narrow(outcome.message);
  EXPECT_FALSE(Exists(folder));
}

TEST(DiskSpace, SizesReadAsPeopleReadThem) {
  EXPECT_EQ(ReadableSize(1), L"1 KB");
  EXPECT_EQ(ReadableSize(512 * 1024), L"512 KB");
  EXPECT_EQ(ReadableSize(12 * 1024 * 1024 + 300 * 1024), L"12.3 MB");
  EXPECT_EQ(ReadableSize(uint64_t{3} << 30), L"3.0 GB");
  EXPECT_TRUE(IsDiskFullCode(ERROR_DISK_FULL));
  EXPECT_TRUE(IsDiskFullCode(ERROR_HANDLE_DISK_FULL));
  EXPECT_FALSE(IsDiskFullCode(ERROR_ACCESS_DENIED));
}

// Two files, the second of which cancels the install while it is written
// and then, when fail is set, fails for a reason of its own.
class CancellingPackage : public PackageSource {
 public:
  const SetupConfig& config() const override { return config_; }
  const std::vector<OptionRecord>& options() const override { return options_; }
  const std::vector<FileRecord>& files() const override { return files_; }
  bool Extract(size_t i, const std::wstring& dest, const ProgressFn&, std::string* err) override {
    stubtest::WriteFile(dest, "data");
    if (i == 1 && gate) {
      gate->Cancel();
      if (fail) {
        *err = "the stream ends early";
        return false;
      }
    }
    return true;
  }
  InstallGate* gate = nullptr;
  bool fail = false;
  SetupConfig config_{L"Test", L"TestDir", L"Pub", L"1.0"};
  std::vector<OptionRecord> options_;
  std::vector<FileRecord> files_{{L"a.txt", 4}, {L"b.txt", 4}, {L"uninst.exe", 4}};
};

TEST(InstallPackage, ACancelUndoesTheInstallButAFailureIsReportedAsTheFailure) {
  ScratchDir dir(L"cancel");
  std::wstring folder = dir / L"App";
  SetupDecision decision;
  for (bool fail : {false, true}) {
    CancellingPackage pkg;
    InstallGate gate;
    pkg.gate = &gate;
    pkg.fail = fail;
    InstallOutcome outcome;
    EXPECT_FALSE(InstallPackage(pkg, decision, folder, nullptr, &gate, &outcome));
    EXPECT_FALSE(Exists(folder)) << fail;
    EXPECT_EQ(outcome.cancelled, !fail);
    if (fail) EXPECT_NE(outcome.message.find(L"the stream ends early"), std::wstring::npos);
    else EXPECT_EQ(outcome.message, text::kCancelled);
  }
}

TEST(InstallGate, ThePausedWorkerWaitsAndNothingCommitsWhileTheQuestionIsOpen) {
  InstallGate gate;
  ASSERT_TRUE(gate.Pause());
  std::atomic<int> steps{0};
  std::thread worker([&] {
    while (gate.Proceed() && steps < 1000) ++steps;
  });
  Sleep(100);
  EXPECT_EQ(steps.load(), 0);  // waiting at its first step
  gate.Resume();
  worker.join();
  EXPECT_EQ(steps.load(), 1000);

  ASSERT_TRUE(gate.Pause());
  std::atomic<int> committed{-1};
  std::thread committer([&] { committed = gate.BeginCommit() ? 1 : 0; });
  Sleep(100);
  EXPECT_EQ(committed.load(), -1);  // the commit waits for the answer too
  gate.Cancel();
  committer.join();
  EXPECT_EQ(committed.load(), 0);
  EXPECT_FALSE(gate.Proceed());

  InstallGate done;
  ASSERT_TRUE(done.BeginCommit());
  EXPECT_FALSE(done.Pause());  // committing: nothing left to ask about
}

// A product no entry names: what decides the scope is the switch and the
// rights alone.
TEST(DecideSetup, TheScopeFollowsTheSwitchElseTheRightsAndOnlyThenIsThereAChoice) {
  SetupConfig cfg{L"没有安装的产品" + std::to_wstring(GetTickCount64()), L"QrNone", L"无", L"1.0"};
  struct Case {
    bool per_machine, elevated;
    std::optional<Scope> requested;
    DecisionResult result;
    Scope scope;
    ScopeWhy why;
    bool choice, elevation;
  };
  for (const Case& c : {
           // No switch: today's rule, and the window offers the other scope;
           // all users, without the rights, by running again elevated.
           Case{true, false, std::nullopt, DecisionResult::kInstall, Scope::kMachine, ScopeWhy::kRights, true, false},
           Case{false, false, std::nullopt, DecisionResult::kInstall, Scope::kUser, ScopeWhy::kRights, true, true},
           // (An elevated run that still may not write there offers nothing.)
           Case{false, true, std::nullopt, DecisionResult::kInstall, Scope::kUser, ScopeWhy::kRights, false, true},
           // /CURRENTUSER: per user whatever the rights, never elevating.
           Case{true, false, Scope::kUser, DecisionResult::kInstall, Scope::kUser, ScopeWhy::kSwitch, false, false},
           Case{false, false, Scope::kUser, DecisionResult::kInstall, Scope::kUser, ScopeWhy::kSwitch, false, false},
           // /ALLUSERS: elevates without the rights, once.
           Case{true, false, Scope::kMachine, DecisionResult::kInstall, Scope::kMachine, ScopeWhy::kSwitch, false, false},
           Case{false, false, Scope::kMachine, DecisionResult::kElevate, Scope::kUser, ScopeWhy::kRights, false, false},
           Case{false, true, Scope::kMachine, DecisionResult::kRefuse, Scope::kUser, ScopeWhy::kRights, false, false},
       }) {
    SCOPED_TRACE(std::to_string(c.per_machine) + std::to_string(c.elevated) +
                 std::to_string(c.requested ? static_cast<int>(*c.requested) : -1));
    SetupDecision d;
    std::wstring why;
    ASSERT_EQ(DecideSetup(cfg, c.per_machine, c.elevated, c.requested, L"", SamplePlaces(), &d, &why),
              c.result);
    if (c.result == DecisionResult::kRefuse) {
      EXPECT_NE(why.find(L"管理员"), std::wstring::npos);
    }
    if (c.result != DecisionResult::kInstall) continue;
    EXPECT_FALSE(d.upgrade);
    EXPECT_EQ(d.scope, c.scope);
    EXPECT_EQ(d.scope_why, c.why);
    EXPECT_EQ(d.scope_choice, c.choice);
    EXPECT_EQ(d.machine_needs_elevation && d.scope_choice, c.choice && c.elevation);
    EXPECT_EQ(d.folder, DefaultFolder(c.scope, cfg.setup_dir));
    EXPECT_EQ(d.folder_why, FolderWhy::kDefault);
  }
  // /D= names the folder whatever the scope.
  SetupDecision d;
  std::wstring why;
  ASSERT_EQ(DecideSetup(cfg, true, false, Scope::kUser, L"D:\\Apps\\X", SamplePlaces(), &d, &why),
            DecisionResult::kInstall);
  EXPECT_EQ(d.folder, L"D:\\Apps\\X");
  EXPECT_EQ(d.folder_why, FolderWhy::kSwitch);
}

}  // namespace
}  // namespace stub
