// Compact packages installed for real: the files of the solid stream go
// straight to their places, in record order, through the same transaction
// as a standard package's, so installs, upgrades, rollbacks and uninstalls
// behave alike. Hostile solid data is refused as damage and leaves nothing.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>

#include "install_e2e.h"
#include "installer.h"
#include "package/messages.h"
#include "package/package_reader.h"
#include "package_source.h"
#include "solid_data.h"
#include "uninstall_entry.h"

namespace stubtest {
namespace {

class CompactInstallTest : public PackageInstallTest {
 protected:
  CompactInstallTest() { sample_.compact = true; }

  // Opens pkg as the setup program does; plans and installs its files into
  // folder_ in a transaction that is then rolled back (committed when
  // commit is set). *err gets what refused it, empty when it installed.
  bool InstallInProcess(const std::wstring& pkg, std::string* err, bool commit = false) {
    err->clear();
    std::unique_ptr<stub::PackageSource> source = stub::OpenOwnPackage(pkg, err);
    if (!source) return false;
    return InstallFrom(*source, folder_, err, commit);
  }
  bool InstallFrom(stub::PackageSource& source, const std::wstring& folder, std::string* err,
                   bool commit, const stub::InstallProgressFn& progress = nullptr,
                   const std::atomic<bool>* cancel = nullptr) {
    stub::FilePlan plan{folder, {}, {}};
    std::wstring why;
    if (!stub::PlanTargets(folder, source, &plan.targets, &why)) {
      *err = Narrow(why);
      return false;
    }
    stub::InstallTransaction tx(folder);
    if (!stub::InstallFiles(source, plan, tx, progress, cancel, &why)) {
      *err = Narrow(why);
      return false;
    }
    std::wstring leftovers;
    if (commit) {
      EXPECT_TRUE(tx.Commit(&why, &leftovers)) << Narrow(why);
    }
    return true;
  }
  void ExpectSampleFiles(const std::wstring& folder, const std::vector<SourceFile>& tree) {
    for (const SourceFile& f : tree) EXPECT_EQ(ReadFile(folder + L"\\" + f.rel), f.data) << Narrow(f.rel);
  }
};

TEST_F(CompactInstallTest, InstallsAndUninstallsExactlyItsOwnFiles) {
  package::PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(Narrow(pkg_), &err)) << err;
  ASSERT_TRUE(reader.contents().solid);
  reader = {};

  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  ASSERT_EQ(ListTree(folder_), ExpectedFiles());
  ExpectSampleFiles(folder_, SampleTree());
  EXPECT_EQ(ReadFile(folder_ + L"\\uninst.exe").substr(0, 2), "MZ");
  HKEY root = EntryRoot(key_);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(RegString(root, key_, L"DisplayVersion"), sample_.version);
  for (const std::wstring& link : Links(root)) EXPECT_TRUE(Exists(link)) << Narrow(link);

