// All-or-nothing installs, driven by an in-memory package.
#include "installer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "setup_flow.h"
#include "stub_test_util.h"

namespace stub {
namespace {

using stubtest::Exists;
using stubtest::ListTree;
using stubtest::ReadFile;
using stubtest::ScratchDir;
using stubtest::WriteFile;

// A package held in memory; record fail_at (if any) is damaged.
class FakePackage : public PackageSource {
 public:
  void Add(const std::wstring& rel, const std::string& data) {
    files_.push_back({rel, static_cast<int64_t>(data.size())});
    data_.push_back(data);
  }
  void AddOption(int bit, const std::wstring& name) { options_.push_back({bit, name}); }
  size_t fail_at = static_cast<size_t>(-1);
  std::vector<size_t> extracted;

  const SetupConfig& config() const override { return config_; }
  const std::vector<OptionRecord>& options() const override { return options_; }
  const std::vector<FileRecord>& files() const override { return files_; }
  bool Extract(size_t i, const std::wstring& dest, const ProgressFn& progress,
               std::string* err) override {
    extracted.push_back(i);
    WriteFile(dest, i == fail_at ? data_[i].substr(0, data_[i].size() / 2) : data_[i]);
    if (i == fail_at) {
      *err = "stream ends early";
      return false;
    }
    if (progress) progress(static_cast<int64_t>(data_[i].size()));
    return true;
  }

  SetupConfig config_{L"Test", L"TestDir", L"Pub", L"1.0"};

