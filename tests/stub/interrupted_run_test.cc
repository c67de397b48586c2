// Runs of setup and of the uninstaller that die part-way, for real: test
// builds of both programs end themselves after a given number of steps (as a
// power cut or the task manager would end them), and the next run must
// leave exactly the old install or exactly the new one, one entry, and no
// staging folder or journal.
#include <windows.h>

#include <gtest/gtest.h>

#include "install_e2e.h"
#include "installed_product.h"
#include "journal_file.h"
#include "transaction_recovery.h"
#include "uninstall_entry.h"

namespace stubtest {
namespace {

constexpr wchar_t kStopSwitch[] = L"QR_STOP_AFTER_STEPS";

// install.dat of the test builds, made once per test run.
std::wstring StoppableInstallDat() {
  static ScratchDir dir(L"stoppable");
  static std::wstring path;
  if (path.empty()) {
    path = dir / L"install.dat";
    MakeInstallDat(QR_SETUP_STOPPABLE_EXE, QR_UNINST_STOPPABLE_EXE, path);
  }
  return path;
}

class InterruptedRunTest : public PackageInstallTest {
 protected:
  void SetUp() override {
    PackageInstallTest::SetUp();
    sample_.install_dat = StoppableInstallDat();
    v1_ = Build(sample_, L"v1");
    SamplePackage v2 = Version2();
    v2.install_dat = sample_.install_dat;
    v2_ = Build(v2, L"v2");
    // Other tests leave shortcuts of the same names behind: they are part
    // of what was there before.
    nothing_ = State(folder_);
  }
  void TearDown() override {
    SetEnvironmentVariableW(kStopSwitch, nullptr);
    PackageInstallTest::TearDown();
  }

  // Runs cmdline stopped after n steps: its exit code.
  int RunStopped(const std::wstring& cmdline, int n) {
    SetEnvironmentVariableW(kStopSwitch, std::to_wstring(n).c_str());
    int code = RunProgram(cmdline);
    SetEnvironmentVariableW(kStopSwitch, nullptr);
    return code;
  }
  int Install(const std::wstring& pkg) { return RunSilent(pkg, folder_); }
  std::wstring Uninstaller() { return Quote(folder_ + L"\\uninst.exe") + L" /S"; }

  // What the next run of setup for the product does first.
  void FinishAsSetupWould() {
    std::wstring why;
    stub::SetupConfig config{sample_.app_name, sample_.setup_dir, sample_.publisher, sample_.version};
    ASSERT_TRUE(stub::FinishDeadRunsOfProduct(config, folder_, &why)) << Narrow(why) << JournalText();
  }
  // The staging folders and journals of runs, anywhere in the test's folder.
  std::vector<std::wstring> RunLeftovers() {
    std::vector<std::wstring> out;
    for (const std::wstring& rel : ListTree(dir_.path()))
      if (rel.find(L"~qrsetup") != std::wstring::npos) out.push_back(rel);
    return out;
  }
  std::string JournalText() {
    std::string all;
    for (const std::wstring& rel : ListTree(folder_))
      if (rel.ends_with(stub::kJournalSuffix)) all += ReadFile(folder_ + L"\\" + rel);
    return all;
  }
  size_t EntriesHere() { return stub::EntriesAtFolder(folder_).size(); }
  // Whether the journal a dead run left holds its commit.
  bool DeadRunCommitted() {
    for (const std::wstring& rel : ListTree(folder_))
      if (rel.ends_with(stub::kJournalSuffix) && ReadFile(folder_ + L"\\" + rel).ends_with("\ncommit\n"))
        return true;
    return false;
  }
  void ExpectNothingLeft() {
    EXPECT_EQ(EntryRoot(key_), nullptr);
    EXPECT_FALSE(Exists(dir_ / L"inst"));
    EXPECT_TRUE(State(folder_) == nothing_);
  }

