// Packages installed and uninstalled for real: the package runs with
// /S /D=<folder>, the installed files, shortcuts and uninstall entry are
// compared with what the package holds, and uninst.exe /S takes exactly that
// away again. Hostile and damaged packages must write nothing.
#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "package_fixture.h"
#include "shell_places.h"
#include "stub_test_util.h"

namespace stubtest {
namespace {

constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

int RunSilent(const std::wstring& pkg, const std::wstring& folder) {
  return RunProgram(Quote(pkg) + L" /S /D=" + folder);
}

// The uninstall entry's key, in HKLM or HKCU; nullptr when in neither.
HKEY EntryRoot(const std::wstring& key) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    HKEY k;
    if (RegOpenKeyExW(root, (kUninstallRoot + key).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &k) ==
        ERROR_SUCCESS) {
      RegCloseKey(k);
      return root;
    }
  }
  return nullptr;
}

std::wstring RegString(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t buf[4096];
  DWORD bytes = sizeof buf;
  if (RegGetValueW(root, (kUninstallRoot + key).c_str(), name, RRF_RT_REG_SZ,
                   nullptr, buf, &bytes) != ERROR_SUCCESS)
    return L"<missing>";
  return buf;
}

DWORD RegDword(HKEY root, const std::wstring& key, const wchar_t* name) {
  DWORD v = 0xFFFFFFFF, bytes = sizeof v;
  RegGetValueW(root, (kUninstallRoot + key).c_str(), name, RRF_RT_REG_DWORD,
               nullptr, &v, &bytes);
  return v;
}

std::wstring Known(const KNOWNFOLDERID& id) {
  PWSTR p = nullptr;
  std::wstring out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &p))) out = p;
  CoTaskMemFree(p);
  return out;
}

// Where the shortcuts of an install in root (HKLM: all users) must be.
struct ShortcutPlaces {
  std::wstring desktop, startup, programs, quick_launch;
};
ShortcutPlaces PlacesFor(HKEY root) {
  bool machine = root == HKEY_LOCAL_MACHINE;
  std::wstring quick = Known(FOLDERID_QuickLaunch);
  if (quick.empty())  // wine knows no quick-launch folder; its classic place
    quick = Known(FOLDERID_RoamingAppData) + L"\\Microsoft\\Internet Explorer\\Quick Launch";
  return {Known(machine ? FOLDERID_PublicDesktop : FOLDERID_Desktop),
          Known(machine ? FOLDERID_CommonStartup : FOLDERID_Startup),
          Known(machine ? FOLDERID_CommonPrograms : FOLDERID_Programs), quick};
}

std::wstring LinkTarget(const std::wstring& link) {
  std::wstring t;
  return stub::ReadShortcutTarget(link, &t) ? t : L"<none>";
}

// Waits for the uninstaller's cleanup pass to remove path.
bool WaitGone(const std::wstring& path, int seconds = 30) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (!Exists(path)) return true;
    Sleep(100);
  }
  return false;
}


// A started program that the test drives through its windows.
class Started {
 public:
  explicit Started(const std::wstring& cmdline) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    std::wstring cmd = cmdline;
    if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
      CloseHandle(pi_.hThread);
  }
  ~Started() {
    if (pi_.hProcess) {
      if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 99);
      CloseHandle(pi_.hProcess);
    }
  }
  bool running() const { return pi_.hProcess != nullptr; }
  DWORD pid() const { return pi_.dwProcessId; }
  // The exit code, or -1 when it does not end in time.
  int Wait(DWORD ms = 60000) {
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0) GetExitCodeProcess(pi_.hProcess, &code);
    return static_cast<int>(code);
  }

 private:
  PROCESS_INFORMATION pi_ = {};
};

// A visible top-level window of process pid with class cls, within the time.
HWND WaitForWindow(DWORD pid, const wchar_t* cls, int seconds = 60) {
  for (int i = 0; i < seconds * 10; ++i) {
    for (HWND w = FindWindowW(cls, nullptr); w; w = FindWindowExW(nullptr, w, cls, nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      if (owner == pid && IsWindowVisible(w)) return w;
    }
    Sleep(100);
  }
  return nullptr;
}

std::wstring TextOf(HWND w) {
  wchar_t buf[1024] = {};
  SendMessageW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf));
  return buf;
}

// The child of parent with class cls and text, waiting for it to appear.
HWND WaitForChild(HWND parent, const wchar_t* cls, const std::wstring& text, int seconds = 60) {
  for (int i = 0; i < seconds * 10; ++i) {
    for (HWND c = FindWindowExW(parent, nullptr, cls, nullptr); c;
         c = FindWindowExW(parent, c, cls, nullptr))
      if (TextOf(c) == text && IsWindowVisible(c)) return c;
    Sleep(100);
  }
  return nullptr;
}

class PackageInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // Unique per test, within the writer's 20 characters.
    // The app name names the program group, so it is unique too.
    static int count = 0;
    std::wstring tag = std::to_wstring(GetTickCount64() % 100000) + L"_" + std::to_wstring(++count);
    sample_.setup_dir = L"QrT" + tag;
    sample_.app_name = L"测试软件" + tag;
    src_ = dir_ / L"src";
    pkg_ = dir_ / L"setup_pkg.exe";
    folder_ = dir_ / L"inst\\My App";
    BuildSamplePackage(src_, sample_, pkg_);
  }
  void TearDown() override {
    if (HKEY root = EntryRoot(sample_.setup_dir))
      RegDeleteKeyExW(root, (kUninstallRoot + sample_.setup_dir).c_str(), KEY_WOW64_64KEY, 0);
    CoUninitialize();
  }

  std::vector<std::wstring> ExpectedFiles() const {
    std::vector<std::wstring> files;
    for (const SourceFile& f : SampleTree()) files.push_back(f.rel);
    files.push_back(L"uninst.exe");
    std::sort(files.begin(), files.end());
    return files;
  }

  // Nothing of the package anywhere: no folder, no entry.
  void ExpectNothingInstalled() {
    EXPECT_FALSE(Exists(dir_ / L"inst"));
    EXPECT_EQ(EntryRoot(sample_.setup_dir), nullptr);
    EXPECT_EQ(ListTree(dir_.path()).size(), SampleTree().size() + 1);  // the sources and the package
  }

  ScratchDir dir_{L"e2e"};
  SamplePackage sample_;
  std::wstring src_, pkg_, folder_;
};

TEST_F(PackageInstallTest, InstallsRegistersAndUninstallsExactlyItsOwnFiles) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);

  // Every file, byte for byte.
  ASSERT_EQ(ListTree(folder_), ExpectedFiles());
  for (const SourceFile& f : SampleTree())
    EXPECT_EQ(ReadFile(folder_ + L"\\" + f.rel), f.data) << Narrow(f.rel);
  EXPECT_EQ(ReadFile(folder_ + L"\\uninst.exe").substr(0, 2), "MZ");

  // The uninstall entry.
  HKEY root = EntryRoot(sample_.setup_dir);
  ASSERT_NE(root, nullptr);
  const std::wstring& key = sample_.setup_dir;
  std::wstring uninst = folder_ + L"\\uninst.exe";
  EXPECT_EQ(RegString(root, key, L"DisplayName"), sample_.app_name);
  EXPECT_EQ(RegString(root, key, L"DisplayVersion"), sample_.version);
  EXPECT_EQ(RegString(root, key, L"Publisher"), sample_.publisher);
  EXPECT_EQ(RegString(root, key, L"InstallLocation"), folder_);
  EXPECT_EQ(RegString(root, key, L"UninstallString"), Quote(uninst));
  EXPECT_EQ(RegString(root, key, L"QuietUninstallString"), Quote(uninst) + L" /S");
  EXPECT_EQ(RegString(root, key, L"DisplayIcon"), folder_ + L"\\app.exe");
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

TEST_F(PackageInstallTest, UninstallRemovesTheEmptiedFolderItself) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  ASSERT_EQ(RunProgram(Quote(folder_ + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(folder_));
  // setup made "inst" too, but the uninstaller only knows the install folder.
  EXPECT_TRUE(Exists(dir_ / L"inst"));
}

TEST_F(PackageInstallTest, ReinstallReplacesFilesAndKeepsUserFiles) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  WriteFile(folder_ + L"\\readme.txt", "edited by the user");
  WriteFile(folder_ + L"\\user.cfg", "mine");
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  EXPECT_EQ(ReadFile(folder_ + L"\\readme.txt"), SampleTree()[1].data);
  EXPECT_EQ(ReadFile(folder_ + L"\\user.cfg"), "mine");
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
  EXPECT_NE(EntryRoot(sample_.setup_dir), nullptr);
}

TEST_F(PackageInstallTest, AFileInUseFailsTheUninstallAndARetryFinishesIt) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  std::wstring busy = folder_ + L"\\data\\a.bin";
  HANDLE h = CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::wstring uninst = folder_ + L"\\uninst.exe";
  EXPECT_NE(RunProgram(Quote(uninst) + L" /S"), 0);
  // The entry and the uninstaller stay for a second attempt.
  EXPECT_NE(EntryRoot(sample_.setup_dir), nullptr);
  EXPECT_TRUE(Exists(uninst));
  EXPECT_TRUE(Exists(busy));
  EXPECT_FALSE(Exists(folder_ + L"\\readme.txt"));
  CloseHandle(h);
  ASSERT_EQ(RunProgram(Quote(uninst) + L" /S"), 0);
  EXPECT_TRUE(WaitGone(folder_));
  EXPECT_EQ(EntryRoot(sample_.setup_dir), nullptr);
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
    EXPECT_EQ(EntryRoot(sample_.setup_dir), nullptr) << d.what;
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
    EXPECT_NE(EntryRoot(sample_.setup_dir), nullptr);
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
  EXPECT_NE(EntryRoot(sample_.setup_dir), nullptr);

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
  EXPECT_EQ(EntryRoot(sample_.setup_dir), nullptr);
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
  EXPECT_EQ(EntryRoot(sample_.setup_dir), nullptr);
}

}  // namespace
}  // namespace stubtest