  ASSERT_EQ(RunProgram(Quote(folder_ + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(dir_ / L"inst"));
  EXPECT_EQ(EntryRoot(key_), nullptr);
  for (const std::wstring& link : Links(root)) EXPECT_FALSE(Exists(link)) << Narrow(link);
}

TEST_F(CompactInstallTest, UpgradesFromAStandardAndFromACompactPackage) {
  SamplePackage standard = sample_;
  standard.compact = false;
  std::wstring v1_standard = Build(standard, L"v1_standard");
  std::wstring v2 = Build(Version2(), L"v2");
  SamplePackage v3 = Version2();
  v3.version = L"3.0";
  v3.files.pop_back();  // 3.0 drops data\new.txt again
  for (SourceFile& f : v3.files) f.data += "v3";
  std::wstring v3_compact = Build(v3, L"v3");

  ASSERT_EQ(RunSilent(v1_standard, folder_), 0);
  WriteFile(folder_ + L"\\user.cfg", "the user's own");
  ASSERT_EQ(RunSilent(v2, folder_), 0);  // standard to compact
  InstallState after2 = State(folder_);
  EXPECT_EQ(after2.version, L"2.0");
  ExpectSampleFiles(folder_, Version2().files);

  ASSERT_EQ(RunSilent(v3_compact, folder_), 0);  // compact to compact
  InstallState after3 = State(folder_);
  EXPECT_EQ(after3.version, L"3.0");
  ExpectSampleFiles(folder_, v3.files);
  EXPECT_FALSE(Exists(folder_ + L"\\data\\new.txt"));
  EXPECT_EQ(ReadFile(folder_ + L"\\user.cfg"), "the user's own");
  EXPECT_EQ(after3.links, after2.links);
  EXPECT_EQ(stub::EntriesAtFolder(folder_).size(), 1u);

  ASSERT_EQ(RunProgram(Quote(folder_ + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(folder_ + L"\\uninst.exe"));
  EXPECT_EQ(ListTree(folder_), std::vector<std::wstring>{L"user.cfg"});
}

TEST_F(CompactInstallTest, AnUpgradeWhoseLastFrameIsDamagedLeavesTheEarlierInstall) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  InstallState before = State(folder_);
  // Version 2's files, all but the last whole: the frame ends one byte
  // early, so the damage shows only when the earlier files are in place.
  std::wstring v2 = Build(Version2(), L"v2");
  SolidContent content = ReadSolidContent(v2);
  ASSERT_GT(content.files, 2);
  std::string short_frame = MakeRawFrame(content.bytes.substr(0, content.bytes.size() - 1));
  std::wstring damaged = dir_ / L"v2_damaged.exe";
  ReplaceSolidData(v2, SolidData({{content.files, short_frame}}), damaged);

  std::string said;
  EXPECT_EQ(RunProgramCapturing(Quote(damaged) + L" /S /D=" + folder_, &said), 2);
  EXPECT_NE(said.find(package::msg::kPackageDamaged), std::string::npos) << said;
  EXPECT_TRUE(State(folder_) == before);
  EXPECT_EQ(ReadFile(folder_ + L"\\app.exe"), SampleTree()[0].data);

  // The sound version 2 goes through.
  ASSERT_EQ(RunSilent(v2, folder_), 0);
  EXPECT_EQ(State(folder_).version, L"2.0");
  ExpectSampleFiles(folder_, Version2().files);
}

TEST_F(CompactInstallTest, TheWindowInstallsItWithItsBarFilled) {
  Started setup(Quote(pkg_) + L" /D=" + folder_);
  HWND wnd = WaitForWindow(setup.pid(), L"QrSetupWindow");
  ASSERT_NE(wnd, nullptr);
  SendMessageW(WaitForChild(wnd, L"Button", L"安装", 5), BM_CLICK, 0, 0);
  HWND finish = WaitForChild(wnd, L"Button", L"完成");
  ASSERT_NE(finish, nullptr);
  HWND bar = FindWindowExW(wnd, nullptr, L"msctls_progress32", nullptr);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
  HWND run = WaitForChild(wnd, L"Button", L"运行 app.exe", 1);
  if (run) SendMessageW(run, BM_SETCHECK, BST_UNCHECKED, 0);  // app.exe here is no program
  SendMessageW(finish, BM_CLICK, 0, 0);
  EXPECT_EQ(setup.Wait(), 0);
  EXPECT_EQ(ListTree(folder_), ExpectedFiles());
  ExpectSampleFiles(folder_, SampleTree());
  ASSERT_EQ(RunProgram(Quote(folder_ + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(dir_ / L"inst"));
}

// Solid data that no sound builder writes: each is refused as damage of
// the package, before any file is written where the frame's header or the
// counts show it, else when the frame is decoded; nothing stays.
TEST_F(CompactInstallTest, HostileSolidDataIsRefusedAsDamageAndLeavesNothing) {
  SolidContent content = ReadSolidContent(pkg_);
  const std::string& c = content.bytes;
  const int32_t n = content.files;
  ASSERT_GT(n, 2);
  const uint64_t size = c.size();
  auto frame = [](const std::string& data, RawFrame how = {}) { return MakeRawFrame(data, how); };
  std::string damaged_block = frame(c);
  damaged_block[6] |= 0x06;  // the first block's type: reserved
  std::string too_many_frames = SolidData({{n, frame(c)}});
  too_many_frames[0] ^= 0x03;  // frameCount 1 becomes 2
  std::string no_frames = SolidData({});

  struct Case {
    const char* what;
    std::string solid;
    bool at_open;  // its header or counts give it away
  };
  const Case cases[] = {
      {"decodes to one byte more", SolidData({{n, frame(c + "x")}}), false},
      {"decodes to one byte fewer", SolidData({{n, frame(c.substr(0, size - 1))}}), false},
      {"declares one byte more", SolidData({{n, frame(c, Declaring(size + 1))}}), true},
      {"declares one byte fewer", SolidData({{n, frame(c, Declaring(size - 1))}}), true},
      {"a window of 2^27 and an eighth", SolidData({{n, frame(c, Window(27, 1))}}), true},
      {"a window of 2^28", SolidData({{n, frame(c, Window(28))}}), true},
      {"a dictionary", SolidData({{n, frame(c, Dictionary(7))}}), true},
      {"a skippable frame", SolidData({{n, MakeSkippableFrame(c)}}), true},
      {"bytes after the frame", SolidData({{n, frame(c) + "junk"}}), false},
      {"two frames in one", SolidData({{n, frame(c.substr(0, 10)) + frame(c.substr(10))}}), false},
      {"a damaged block", SolidData({{n, damaged_block}}), false},
      {"a file split between frames",
       SolidData({{1, frame(c.substr(0, 1))}, {n - 1, frame(c.substr(1))}}), false},
      {"one file fewer", SolidData({{n - 1, frame(c)}}), true},
      {"one file more", SolidData({{n + 1, frame(c)}}), true},
      {"a frame of no files", SolidData({{0, frame("")}, {n, frame(c)}}), true},
      {"one frame more than there are", too_many_frames, true},
      {"no frames", no_frames, true},
      {"an empty frame", SolidData({{n, ""}}), true},
  };
  std::wstring bad = dir_ / L"hostile.exe";
  for (const Case& k : cases) {
    ReplaceSolidData(pkg_, k.solid, bad);
    std::string err;
    std::unique_ptr<stub::PackageSource> source = stub::OpenOwnPackage(bad, &err);
    if (k.at_open) {
      EXPECT_EQ(source, nullptr) << k.what;
    }
    if (source) {
      EXPECT_FALSE(InstallFrom(*source, folder_, &err, false)) << k.what;
    }
    EXPECT_EQ(err.rfind(package::msg::kPackageDamaged, 0), 0u) << k.what << ": " << err;
    EXPECT_FALSE(Exists(dir_ / L"inst")) << k.what;
  }

  // Made by hand like them, the sound frame installs, its window at the
  // limit: what refuses them is what they say, not how they were made.
  for (RawFrame how : {Window(27), Declaring(size)}) {
    ReplaceSolidData(pkg_, SolidData({{n, frame(c, how)}}), bad);
    std::string err;
    EXPECT_TRUE(InstallInProcess(bad, &err, true)) << err;
    ExpectSampleFiles(folder_, SampleTree());
    RemoveTree(dir_ / L"inst");
  }

  // The setup program itself says so and installs nothing.
  ReplaceSolidData(pkg_, SolidData({{n, frame(c + "x")}}), bad);
  std::string said;
  EXPECT_EQ(RunProgramCapturing(Quote(bad) + L" /S /D=" + folder_, &said), 2);
  EXPECT_NE(said.find(package::msg::kPackageDamaged), std::string::npos) << said;
  DeleteFileW(bad.c_str());
  ExpectNothingInstalled();
}

TEST_F(CompactInstallTest, HostileNamesAreRefusedBeforeAnythingIsWritten) {
  // Record 1 is readme.txt (10 bytes); each replacement has 10 bytes too.
  for (const char* evil : {"..\\evil.tx", "C:\\evil.tx", "a\\..\\..\\xy", "data\\NUL.x"}) {
    std::wstring copy = dir_ / L"hostile.exe";
    CopyFileW(pkg_.c_str(), copy.c_str(), FALSE);
    PatchRecordName(copy, 1, evil);
    ClearDigest(copy);
    EXPECT_NE(RunSilent(copy, folder_), 0) << evil;
    EXPECT_FALSE(Exists(dir_ / L"inst")) << evil;
    EXPECT_FALSE(Exists(dir_ / L"evil.tx")) << evil;
    EXPECT_FALSE(Exists(L"C:\\evil.tx")) << evil;
    DeleteFileW(copy.c_str());
  }
  ExpectNothingInstalled();
}

TEST_F(CompactInstallTest, ProgressMovesFileByFileAndAnotherAttemptStartsAfresh) {
  std::string err;
  std::unique_ptr<stub::PackageSource> source = stub::OpenOwnPackage(pkg_, &err);
  ASSERT_TRUE(source) << err;

  // The first attempt is cancelled in its third file.
  std::atomic<bool> cancel{false};
  int64_t first_two = source->files()[0].size + source->files()[1].size;
  auto cancel_late = [&](int64_t done, int64_t) {
    if (done > first_two) cancel = true;
  };
  EXPECT_FALSE(InstallFrom(*source, folder_, &err, false, cancel_late, &cancel));
  EXPECT_FALSE(Exists(dir_ / L"inst"));

  // The next attempt, with the same source, installs every file whole, and
  // its progress passes every file's end in record order, and moves inside
  // a file larger than one piece of the stream.
  std::vector<int64_t> seen;
  int64_t total = 0;
  auto record = [&](int64_t done, int64_t all) {
    seen.push_back(done);
    total = all;
  };
  ASSERT_TRUE(InstallFrom(*source, folder_, &err, true, record)) << err;
  ExpectSampleFiles(folder_, SampleTree());
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), total);
  int64_t end = 0, largest_start = 0, largest = 0;
  for (const stub::FileRecord& f : source->files()) {
    if (f.size > largest) largest = f.size, largest_start = end;
    end += f.size;
    EXPECT_NE(std::find(seen.begin(), seen.end(), end), seen.end()) << Narrow(f.rel_path);
  }
  EXPECT_EQ(end, total);
  ASSERT_GT(largest, 128 * 1024);
  EXPECT_NE(std::find_if(seen.begin(), seen.end(),
                         [&](int64_t d) { return d > largest_start && d < largest_start + largest; }),
            seen.end());
}

// A file that could not be written (a full disk) fails that attempt only:
// the next one, after the user made room, decodes the same file whole.
TEST_F(CompactInstallTest, AFailedWriteDoesNotSpoilTheNextAttempt) {
  package::PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(Narrow(pkg_), &err)) << err;
  SolidContent content = ReadSolidContent(pkg_);
  const int64_t first = reader.contents().files[0].original_size;
  ASSERT_GT(first, 0);
  for (size_t failing : {size_t{0}, size_t{1}}) {
    for (size_t i = 0; i < failing; ++i)
      ASSERT_TRUE(reader.DecodeRecord(i, [](const uint8_t*, size_t, std::string*) { return true; },
                                      nullptr, &err)) << err;
    auto full = [](const uint8_t*, size_t, std::string* e) {
      *e = "the disk is full";
      return false;
    };
    EXPECT_FALSE(reader.DecodeRecord(failing, full, nullptr, &err));
    EXPECT_EQ(err, "the disk is full");
    std::string got;
    auto keep = [&](const uint8_t* p, size_t n, std::string*) {
      got.append(reinterpret_cast<const char*>(p), n);
      return true;
    };
    ASSERT_TRUE(reader.DecodeRecord(0, keep, nullptr, &err)) << failing << ": " << err;
    EXPECT_EQ(got, content.bytes.substr(0, static_cast<size_t>(first))) << failing;
  }
}

}  // namespace
}  // namespace stubtest
