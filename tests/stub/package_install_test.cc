// Packages installed and uninstalled for real: the package runs with
// /S /D=<folder>, the installed files, shortcuts and uninstall entry are
// compared with what the package holds, and uninst.exe /S takes exactly that
// away again. Hostile and damaged packages must write nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include "install_e2e.h"
#include "program_start.h"
#include "win_util.h"

namespace stubtest {
namespace {

TEST_F(PackageInstallTest, InstallsRegistersAndUninstallsExactlyItsOwnFiles) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);

  // Every file, byte for byte.
  ASSERT_EQ(ListTree(folder_), ExpectedFiles());
  for (const SourceFile& f : SampleTree())
    EXPECT_EQ(ReadFile(folder_ + L"\\" + f.rel), f.data) << Narrow(f.rel);
  EXPECT_EQ(ReadFile(folder_ + L"\\uninst.exe").substr(0, 2), "MZ");

  // The uninstall entry.
  HKEY root = EntryRoot(key_);
  ASSERT_NE(root, nullptr);
  const std::wstring& key = key_;
  std::wstring uninst = folder_ + L"\\uninst.exe";
  EXPECT_EQ(RegString(root, key, L"DisplayName"), sample_.app_name);
  EXPECT_EQ(RegString(root, key, L"DisplayVersion"), sample_.version);
  EXPECT_EQ(RegString(root, key, L"Publisher"), sample_.publisher);
  EXPECT_EQ(RegString(root, key, L"InstallLocation"), folder_);
  EXPECT_EQ(RegString(root, key, L"UninstallString"), Quote(uninst));
  EXPECT_EQ(RegString(root, key, L"QuietUninstallString"), Quote(uninst) + L" /S");
  // app.exe, marked for the control panel, holds no icon: the uninstaller's.
  EXPECT_EQ(RegString(root, key, L"DisplayIcon"), uninst);
  int64_t bytes = static_cast<int64_t>(ReadFile(uninst).size());
  for (const SourceFile& f : SampleTree()) bytes += static_cast<int64_t>(f.data.size());
  EXPECT_EQ(RegDword(root, key, L"EstimatedSize"), static_cast<DWORD>((bytes + 1023) / 1024));
  EXPECT_EQ(RegDword(root, key, L"NoModify"), 1u);
  EXPECT_EQ(RegDword(root, key, L"NoRepair"), 1u);

  // The shortcuts of options 2, 4, 8 and 16, in the scope of the entry.
  ShortcutPlaces at = PlacesFor(root);
  std::wstring app = folder_ + L"\\app.exe";
  std::wstring group = at.programs + L"\\" + sample_.app_name;
  std::vector<std::pair<std::wstring, std::wstring>> links = {
      {at.desktop + L"\\app.lnk", app},
      {at.startup + L"\\app.lnk", app},
      {at.quick_launch + L"\\app.lnk", app},
      {group + L"\\app.lnk", app},
      {group + L"\\卸载 " + sample_.app_name + L".lnk", uninst},
  };
  for (auto& [link, target] : links) EXPECT_EQ(LinkTarget(link), target) << Narrow(link);

  // Things the package did not install, inside and beside the folder.
  WriteFile(folder_ + L"\\user.cfg", "mine");
  WriteFile(folder_ + L"\\data\\notes.txt", "mine too");
  WriteFile(dir_ / L"inst\\neighbour.txt", "not ours");
  WriteFile(at.desktop + L"\\QrStubTestOther.txt", "someone else's");

  ASSERT_EQ(RunProgram(Quote(uninst) + L" /S"), 0);
  EXPECT_TRUE(WaitGone(uninst));
  EXPECT_EQ(ListTree(folder_), (std::vector<std::wstring>{L"data\\notes.txt", L"user.cfg"}));
  EXPECT_FALSE(Exists(folder_ + L"\\data\\子目录"));  // emptied folders go
  EXPECT_EQ(ReadFile(dir_ / L"inst\\neighbour.txt"), "not ours");
  EXPECT_EQ(EntryRoot(key), nullptr);
  for (auto& [link, target] : links) EXPECT_FALSE(Exists(link)) << Narrow(link);
  EXPECT_FALSE(Exists(group));
  EXPECT_EQ(ReadFile(at.desktop + L"\\QrStubTestOther.txt"), "someone else's");
  DeleteFileW((at.desktop + L"\\QrStubTestOther.txt").c_str());
}