  // Installs v2, then v1 over it; then runs v2 again stopped after 1, 2,
  // ... steps until it ends by itself: each stop leaves exactly the old or
  // exactly the new version once the next run has finished it.
  void StopAnUpgradeAtEveryStep(const std::wstring& v1, const std::wstring& v2) {
    ASSERT_EQ(Install(v2), 0);
    const InstallState new_version = State(folder_);
    ASSERT_EQ(Install(v1), 0);  // an older version over it, silently
    const InstallState old_version = State(folder_);
    ASSERT_EQ(old_version.version, L"1.2.3");
    ASSERT_EQ(new_version.version, L"2.0");

    int undone = 0, stops = 0;
    for (int n = 1;; ++n) {
      int code = RunStopped(Quote(v2) + L" /S", n);
      ASSERT_TRUE(code == static_cast<int>(stub::kStoppedExitCode) || code == 0) << n << ": " << code;
      if (code == 0) break;
      ++stops;
      FinishAsSetupWould();
      EXPECT_EQ(RunLeftovers(), std::vector<std::wstring>{}) << n;
      EXPECT_EQ(EntriesHere(), 1u);
      InstallState now = State(folder_);
      if (now == old_version) {
        ++undone;
        continue;
      }
      EXPECT_TRUE(now == new_version) << "stopped after " << n << " steps";
      ASSERT_EQ(Install(v1), 0);
      ASSERT_TRUE(State(folder_) == old_version);
    }
    EXPECT_GE(undone, 8);
    EXPECT_GT(stops, undone);
    EXPECT_TRUE(State(folder_) == new_version);
  }