 private:
  std::vector<OptionRecord> options_;
  std::vector<FileRecord> files_;
  std::vector<std::string> data_;
};

FakePackage ThreeFiles() {
  FakePackage p;
  p.Add(L"a.txt", "alpha");
  p.Add(L"sub\\deep\\b.bin", stubtest::MakeData(100000, 1));
  p.Add(L"uninst.exe", "MZ-uninstaller");
  return p;
}

// Plans and installs p into folder in one transaction, committed on success.
bool Install(FakePackage& p, const std::wstring& folder, std::string* err,
             const std::vector<std::wstring>& dropped = {}) {
  FilePlan plan{folder, {}, dropped};
  std::wstring why;
  if (!PlanTargets(folder, p, &plan.targets, &why)) {
    *err = "refused";
    return false;
  }
  InstallTransaction tx(folder);
  std::wstring e;
  if (!InstallFiles(p, plan, tx, nullptr, nullptr, &e)) {
    *err = stubtest::Narrow(e);
    return false;  // tx rolls back
  }
  std::wstring leftovers;
  bool committed = tx.Commit(&e, &leftovers);
  EXPECT_EQ(leftovers, L"");
  return committed;
}

TEST(InstallFiles, WritesEveryRecordAndLeavesNoStaging) {
  ScratchDir dir(L"inst");
  FakePackage p = ThreeFiles();
  std::wstring folder = dir / L"App";
  int64_t last_done = -1, last_total = -1;
  FilePlan plan{folder, {}, {}};
  std::wstring why;
  ASSERT_TRUE(PlanTargets(folder, p, &plan.targets, &why));
  InstallTransaction tx(folder);
  std::wstring err;
  ASSERT_TRUE(InstallFiles(p, plan, tx, [&](int64_t d, int64_t t) { last_done = d, last_total = t; },
                           nullptr, &err))
      << stubtest::Narrow(err);
  std::wstring leftovers;
  ASSERT_TRUE(tx.Commit(&err, &leftovers));
  EXPECT_EQ(leftovers, L"");
  EXPECT_EQ(ListTree(folder), (std::vector<std::wstring>{L"a.txt", L"sub\\deep\\b.bin", L"uninst.exe"}));
  EXPECT_EQ(ReadFile(folder + L"\\sub\\deep\\b.bin"), stubtest::MakeData(100000, 1));
  EXPECT_EQ(last_done, last_total);
  EXPECT_EQ(last_total, 5 + 100000 + 14);
}

TEST(InstallFiles, DamagedRecordLeavesNothingAndRemovesCreatedFolders) {
  for (size_t bad : {0u, 1u, 2u}) {
    ScratchDir dir(L"damaged");
    FakePackage p = ThreeFiles();
    p.fail_at = bad;
    std::string err;
    EXPECT_FALSE(Install(p, dir / L"App\\Nested", &err));
    EXPECT_EQ(err, "stream ends early");
    EXPECT_FALSE(Exists(dir / L"App")) << "record " << bad;
  }
}

TEST(InstallFiles, DamagedRecordRestoresAnEarlierInstall) {
  ScratchDir dir(L"restore");
  std::wstring folder = dir / L"App";
  WriteFile(folder + L"\\a.txt", "old alpha");
  WriteFile(folder + L"\\user.cfg", "settings");
  FakePackage p = ThreeFiles();
  p.fail_at = 2;
  std::string err;
  EXPECT_FALSE(Install(p, folder, &err));
  EXPECT_EQ(ListTree(folder), (std::vector<std::wstring>{L"a.txt", L"user.cfg"}));
  EXPECT_EQ(ReadFile(folder + L"\\a.txt"), "old alpha");
}

TEST(InstallFiles, ReplacesEarlierFilesAndKeepsOthers) {
  ScratchDir dir(L"replace");
  std::wstring folder = dir / L"App";
  WriteFile(folder + L"\\a.txt", "old alpha");
  WriteFile(folder + L"\\user.cfg", "settings");
  SetFileAttributesW((folder + L"\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  FakePackage p = ThreeFiles();
  std::string err;
  ASSERT_TRUE(Install(p, folder, &err)) << err;
  EXPECT_EQ(ReadFile(folder + L"\\a.txt"), "alpha");
  EXPECT_EQ(ReadFile(folder + L"\\user.cfg"), "settings");
  EXPECT_EQ(ListTree(folder).size(), 4u);
}

TEST(InstallFiles, AFolderWhereAFileBelongsFailsCleanly) {
  ScratchDir dir(L"clash");
  std::wstring folder = dir / L"App";
  CreateDirectoryW(folder.c_str(), nullptr);
  CreateDirectoryW((folder + L"\\a.txt").c_str(), nullptr);
  FakePackage p = ThreeFiles();
  std::string err;
  EXPECT_FALSE(Install(p, folder, &err));
  EXPECT_NE(err.find("同名文件夹"), std::string::npos) << err;
  EXPECT_EQ(ListTree(folder), std::vector<std::wstring>{});
  EXPECT_FALSE(Exists(folder + L"\\sub"));
}

TEST(InstallFiles, CancelStopsBeforeAnythingIsPlaced) {
  ScratchDir dir(L"cancel");
  FakePackage p = ThreeFiles();
  std::atomic<bool> cancel{true};
  FilePlan plan{dir / L"App", {}, {}};
  std::wstring why;
  ASSERT_TRUE(PlanTargets(plan.folder, p, &plan.targets, &why));
  std::wstring err;
  {
    InstallTransaction tx(plan.folder);
    EXPECT_FALSE(InstallFiles(p, plan, tx, nullptr, &cancel, &err));
  }
  EXPECT_TRUE(p.extracted.empty());
  EXPECT_FALSE(Exists(dir / L"App"));
}

// A file held open without sharing (as a running program holds its image)
// cannot be moved aside: the files already replaced come back, the new
// ones go, and the staging folder with its backups goes last.
TEST(InstallFiles, AFileThatCannotBeReplacedPutsBackEveryEarlierFile) {
  ScratchDir dir(L"held");
  std::wstring folder = dir / L"App";
  WriteFile(folder + L"\\a.txt", "old alpha");
  WriteFile(folder + L"\\sub\\deep\\b.bin", "old beta");
  WriteFile(folder + L"\\uninst.exe", "old uninstaller");
  WriteFile(folder + L"\\gone.txt", "dropped by the new version");
  std::vector<std::wstring> before = ListTree(folder);
  HANDLE held = CreateFileW((folder + L"\\uninst.exe").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  FakePackage p = ThreeFiles();
  p.Add(L"new.txt", "new");
  std::string err;
  EXPECT_FALSE(Install(p, folder, &err, {folder + L"\\gone.txt"}));
  CloseHandle(held);
  EXPECT_NE(err.find("无法替换文件"), std::string::npos) << err;
  EXPECT_EQ(ListTree(folder), before);
  EXPECT_EQ(ReadFile(folder + L"\\a.txt"), "old alpha");
  EXPECT_EQ(ReadFile(folder + L"\\sub\\deep\\b.bin"), "old beta");
  EXPECT_EQ(ReadFile(folder + L"\\gone.txt"), "dropped by the new version");
}

TEST(InstallFiles, DroppedFilesGoAtTheCommitAndComeBackOnFailure) {
  ScratchDir dir(L"dropped");
  std::wstring folder = dir / L"App";
  WriteFile(folder + L"\\old\\gone.txt", "old");
  WriteFile(folder + L"\\user.cfg", "settings");
  FakePackage good = ThreeFiles();
  std::string err;
  ASSERT_TRUE(Install(good, folder, &err, {folder + L"\\old\\gone.txt"})) << err;
  EXPECT_FALSE(Exists(folder + L"\\old\\gone.txt"));
  EXPECT_TRUE(Exists(folder + L"\\user.cfg"));

  WriteFile(folder + L"\\old\\gone.txt", "old");
  FakePackage bad = ThreeFiles();
  bad.fail_at = 1;
  EXPECT_FALSE(Install(bad, folder, &err, {folder + L"\\old\\gone.txt"}));
  EXPECT_EQ(ReadFile(folder + L"\\old\\gone.txt"), "old");
  EXPECT_EQ(ReadFile(folder + L"\\a.txt"), "alpha");
}

TEST(PlanTargets, APathTooLongForTheShellIsRefused) {
  FakePackage p = ThreeFiles();
  std::vector<std::wstring> targets;
  std::wstring why;
  // "C:\" + 233 + "\sub\deep\b.bin" is 251 characters: accepted.
  std::wstring folder = L"C:\\" + std::wstring(233, L'x');
  EXPECT_TRUE(PlanTargets(folder, p, &targets, &why));
  for (const std::wstring& t : targets) EXPECT_LE(t.size(), kMaxShellPath);
  std::wstring longer = L"C:\\" + std::wstring(245, L'x');  // its b.bin has 263
  EXPECT_FALSE(PlanTargets(longer, p, &targets, &why));
  EXPECT_NE(why.find(L"b.bin"), std::wstring::npos);
  EXPECT_EQ(why.find(L"a.txt"), std::wstring::npos);
}

TEST(PlanTargets, OneBadNameRefusesThePackageBeforeAnyWrite) {
  for (const wchar_t* bad : {L"..\\evil.txt", L"C:\\evil.txt", L"\\\\srv\\s\\evil.txt",
                             L"sub\\..\\..\\evil.txt", L"NUL", L"x:ads"}) {
    ScratchDir dir(L"hostile");
    FakePackage p = ThreeFiles();
    p.Add(bad, "evil");
    std::string err;
    EXPECT_FALSE(Install(p, dir / L"App", &err)) << bad;
    EXPECT_TRUE(p.extracted.empty()) << bad;
    EXPECT_EQ(ListTree(dir.path()), std::vector<std::wstring>{}) << bad;
    EXPECT_FALSE(Exists(dir / L"App"));
  }
}

// Two records Windows takes for one file (or a file and a folder) refuse the
// package: the second would overwrite the first, and the uninstaller would
// count one file twice. Letter case is compared by the one case key; a
// hostile package is not bound to the names the builder can store.
TEST(PlanTargets, NamesThatAreOneFileToWindowsRefuseThePackage) {
  struct Case {
    const wchar_t* first;
    const wchar_t* second;
  };
  for (Case c : {Case{L"ⅷ.txt", L"Ⅷ.txt"}, Case{L"Ա.txt", L"ա.TXT"}, Case{L"sub\\ⴀ.txt", L"SUB\\Ⴀ.txt"}, Case{L"ꭰ.dat", L"Ꭰ.dat"},
                 Case{L"ÿ", L"Ÿ"}, Case{L"ǆ.txt", L"Ǆ.txt"}, Case{L"dup.txt", L"dup.txt"},
                 Case{L"ꙁ", L"Ꙁ\\inside.txt"}, Case{L"Ǎ\\x", L"ǎ"}, Case{L"UNINST.EXE", L"uninst.exe"}}) {
    FakePackage p;
    p.Add(c.first, "1");
    p.Add(c.second, "2");
    if (std::wstring(c.second) != L"uninst.exe") p.Add(L"uninst.exe", "MZ-uninstaller");
    std::vector<std::wstring> targets;
    std::wstring why;
    EXPECT_FALSE(PlanTargets(L"C:\\App", p, &targets, &why)) << stubtest::Narrow(c.second);
    EXPECT_NE(why.find(L"“" + std::wstring(c.second) + L"”"), std::wstring::npos) << stubtest::Narrow(why);
    EXPECT_NE(why.find(L"“" + std::wstring(c.first) + L"”"), std::wstring::npos) << stubtest::Narrow(why);
  }
  // ß and SS, ı and I, İ and i are different names to Windows.
  FakePackage p;
  for (const wchar_t* name : {L"ß", L"SS", L"ı", L"I", L"İ", L"i.txt", L"uninst.exe"}) p.Add(name, "x");
  std::vector<std::wstring> targets;
  std::wstring why;
  EXPECT_TRUE(PlanTargets(L"C:\\App", p, &targets, &why)) << stubtest::Narrow(why);
}

TEST(PlanTargets, OptionNamesMustBeTopLevelFiles) {
  FakePackage p = ThreeFiles();
  p.AddOption(4, L"..\\..\\Windows\\evil.exe");
  std::vector<std::wstring> targets;
  std::wstring why;
  EXPECT_FALSE(PlanTargets(L"C:\\App", p, &targets, &why));
  EXPECT_NE(why.find(L"evil"), std::wstring::npos);
}

TEST(CheckConfig, InstallFolderNameMustBeOneSafeName) {
  std::wstring why;
  EXPECT_TRUE(CheckConfig({L"A", L"QrSetup", L"", L""}, &why));
  for (const wchar_t* bad : {L"", L"..", L"C:", L"a\\b", L"CON"})
    EXPECT_FALSE(CheckConfig({L"A", bad, L"", L""}, &why)) << bad;
}

TEST(NormalizeFolder, AbsoluteOnly) {
  std::wstring f;
  ASSERT_TRUE(NormalizeFolder(L"C:\\Apps\\X\\", &f));
  EXPECT_EQ(f, L"C:\\Apps\\X");
  ASSERT_TRUE(NormalizeFolder(L"  \"C:/Apps/Y\"  ", &f));
  EXPECT_EQ(f, L"C:\\Apps\\Y");
  ASSERT_TRUE(NormalizeFolder(L"C:\\Apps\\..\\Z", &f));
  EXPECT_EQ(f, L"C:\\Z");
  EXPECT_FALSE(NormalizeFolder(L"relative\\x", &f));
  EXPECT_FALSE(NormalizeFolder(L"", &f));
  EXPECT_FALSE(NormalizeFolder(L"\\\\?\\C:\\x", &f));
}

}  // namespace
}  // namespace stub