// The uninstaller's copies in the temp folder that exist now.
std::vector<std::wstring> UninstallerCopies() {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((std::wstring(temp) + L"~qruninst*.exe").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return out;
  do out.push_back(fd.cFileName);
  while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(out.begin(), out.end());
  return out;
}

// Waits until the temp folder holds no copy of the uninstaller beyond before.
bool CopiesGone(const std::vector<std::wstring>& before, int seconds = 30) {
  for (int i = 0; i < seconds * 10; ++i) {
    std::vector<std::wstring> now = UninstallerCopies();
    if (std::includes(before.begin(), before.end(), now.begin(), now.end())) return true;
    Sleep(100);
  }
  return false;
}

TEST_F(PackageInstallTest, UninstallRemovesTheFoldersSetupMadeAndNothingElse) {
  // setup makes "inst" and "My App", and the quick-launch folder where
  // there is none; "pre" was there before.
  std::wstring quick = PlacesFor(HKEY_CURRENT_USER).quick_launch;
  RemoveTree(quick);
  std::vector<std::wstring> copies = UninstallerCopies();
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  ShortcutPlaces at = PlacesFor(EntryRoot(key_));
  ASSERT_TRUE(Exists(at.quick_launch + L"\\app.lnk"));
  ASSERT_EQ(RunProgram(Quote(folder_ + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(folder_));
  EXPECT_TRUE(WaitGone(dir_ / L"inst"));
  EXPECT_FALSE(Exists(quick));
  EXPECT_TRUE(Exists(stub::ParentOf(quick)));
  EXPECT_TRUE(CopiesGone(copies));

  CreateDirectoryW((dir_ / L"pre").c_str(), nullptr);
  std::wstring deep = dir_ / L"pre\\made\\App";
  ASSERT_EQ(RunSilent(pkg_, deep), 0);
  ASSERT_EQ(RunProgram(Quote(deep + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(dir_ / L"pre\\made"));
  EXPECT_TRUE(Exists(dir_ / L"pre"));
  EXPECT_TRUE(CopiesGone(copies));
}

TEST_F(PackageInstallTest, ReinstallReplacesFilesAndKeepsUserFiles) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  WriteFile(folder_ + L"\\readme.txt", "edited by the user");
  WriteFile(folder_ + L"\\user.cfg", "mine");
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  EXPECT_EQ(ReadFile(folder_ + L"\\readme.txt"), SampleTree()[1].data);
  EXPECT_EQ(ReadFile(folder_ + L"\\user.cfg"), "mine");
  // The program group the first install made goes with the uninstall.
  std::wstring group = PlacesFor(EntryRoot(key_)).programs + L"\\" + sample_.app_name;
  ASSERT_TRUE(Exists(group));
  ASSERT_EQ(RunProgram(Quote(folder_ + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_FALSE(Exists(group));
  EXPECT_TRUE(WaitGone(folder_ + L"\\uninst.exe"));
  EXPECT_EQ(ListTree(folder_), std::vector<std::wstring>{L"user.cfg"});
}

TEST_F(PackageInstallTest, UninstallerElsewhereOrWithClimbingNamesRemovesNothing) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  std::wstring uninst = folder_ + L"\\uninst.exe";

  // A copy in another folder has no uninstall entry there: nothing is removed.
  std::wstring other = dir_ / L"other";
  WriteFile(other + L"\\app.exe", "someone's app");
  CopyFileW(uninst.c_str(), (other + L"\\uninst.exe").c_str(), FALSE);
  EXPECT_NE(RunProgram(Quote(other + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_EQ(ReadFile(other + L"\\app.exe"), "someone's app");

  // An index whose name climbs out of the folder refuses the whole uninstall.
  // "readme.txt" (10 bytes) becomes "..\vic.txt" (10 bytes).
  WriteFile(dir_ / L"inst\\vic.txt", "victim");
  std::wstring patched = dir_ / L"patched_uninst.exe";
  CopyFileW(uninst.c_str(), patched.c_str(), FALSE);
  PatchIndexName(patched, 1, "..\\vic.txt");
  ClearDigest(patched);  // so that the name check, not the digest, refuses it
  CopyFileW(patched.c_str(), uninst.c_str(), FALSE);
  EXPECT_NE(RunProgram(Quote(uninst) + L" /S"), 0);
  EXPECT_EQ(ReadFile(dir_ / L"inst\\vic.txt"), "victim");
  EXPECT_EQ(ReadFile(folder_ + L"\\app.exe"), SampleTree()[0].data);
  EXPECT_NE(EntryRoot(key_), nullptr);
}

TEST_F(PackageInstallTest, AFileInUseFailsTheUninstallWithNothingRemoved) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  std::vector<std::wstring> installed = ListTree(folder_);
  ShortcutPlaces at = PlacesFor(EntryRoot(key_));
  std::wstring busy = folder_ + L"\\data\\a.bin";
  HANDLE h = CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::wstring uninst = folder_ + L"\\uninst.exe";
  EXPECT_EQ(RunProgram(Quote(uninst) + L" /S"), stub::kExitFileInUse);
  // Every file, the entry and the shortcuts stay for a second attempt.
  EXPECT_EQ(ListTree(folder_), installed);
  EXPECT_EQ(ReadFile(folder_ + L"\\readme.txt"), SampleTree()[1].data);
  EXPECT_NE(EntryRoot(key_), nullptr);
  EXPECT_EQ(LinkTarget(at.desktop + L"\\app.lnk"), folder_ + L"\\app.exe");
  CloseHandle(h);
  ASSERT_EQ(RunProgram(Quote(uninst) + L" /S"), 0);
  EXPECT_TRUE(WaitGone(folder_));
  EXPECT_EQ(EntryRoot(key_), nullptr);
  EXPECT_FALSE(Exists(at.desktop + L"\\app.lnk"));
}

TEST_F(PackageInstallTest, HostileNamesAreRefusedBeforeAnythingIsWritten) {
  // Record 1 is readme.txt (10 bytes); each replacement has 10 bytes too.
  for (const char* evil : {"..\\evil.tx", "C:\\evil.tx", "\\\\h\\s\\e.tx", "a\\..\\..\\xy",
                           "..\\..\\..\\a", "data\\NUL.x", "\\evil1.txt"}) {
    std::wstring copy = dir_ / L"hostile.exe";
    CopyFileW(pkg_.c_str(), copy.c_str(), FALSE);
    PatchRecordName(copy, 1, evil);
    ClearDigest(copy);  // so that the name check, not the digest, refuses it
    EXPECT_NE(RunSilent(copy, folder_), 0) << evil;
    EXPECT_FALSE(Exists(dir_ / L"inst")) << evil;
    EXPECT_FALSE(Exists(dir_ / L"evil.tx")) << evil;
    EXPECT_FALSE(Exists(L"C:\\evil.tx")) << evil;
    EXPECT_FALSE(Exists(dir_ / L"x")) << evil;
    DeleteFileW(copy.c_str());
  }
  ExpectNothingInstalled();
}

TEST_F(PackageInstallTest, DamagedPackagesFailAndLeaveNoFiles) {
  ClearDigest(pkg_);  // the layout's own checks, without the digest
  std::string good = ReadFile(pkg_);
  std::vector<RecordPlace> places = RecordPlaces(pkg_);
  ASSERT_GE(places.size(), 7u);
  RecordPlace big = places[0];  // the record with the longest stream
  for (const RecordPlace& p : places)
    if (p.compLen > big.compLen) big = p;
  ASSERT_GT(big.compLen, 1000);
  size_t n = good.size();
  struct Damage {
    const char* what;
    std::string bytes;
  };
  auto flip = [&](size_t at, char mask) {
    std::string b = good;
    b[at] ^= mask;
    return b;
  };
  // (The trailer's total is not among them: it only sums the sizes, and a
  // package whose files all decode is installed whatever it says.)
  std::vector<Damage> cases = {
      {"truncated trailer", good.substr(0, n - 5)},
      {"truncated in the last stream", good.substr(0, n - 200)},
      {"truncated in the middle", good.substr(0, big.compLenOffset + 100)},
      {"record count flipped", flip(n - 4, 0x02)},
      {"config offset flipped", flip(n - 8, 0x10)},
      {"compLen flipped", flip(big.compLenOffset + 1, 0x01)},
      {"stream size flipped", flip(big.compLenOffset + 4 + 1, 0x01)},
      {"first flag byte flipped", flip(big.compLenOffset + 8, 0x01)},
  };
  for (const Damage& d : cases) {
    std::wstring bad = dir_ / L"damaged.exe";
    WriteFile(bad, d.bytes);
    EXPECT_NE(RunSilent(bad, folder_), 0) << d.what;
    EXPECT_FALSE(Exists(dir_ / L"inst")) << d.what;
    EXPECT_EQ(EntryRoot(key_), nullptr) << d.what;
    DeleteFileW(bad.c_str());
  }
  ExpectNothingInstalled();
}

TEST_F(PackageInstallTest, AChangedByteInAStreamIsRefusedWithNothingWritten) {
  std::vector<RecordPlace> places = RecordPlaces(pkg_);
  size_t big = 0;  // the longest stream of a payload file (the uninstaller's is last)
  for (size_t i = 0; i + 1 < places.size(); ++i)
    if (places[i].compLen > places[big].compLen) big = i;
  DamageStreamQuietly(pkg_, big);
  EXPECT_NE(RunSilent(pkg_, folder_), 0);
  ExpectNothingInstalled();
  // The same package with its digest emptied installs the changed file:
  // what the check keeps from happening.
  ClearDigest(pkg_);
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  std::vector<SourceFile> tree = SampleTree();
  int changed = 0;
  for (const SourceFile& f : tree) changed += ReadFile(folder_ + L"\\" + f.rel) != f.data;
  EXPECT_EQ(changed, 1);
}

TEST_F(PackageInstallTest, ADamagedInstalledUninstallerRemovesNothing) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  std::wstring uninst = folder_ + L"\\uninst.exe";
  std::string good = ReadFile(uninst);
  // A name of its index, and a byte of its program.
  std::wstring renamed = dir_ / L"renamed_uninst.exe";
  CopyFileW(uninst.c_str(), renamed.c_str(), FALSE);
  PatchIndexName(renamed, 1, "readme.txu");
  std::string code_changed = good;
  code_changed[0x600] ^= 0x01;
  for (const std::string& bad : {ReadFile(renamed), code_changed}) {
    WriteFile(uninst, bad);
    EXPECT_NE(RunProgram(Quote(uninst) + L" /S"), 0);
    EXPECT_EQ(ListTree(folder_), ExpectedFiles());
    EXPECT_NE(EntryRoot(key_), nullptr);
  }
  // The sound one still uninstalls.
  WriteFile(uninst, good);
  ASSERT_EQ(RunProgram(Quote(uninst) + L" /S"), 0);
  EXPECT_TRUE(WaitGone(folder_));
}

TEST_F(PackageInstallTest, WindowInstallsWhenTheUserClicksThrough) {
  Started setup(Quote(pkg_));
  ASSERT_TRUE(setup.running());
  HWND wnd = WaitForWindow(setup.pid(), L"QrSetupWindow");
  ASSERT_NE(wnd, nullptr);
  EXPECT_EQ(TextOf(wnd), sample_.app_name + L" 安装程序");
  EXPECT_NE(WaitForChild(wnd, L"Static", L"发行商：" + sample_.publisher, 1), nullptr);
  EXPECT_NE(WaitForChild(wnd, L"Static", L"版本：" + sample_.version, 1), nullptr);
  HWND edit = FindWindowExW(wnd, nullptr, L"Edit", nullptr);
  ASSERT_NE(edit, nullptr);
  // The default folder ends with the package's folder name.
  std::wstring def = TextOf(edit);
  EXPECT_EQ(def.substr(def.size() - sample_.setup_dir.size()), sample_.setup_dir);
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder_.c_str()));
  ASSERT_NE(WaitForChild(wnd, L"Button", L"取消", 1), nullptr);
  SendMessageW(WaitForChild(wnd, L"Button", L"安装", 1), BM_CLICK, 0, 0);

  HWND finish = WaitForChild(wnd, L"Button", L"完成");
  ASSERT_NE(finish, nullptr);
  HWND run = WaitForChild(wnd, L"Button", L"运行 app.exe", 1);
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(SendMessageW(run, BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageW(run, BM_SETCHECK, BST_UNCHECKED, 0);  // app.exe here is no program
  SendMessageW(finish, BM_CLICK, 0, 0);
  EXPECT_EQ(setup.Wait(), 0);
  EXPECT_EQ(ListTree(folder_), ExpectedFiles());
  EXPECT_NE(EntryRoot(key_), nullptr);

  // The uninstaller asks first; "否" keeps everything.
  std::wstring uninst = folder_ + L"\\uninst.exe";
  {
    Started no(Quote(uninst));
    HWND ask = WaitForWindow(no.pid(), L"#32770");
    ASSERT_NE(ask, nullptr);
    EXPECT_EQ(TextOf(ask), sample_.app_name + L" 卸载程序");
    SendMessageW(ask, WM_COMMAND, IDNO, 0);
    EXPECT_EQ(no.Wait(), 1);
    EXPECT_EQ(ListTree(folder_), ExpectedFiles());
  }
  // "是" removes, then says so.
  Started yes(Quote(uninst));
  HWND ask = WaitForWindow(yes.pid(), L"#32770");
  ASSERT_NE(ask, nullptr);
  SendMessageW(ask, WM_COMMAND, IDYES, 0);
  HWND done = nullptr;
  for (ULONGLONG end = GetTickCount64() + 60000; !done && GetTickCount64() < end; Sleep(100)) {
    HWND w = WaitForWindow(yes.pid(), L"#32770", 1);
    if (w && w != ask && IsWindow(w)) done = w;
  }
  ASSERT_NE(done, nullptr);
  SendMessageW(done, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(yes.Wait(), 0);
  EXPECT_TRUE(WaitGone(folder_));
  EXPECT_EQ(EntryRoot(key_), nullptr);
}

TEST_F(PackageInstallTest, WindowCancelWritesNothing) {
  Started setup(Quote(pkg_) + L" /D=" + folder_);
  HWND wnd = WaitForWindow(setup.pid(), L"QrSetupWindow");
  ASSERT_NE(wnd, nullptr);
  HWND edit = FindWindowExW(wnd, nullptr, L"Edit", nullptr);
  EXPECT_EQ(TextOf(edit), folder_);  // /D= fills the folder in the window too
  SendMessageW(WaitForChild(wnd, L"Button", L"取消", 5), BM_CLICK, 0, 0);
  EXPECT_EQ(setup.Wait(), 1);
  ExpectNothingInstalled();
}

TEST_F(PackageInstallTest, ARelativeFolderIsRefused) {
  EXPECT_NE(RunSilent(pkg_, L"relative\\folder"), 0);
  EXPECT_EQ(EntryRoot(key_), nullptr);
}

}  // namespace
}  // namespace stubtest