  std::wstring v1_, v2_;
  InstallState nothing_;
};

TEST_F(InterruptedRunTest, AnInstallStoppedAtAnyStepIsUndoneOrComplete) {
  ASSERT_EQ(Install(v1_), 0);
  const InstallState full = State(folder_);
  ASSERT_EQ(full.links.size(), 5u);
  ASSERT_EQ(RunProgram(Uninstaller()), 0);
  ASSERT_TRUE(WaitGone(dir_ / L"inst"));
  nothing_ = State(folder_);  // the uninstall took shortcuts of those names too

  int undone = 0, stops = 0;
  for (int n = 1;; ++n) {
    int code = RunStopped(Quote(v1_) + L" /S /D=" + folder_, n);
    ASSERT_TRUE(code == static_cast<int>(stub::kStoppedExitCode) || code == 0) << n << ": " << code;
    if (code == 0) break;
    ++stops;
    FinishAsSetupWould();
    EXPECT_EQ(RunLeftovers(), std::vector<std::wstring>{}) << n;
    if (EntryRoot(key_) == nullptr) {
      ++undone;
      ExpectNothingLeft();
      continue;
    }
    EXPECT_TRUE(State(folder_) == full) << "stopped after " << n << " steps";
    EXPECT_EQ(EntriesHere(), 1u);
    ASSERT_EQ(RunProgram(Uninstaller()), 0);
    ASSERT_TRUE(WaitGone(dir_ / L"inst"));
  }
  EXPECT_GE(undone, 5);
  EXPECT_GT(stops, undone);  // and some after the commit
  EXPECT_TRUE(State(folder_) == full);

  // Stopped while decoding, the next real run of setup installs it whole.
  ASSERT_EQ(RunProgram(Uninstaller()), 0);
  ASSERT_TRUE(WaitGone(dir_ / L"inst"));
  ASSERT_EQ(RunStopped(Quote(v1_) + L" /S /D=" + folder_, 5), static_cast<int>(stub::kStoppedExitCode));
  EXPECT_FALSE(RunLeftovers().empty());
  ASSERT_EQ(Install(v1_), 0);
  EXPECT_TRUE(State(folder_) == full);
  EXPECT_EQ(RunLeftovers(), std::vector<std::wstring>{});
}

TEST_F(InterruptedRunTest, AnUpgradeStoppedAtAnyStepLeavesTheOldOrTheNewVersion) {
  StopAnUpgradeAtEveryStep(v1_, v2_);
}

// The files of a compact package are decoded in order from one stream; a
// run stopped between any two of them is undone or finished the same way.
TEST_F(InterruptedRunTest, ACompactUpgradeStoppedAtAnyStepLeavesTheOldOrTheNewVersion) {
  SamplePackage v1 = sample_, v2 = Version2();
  v1.compact = v2.compact = true;
  v2.install_dat = sample_.install_dat;
  StopAnUpgradeAtEveryStep(Build(v1, L"v1_compact"), Build(v2, L"v2_compact"));
}

// Stopped in the middle of swapping files, the install is a mix of both
// versions; the next real run of setup, of either version, sorts it out.
TEST_F(InterruptedRunTest, AnUpgradeStoppedWhileSwappingFilesIsFinishedByTheNextSetup) {
  ASSERT_EQ(Install(v2_), 0);
  const InstallState new_version = State(folder_);
  ASSERT_EQ(Install(v1_), 0);
  const InstallState old_version = State(folder_);
  // begin, plan, then each file moved aside and decoded: 6 steps is the
  // third file moved aside and not yet written again.
  ASSERT_EQ(RunStopped(Quote(v2_) + L" /S", 6), static_cast<int>(stub::kStoppedExitCode));
  InstallState mixed = State(folder_);
  EXPECT_FALSE(mixed == old_version);
  EXPECT_FALSE(mixed == new_version);
  EXPECT_FALSE(RunLeftovers().empty());
  ASSERT_EQ(Install(v1_), 0);
  EXPECT_TRUE(State(folder_) == old_version);
  EXPECT_EQ(RunLeftovers(), std::vector<std::wstring>{});

  ASSERT_EQ(RunStopped(Quote(v2_) + L" /S", 6), static_cast<int>(stub::kStoppedExitCode));
  ASSERT_EQ(RunProgram(Quote(v2_) + L" /S"), 0);
  EXPECT_TRUE(State(folder_) == new_version);
  EXPECT_EQ(RunLeftovers(), std::vector<std::wstring>{});
  EXPECT_EQ(EntriesHere(), 1u);
}

// An upgrade that moves the install to another folder keeps a copy of its
// journal in the old folder too: setup for the product, which finds the old
// folder through the entry, undoes it there and in the new folder.
TEST_F(InterruptedRunTest, AnUpgradeToAnotherFolderStoppedIsUndoneFromTheOldFolder) {
  ASSERT_EQ(Install(v1_), 0);
  const InstallState old_version = State(folder_);
  std::wstring moved = dir_ / L"moved\\App";
  // begin, plan, the seven files decoded, then the old files moved aside:
  // twelve steps is three of them moved.
  ASSERT_EQ(RunStopped(Quote(v2_) + L" /S /D=" + moved, 12), static_cast<int>(stub::kStoppedExitCode));
  EXPECT_TRUE(Exists(moved + L"\\uninst.exe"));
  EXPECT_FALSE(State(folder_) == old_version);
  FinishAsSetupWould();  // for the installed folder only
  EXPECT_TRUE(State(folder_) == old_version);
  EXPECT_FALSE(Exists(dir_ / L"moved"));
  EXPECT_EQ(RunLeftovers(), std::vector<std::wstring>{});
  EXPECT_EQ(EntriesHere(), 1u);
}

TEST_F(InterruptedRunTest, AnUninstallStoppedAtAnyStepIsUndoneOrFinishedByTheNextRun) {
  ASSERT_EQ(Install(v1_), 0);
  const InstallState installed = State(folder_);
  const std::vector<std::wstring> links = Links(EntryRoot(key_));
  int undone = 0;
  bool finished = false, completed_by_next_run = false;
  for (int n = 1; !finished; ++n) {
    int code = RunStopped(Uninstaller(), n);
    ASSERT_TRUE(code == static_cast<int>(stub::kStoppedExitCode) || code == 0) << n << ": " << code;
    if (code == 0) {
      finished = true;
    } else if (DeadRunCommitted()) {
      // Everything went but the program itself: its next run completes it.
      EXPECT_EQ(EntryRoot(key_), nullptr);
      ASSERT_EQ(RunProgram(Uninstaller()), 0) << n;
      finished = completed_by_next_run = true;
    } else {
      stub::RecoveryResult result;
      std::wstring why;
      ASSERT_TRUE(stub::FinishDeadRuns(folder_, &result, &why)) << Narrow(why);
      EXPECT_FALSE(result.completed_uninstall);
      EXPECT_TRUE(State(folder_) == installed) << "stopped after " << n << " steps";
      EXPECT_EQ(RunLeftovers(), std::vector<std::wstring>{}) << n;
      ++undone;
    }
  }
  EXPECT_GE(undone, 12);
  EXPECT_TRUE(completed_by_next_run);
  // The entry that recorded which folders setup made went with the dead
  // run's commit, so the install folder may stay, but empty.
  EXPECT_TRUE(WaitGone(folder_ + L"\\uninst.exe"));
  EXPECT_TRUE(!Exists(folder_) || ListTree(folder_).empty());
  EXPECT_EQ(EntryRoot(key_), nullptr);
  for (const std::wstring& link : links) EXPECT_FALSE(Exists(link)) << Narrow(link);
  EXPECT_EQ(RunLeftovers(), std::vector<std::wstring>{});
}

}  // namespace
}  // namespace stubtest
