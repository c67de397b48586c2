// The transaction's honesty and its journal read back by a later run: what
// cannot be put back is kept and named, a file held open is read rather than
// taken for absent, a dead run is undone or completed, and a journal never
// leads the recovery outside its roots.
#include "install_transaction.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "stub_test_util.h"
#include "transaction_recovery.h"
#include "win_util.h"

namespace stub {
namespace {

using Kind = JournalRecord::Kind;
using stubtest::Exists;
using stubtest::ListTree;
using stubtest::Narrow;
using stubtest::ReadFile;
using stubtest::ScratchDir;
using stubtest::WriteFile;

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

// Opens path so that it can be neither deleted nor replaced, as a virus
// scanner holds a fresh file.
HANDLE Hold(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

// The names in folder that a run of setup or of the uninstaller leaves.
std::vector<std::wstring> RunLeftovers(const std::wstring& folder) {
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\~qrsetup*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return out;
  do out.push_back(fd.cFileName);
  while (FindNextFileW(h, &fd));
  FindClose(h);
  return out;
}

// Replaces the files at rels in folder the way an upgrade does.
void Replace(InstallTransaction& tx, const std::wstring& folder, const std::vector<std::wstring>& rels) {
  InstallTransaction::FileSteps steps;
  for (const std::wstring& r : rels) steps.removed.push_back(folder + L"\\" + r);
  std::wstring err;
  ASSERT_TRUE(tx.Plan(steps, &err)) << Narrow(err);
  for (const std::wstring& f : steps.removed) {
    ASSERT_TRUE(tx.MoveAside(f, &err)) << Narrow(err);
    WriteFile(f, "new");
  }
}

TEST(TransactionHonesty, ABackupThatCannotBePutBackIsKeptAndNamed) {
  ScratchDir dir(L"keep");
  std::wstring folder = dir / L"App", a = folder + L"\\a.txt", b = folder + L"\\b.txt";
  WriteFile(a, "old a");
  WriteFile(b, "old b");
  HANDLE held = INVALID_HANDLE_VALUE;
  {
    InstallTransaction tx(folder);
    Replace(tx, folder, {L"a.txt", L"b.txt"});
    held = Hold(a);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::wstring said = tx.Rollback();
    // Not clean, and it says which file and where its old bytes are.
    EXPECT_TRUE(Contains(said, L"无法恢复文件")) << Narrow(said);
    EXPECT_TRUE(Contains(said, a)) << Narrow(said);
    size_t at = said.find(L"原来的文件保存在：“");
    ASSERT_NE(at, std::wstring::npos) << Narrow(said);
    std::wstring backup = said.substr(at + 10, said.find(L"”", at + 10) - at - 10);
    EXPECT_EQ(ReadFile(backup), "old a");
    EXPECT_EQ(ReadFile(b), "old b");  // the others came back
  }
  EXPECT_EQ(ReadFile(a), "new");
  EXPECT_EQ(RunLeftovers(folder).size(), 2u);  // the staging folder and the journal stay
  // Once the file is free, the next run finishes the undo.
  CloseHandle(held);
  RecoveryResult result;
  std::wstring why;
  ASSERT_TRUE(FinishDeadRuns(folder, &result, &why)) << Narrow(why);
  EXPECT_EQ(ReadFile(a), "old a");
  EXPECT_EQ(ListTree(folder), (std::vector<std::wstring>{L"a.txt", L"b.txt"}));
}

TEST(TransactionHonesty, ABackupThatCannotBeDeletedAtTheCommitIsNamedAndGoesNextRun) {
  ScratchDir dir(L"commit");
  std::wstring folder = dir / L"App";
  WriteFile(folder + L"\\a.txt", "old a");
  HANDLE held = INVALID_HANDLE_VALUE;
  {
    InstallTransaction tx(folder);
    Replace(tx, folder, {L"a.txt"});
    std::vector<std::wstring> left = RunLeftovers(folder);
    ASSERT_EQ(left.size(), 2u);
    std::wstring staging = folder + L"\\" + (left[0].ends_with(L".tmp") ? left[0] : left[1]);
    held = Hold(staging + L"\\0\\b0");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::wstring err, leftovers;
    ASSERT_TRUE(tx.Commit(&err, &leftovers)) << Narrow(err);
    EXPECT_TRUE(Contains(leftovers, staging + L"\\0\\b0")) << Narrow(leftovers);
  }
  CloseHandle(held);
  EXPECT_EQ(ReadFile(folder + L"\\a.txt"), "new");
  RecoveryResult result;
  std::wstring why;
  ASSERT_TRUE(FinishDeadRuns(folder, &result, &why)) << Narrow(why);
  EXPECT_EQ(ListTree(folder), std::vector<std::wstring>{L"a.txt"});
  EXPECT_EQ(RunLeftovers(folder), std::vector<std::wstring>{});
  EXPECT_EQ(ReadFile(folder + L"\\a.txt"), "new");
}

TEST(TransactionHonesty, AShortcutOpenForWritingIsKeptNotTakenForAbsent) {
  ScratchDir dir(L"small");
  std::wstring link = dir / L"links\\app.lnk", locked = dir / L"links\\locked.lnk";
  WriteFile(link, "old link");
  WriteFile(locked, "locked link");
  HANDLE writer = CreateFileW(link.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  HANDLE exclusive = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  {
    InstallTransaction tx(dir / L"App");
    std::wstring err;
    ASSERT_TRUE(tx.KeepForUndo(link, &err)) << Narrow(err);
    // A file that cannot be read at all cannot be kept: refused, not ignored.
    EXPECT_FALSE(tx.KeepForUndo(locked, &err));
    EXPECT_TRUE(Contains(err, locked)) << Narrow(err);
    CloseHandle(writer);
    WriteFile(link, "changed");
    EXPECT_EQ(tx.Rollback(), L"");
  }
  CloseHandle(exclusive);
  EXPECT_EQ(ReadFile(link), "old link");
  EXPECT_EQ(ReadFile(locked), "locked link");
  EXPECT_FALSE(Exists(dir / L"App"));
}

// Journals written by hand, as a run that died would have left them.
class DeadRun : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_ / L"App";
    staging_ = folder_ + L"\\" + kStem + L".tmp";
    WriteFile(folder_ + L"\\a.txt", "new a");
    WriteFile(staging_ + L"\\0\\b1", "old a");
    WriteFile(folder_ + L"\\n.txt", "placed");
    WriteFile(dir_ / L"outside.txt", "not the run's");
  }
  JournalRecord Rec(Kind kind, std::wstring path = {}, std::wstring backup = {}) {
    JournalRecord r;
    r.kind = kind;
    r.path = std::move(path);
    r.backup = std::move(backup);
    return r;
  }
  // begin, the roots (folder_ first), then steps.
  std::vector<JournalRecord> Run(std::vector<JournalRecord> steps,
                                 std::vector<std::wstring> more_roots = {}) {
    std::vector<JournalRecord> rs{Rec(Kind::kBegin), Rec(Kind::kRoot, folder_)};
    for (const std::wstring& r : more_roots) rs.push_back(Rec(Kind::kRoot, r));
    rs.insert(rs.end(), steps.begin(), steps.end());
    return rs;
  }
  // The usual dead upgrade: a file replaced, one placed.
  std::vector<JournalRecord> Upgrade() {
    return Run({Rec(Kind::kPlaced, folder_ + L"\\n.txt"), Rec(Kind::kStaging, staging_),
                Rec(Kind::kMoved, folder_ + L"\\a.txt", staging_ + L"\\0\\b1")});
  }
  void Write(const std::wstring& folder, const std::vector<JournalRecord>& rs) {
    std::string text(kJournalHeader);
    for (const JournalRecord& r : rs) text += EncodeRecord(r);
    WriteFile(folder + L"\\" + kStem + L".jnl", text);
  }
  // The journals here are written by the test, not by a run: their writer
  // is trusted (journal_trust_test.cc covers whose journal is taken).
  bool Finish(std::wstring* why) {
    struct TrustingFacts : JournalFacts {
      bool Elevated() override { return false; }
      bool Registered(const std::wstring&, HANDLE) override { return false; }
      FileOwner OwnerOf(HANDLE) override { return FileOwner::kSelf; }
      bool Register(const std::wstring&, HANDLE, DWORD*) override { return true; }
      void Unregister(const std::wstring&) override {}
    } facts;
    RecoveryResult result;
    return FinishDeadRuns(folder_, &result, why, facts);
  }

  static constexpr const wchar_t* kStem = L"~qrsetup4242_0";
  ScratchDir dir_{L"dead"};
  std::wstring folder_, staging_;
};

TEST_F(DeadRun, AnUncommittedRunIsUndoneAndACommittedOneCompleted) {
  Write(folder_, Upgrade());
  std::wstring why;
  ASSERT_TRUE(Finish(&why)) << Narrow(why);
  EXPECT_EQ(ListTree(folder_), std::vector<std::wstring>{L"a.txt"});
  EXPECT_EQ(ReadFile(folder_ + L"\\a.txt"), "old a");
  EXPECT_EQ(RunLeftovers(folder_), std::vector<std::wstring>{});

  SetUp();
  std::vector<JournalRecord> committed = Upgrade();
  committed.push_back(Rec(Kind::kCommit));
  Write(folder_, committed);
  ASSERT_TRUE(Finish(&why)) << Narrow(why);
  EXPECT_EQ(ListTree(folder_), (std::vector<std::wstring>{L"a.txt", L"n.txt"}));
  EXPECT_EQ(ReadFile(folder_ + L"\\a.txt"), "new a");
  EXPECT_EQ(RunLeftovers(folder_), std::vector<std::wstring>{});
}

TEST_F(DeadRun, AJournalOfARunStillGoingIsLeftAlone) {
  Write(folder_, Upgrade());
  std::wstring journal = folder_ + L"\\" + kStem + L".jnl";
  HANDLE live = CreateFileW(journal.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(live, INVALID_HANDLE_VALUE);
  std::wstring why;
  EXPECT_TRUE(Finish(&why));
  CloseHandle(live);
  EXPECT_EQ(ReadFile(folder_ + L"\\n.txt"), "placed");
  EXPECT_EQ(ReadFile(staging_ + L"\\0\\b1"), "old a");
}

TEST_F(DeadRun, AJournalThatPointsOutsideItsPlacesIsNotActedOn) {
  std::wstring outside = dir_ / L"outside.txt";
  const std::vector<std::vector<JournalRecord>> hostile = {
      Run({Rec(Kind::kPlaced, outside)}),
      Run({Rec(Kind::kPlaced, folder_ + L"\\..\\outside.txt")}),
      Run({Rec(Kind::kPlaced, folder_ + L"\\.\\n.txt")}),
      Run({Rec(Kind::kPlaced, folder_)}),
      Run({Rec(Kind::kStaging, staging_), Rec(Kind::kMoved, folder_ + L"\\a.txt", outside)}),
      Run({Rec(Kind::kStaging, staging_), Rec(Kind::kMoved, outside, staging_ + L"\\0\\b1")}),
      Run({Rec(Kind::kStaging, staging_), Rec(Kind::kMoved, folder_ + L"\\a.txt", staging_ + L"\\0\\x")}),
      Run({Rec(Kind::kStaging, staging_), Rec(Kind::kMoved, folder_ + L"\\a.txt", staging_ + L"\\b1")}),
      Run({Rec(Kind::kStaging, dir_.path())}),
      Run({Rec(Kind::kSmallFile, dir_ / L"x.lnk")}),
      Run({Rec(Kind::kFolder, dir_ / L"elsewhere")}),
      // The folder it lies in must be one of its roots.
      {Rec(Kind::kBegin), Rec(Kind::kRoot, dir_.path()), Rec(Kind::kPlaced, outside)},
  };
  for (const auto& rs : hostile) {
    Write(folder_, rs);
    std::wstring why;
    EXPECT_FALSE(Finish(&why)) << EncodeRecord(rs.back());
    EXPECT_TRUE(Contains(why, L"日志已损坏")) << Narrow(why);
    EXPECT_EQ(ReadFile(outside), "not the run's");
    EXPECT_EQ(ReadFile(folder_ + L"\\n.txt"), "placed");
    EXPECT_EQ(ReadFile(staging_ + L"\\0\\b1"), "old a");
  }
  // Neither is a journal that is no journal.
  WriteFile(folder_ + L"\\" + kStem + L".jnl", "QRJOURNAL 1\nplaced\tC:\\x\n");
  std::wstring why;
  EXPECT_FALSE(Finish(&why));
  EXPECT_TRUE(Exists(folder_ + L"\\" + kStem + L".jnl"));
}

TEST_F(DeadRun, ARootWithoutACopyOfTheJournalIsLeftAlone) {
  std::wstring other = dir_ / L"Old";
  WriteFile(other + L"\\keep.txt", "the other root's");
  Write(folder_, Run({Rec(Kind::kPlaced, folder_ + L"\\n.txt"), Rec(Kind::kPlaced, other + L"\\keep.txt")},
                     {other}));
  std::wstring why;
  ASSERT_TRUE(Finish(&why)) << Narrow(why);
  EXPECT_FALSE(Exists(folder_ + L"\\n.txt"));
  EXPECT_EQ(ReadFile(other + L"\\keep.txt"), "the other root's");
  // With its copy there, the other root is the run's too.
  WriteFile(other + L"\\gone.txt", "placed there");
  std::vector<JournalRecord> rs = Run({Rec(Kind::kPlaced, other + L"\\gone.txt")}, {other});
  Write(folder_, rs);
  Write(other, rs);
  ASSERT_TRUE(Finish(&why)) << Narrow(why);
  EXPECT_FALSE(Exists(other + L"\\gone.txt"));
  EXPECT_EQ(RunLeftovers(other), std::vector<std::wstring>{});
}

}  // namespace
}  // namespace stub
