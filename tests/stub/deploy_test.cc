// The switches deployment tools use, end to end: the log (/LOG) of installs
// and uninstalls that succeed and fail, the scope (/ALLUSERS, /CURRENTUSER)
// and the exit code of a file in use.
#include <windows.h>

#include <gtest/gtest.h>

#include "install_e2e.h"

namespace stubtest {
namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

class DeployTest : public PackageInstallTest {
 protected:
  void TearDown() override {
    for (const std::wstring& f : remove_after_) {
      std::wstring uninst = f + L"\\uninst.exe";
      if (Exists(uninst)) {
        RunProgram(Quote(uninst) + L" /S");
        WaitGone(uninst);
      }
    }
    PackageInstallTest::TearDown();
  }

  // The log as text, after checking that it is UTF-8 with a byte-order mark.
  std::string LogText(const std::wstring& path) {
    std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.rfind(kBom, 0), 0u) << Narrow(path);
    return bytes;
  }
  static bool Has(const std::string& log, const std::wstring& text) {
    return log.find(Narrow(text)) != std::string::npos;
  }
  // The log's last entry names the exit code.
  static bool EndsWithExitCode(const std::string& log, int code) {
    std::string last = "退出码：" + std::to_string(code) + "\r\n";
    return log.size() >= last.size() && log.compare(log.size() - last.size(), last.size(), last) == 0;
  }

  ScratchDir logs_{L"logs"};  // beside the test's folder, which must hold nothing else
  std::wstring log_ = logs_ / L"install.log";
  std::vector<std::wstring> remove_after_;
};

TEST_F(DeployTest, TheLogOfASilentInstallAndUninstallNamesEveryFileAndTheExitCode) {
  WriteFile(folder_ + L"\\other.txt", "not the package's");  // the window would ask
  ASSERT_EQ(RunProgram(Quote(pkg_) + L" /S /LOG=" + Quote(log_) + L" /D=" + folder_), 0);
  std::string log = LogText(log_);
  EXPECT_TRUE(Has(log, L"安装包：" + sample_.app_name + L" 1.2.3")) << log;
  EXPECT_TRUE(Has(log, L"SHA-256 ")) << log;
  EXPECT_TRUE(Has(log, L"安装位置：" + folder_ + L"（命令行参数）")) << log;
  EXPECT_TRUE(Has(log, L"安装范围：为所有用户安装（按安装程序的权限）")) << log;
  for (const std::wstring& rel : ExpectedFiles())
    EXPECT_TRUE(Has(log, L"放置文件：" + folder_ + L"\\" + rel)) << Narrow(rel);
  ShortcutPlaces at = PlacesFor(HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(Has(log, L"创建快捷方式：" + at.desktop + L"\\app.lnk → " + folder_ + L"\\app.exe")) << log;
  EXPECT_TRUE(Has(log, L"写入注册表值：HKLM\\" + std::wstring(kUninstallRoot) + key_ +
                           L"\\InstallLocation = " + folder_))
      << log;
  EXPECT_TRUE(Has(log, L"事务已提交")) << log;
  EXPECT_TRUE(EndsWithExitCode(log, 0)) << log;
  EXPECT_TRUE(Has(log, L"消息：安装位置“" + folder_ + L"”中已有不属于此软件的文件，安装将替换其中 0 个文件。"))
      << log;
  DeleteFileW((folder_ + L"\\other.txt").c_str());

  // The uninstaller's log, which its cleanup copy goes on writing.
  std::wstring removal = logs_ / L"uninstall.log";
  ASSERT_EQ(RunProgram(Quote(folder_ + L"\\uninst.exe") + L" /S " + Quote(L"/LOG=" + removal)), 0);
  // (The folder was there before setup: it stays.)
  ASSERT_TRUE(WaitGone(folder_ + L"\\uninst.exe"));
  for (int i = 0; i < 50 && !Has(ReadFile(removal), L"删除文件：" + folder_ + L"\\uninst.exe"); ++i)
    Sleep(100);
  log = LogText(removal);
  for (const std::wstring& rel : ExpectedFiles())
    EXPECT_TRUE(Has(log, L"删除文件：" + folder_ + L"\\" + rel)) << Narrow(rel);
  EXPECT_TRUE(Has(log, L"删除快捷方式：" + at.desktop + L"\\app.lnk")) << log;
  EXPECT_TRUE(Has(log, L"删除注册表项：HKLM\\" + std::wstring(kUninstallRoot) + key_)) << log;
  EXPECT_TRUE(Has(log, L"退出码：0")) << log;
  EXPECT_EQ(log.find("\xEF\xBB\xBF", 1), std::string::npos) << "one log, continued";
}

TEST_F(DeployTest, AFailedSilentInstallLogsTheReasonAndItsExitCode) {
  // A damaged package.
  std::wstring damaged = dir_ / L"damaged.exe";
  CopyFileW(pkg_.c_str(), damaged.c_str(), FALSE);
  DamageStreamQuietly(damaged, 1);
  EXPECT_EQ(RunProgram(Quote(damaged) + L" /S /LOG=" + Quote(log_) + L" /D=" + folder_), 2);
  std::string log = LogText(log_);
  EXPECT_TRUE(Has(log, L"消息：安装包已损坏：校验值不符")) << log;
  EXPECT_TRUE(EndsWithExitCode(log, 2)) << log;
  DeleteFileW(damaged.c_str());
  ExpectNothingInstalled();

  // A forbidden folder.
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(RunProgram(Quote(pkg_) + L" /S /LOG=" + Quote(log_) + L" /D=" + windows), 2);
  log = LogText(log_);
  EXPECT_TRUE(Has(log, L"消息：不能安装到“")) << log;
  EXPECT_TRUE(EndsWithExitCode(log, 2)) << log;

  // A file in use: its own exit code, for a tool to try again later.
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  remove_after_.push_back(folder_);
  std::wstring v2 = Build(Version2(), L"v2");
  std::wstring held = folder_ + L"\\data\\a.bin";
  HANDLE h = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RunProgram(Quote(v2) + L" /S /LOG=" + Quote(log_) + L" /D=" + folder_), 3);
  log = LogText(log_);
  EXPECT_TRUE(Has(log, L"已安装的版本：1.2.3")) << log;
  EXPECT_TRUE(Has(log, L"消息：无法替换文件“" + held + L"”，它正在被其他程序使用。")) << log;
  EXPECT_TRUE(EndsWithExitCode(log, 3)) << log;
  // The uninstaller: the same code, nothing removed.
  std::wstring uninst = folder_ + L"\\uninst.exe";
  EXPECT_EQ(RunProgram(Quote(uninst) + L" /S /LOG=" + Quote(log_)), 3);
  log = LogText(log_);
  EXPECT_TRUE(Has(log, L"无法删除文件“" + held + L"”")) << log;
  EXPECT_TRUE(EndsWithExitCode(log, 3)) << log;
  CloseHandle(h);
  EXPECT_EQ(ReadFile(folder_ + L"\\app.exe"), SampleTree()[0].data);
  EXPECT_EQ(RunProgram(Quote(v2) + L" /S /D=" + folder_), 0) << "free again: the retry goes through";
}

TEST_F(DeployTest, ALogThatCannotBeWrittenChangesNothing) {
  // A folder where the file should be, and a folder that is not there.
  for (const std::wstring& bad : {dir_.path(), dir_ / L"missing\\x.log"}) {
    ASSERT_EQ(RunProgram(Quote(pkg_) + L" /S " + Quote(L"/LOG=" + bad) + L" /D=" + folder_), 0);
    EXPECT_EQ(ListTree(folder_), ExpectedFiles());
    ASSERT_EQ(RunProgram(Quote(folder_ + L"\\uninst.exe") + L" /S " + Quote(L"/LOG=" + bad)), 0);
    EXPECT_TRUE(WaitGone(folder_));
    EXPECT_FALSE(Exists(dir_ / L"missing"));
  }
  // In the window, it is said once, and the window comes all the same.
  Started setup(Quote(pkg_) + L" " + Quote(L"/LOG=" + dir_.path()));
  HWND box = WaitForDialog(setup.pid());
  ASSERT_NE(box, nullptr);
  EXPECT_NE(DialogText(box).find(L"无法写入日志文件“" + dir_.path() + L"”"), std::wstring::npos)
      << Narrow(DialogText(box));
  Answer(box, IDOK);
  HWND wnd = WaitForWindow(setup.pid(), L"QrSetupWindow");
  ASSERT_NE(wnd, nullptr);
  PostMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(setup.Wait(), 1);
}

TEST_F(DeployTest, LogAloneWritesANewFileInTempNamedAfterTheProduct) {
  wchar_t temp[MAX_PATH + 1];
  std::wstring folder(temp, GetTempPathW(MAX_PATH + 1, temp));
  std::wstring pattern = folder + sample_.app_name + L"_setup_*.log";
  ASSERT_EQ(RunProgram(Quote(pkg_) + L" /S /LOG /D=" + folder_), 0);
  remove_after_.push_back(folder_);
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW(pattern.c_str(), &fd);
  ASSERT_NE(find, INVALID_HANDLE_VALUE) << Narrow(pattern);
  std::wstring made = folder + fd.cFileName;
  EXPECT_FALSE(FindNextFileW(find, &fd)) << "one log";
  FindClose(find);
  std::string log = LogText(made);
  EXPECT_TRUE(EndsWithExitCode(log, 0)) << log;
  DeleteFileW(made.c_str());
}

TEST_F(DeployTest, TheScopeSwitchesChooseTheEntryAndTheDefaultFolder) {
  std::wstring user_folder = Known(FOLDERID_LocalAppData) + L"\\Programs\\" + sample_.setup_dir;
  std::wstring machine_folder = Known(FOLDERID_ProgramFiles) + L"\\" + sample_.setup_dir;
  remove_after_ = {user_folder, machine_folder};

  // Both together: refused, nothing installed.
  std::string said;
  EXPECT_EQ(RunProgramCapturing(Quote(pkg_) + L" /S /ALLUSERS /CURRENTUSER", &said), 2);
  EXPECT_NE(said.find("无法识别的命令行参数：/CURRENTUSER"), std::string::npos) << said;
  EXPECT_EQ(EntryRoot(key_), nullptr);

  // Per user, though this process may write the machine's places.
  ASSERT_EQ(RunProgram(Quote(pkg_) + L" /S /CURRENTUSER /LOG=" + Quote(log_)), 0);
  EXPECT_EQ(EntryRoot(key_), HKEY_CURRENT_USER);
  EXPECT_EQ(RegString(HKEY_CURRENT_USER, key_, L"InstallLocation"), user_folder);
  EXPECT_EQ(ListTree(user_folder), ExpectedFiles());
  EXPECT_FALSE(Exists(machine_folder));
  ShortcutPlaces mine = PlacesFor(HKEY_CURRENT_USER);
  EXPECT_EQ(LinkTarget(mine.desktop + L"\\app.lnk"), user_folder + L"\\app.exe");
  std::string log = LogText(log_);
  EXPECT_TRUE(Has(log, L"安装范围：仅为我安装（命令行参数）")) << log;
  EXPECT_TRUE(Has(log, L"安装位置：" + user_folder + L"（默认位置）")) << log;

  // Again per user: an upgrade of that install, in its scope.
  ASSERT_EQ(RunProgram(Quote(Build(Version2(), L"v2")) + L" /S /CURRENTUSER /LOG=" + Quote(log_)), 0);
  log = LogText(log_);
  EXPECT_TRUE(Has(log, L"安装范围：仅为我安装（已安装的版本）")) << log;
  EXPECT_EQ(RegString(HKEY_CURRENT_USER, key_, L"DisplayVersion"), L"2.0");
  ASSERT_EQ(RunProgram(Quote(user_folder + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(user_folder));
  EXPECT_EQ(EntryRoot(key_), nullptr);

  // Per machine.
  ASSERT_EQ(RunProgram(Quote(pkg_) + L" /S /ALLUSERS"), 0);
  EXPECT_EQ(EntryRoot(key_), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, key_, L"InstallLocation"), machine_folder);
  EXPECT_EQ(ListTree(machine_folder), ExpectedFiles());
  // Now per user is refused: the product is installed for all users.
  EXPECT_EQ(RunProgramCapturing(Quote(pkg_) + L" /S /CURRENTUSER", &said), 2);
  EXPECT_NE(said.find("此软件已为这台计算机的所有用户安装"), std::string::npos) << said;
  EXPECT_FALSE(Exists(user_folder));
  EXPECT_EQ(EntryRoot(key_), HKEY_LOCAL_MACHINE);
}

TEST_F(DeployTest, TheWindowOffersTheScopeAndTheFolderFollowsTheChoice) {
  std::wstring user_folder = Known(FOLDERID_LocalAppData) + L"\\Programs\\" + sample_.setup_dir;
  std::wstring machine_folder = Known(FOLDERID_ProgramFiles) + L"\\" + sample_.setup_dir;
  remove_after_ = {user_folder};
  Started setup(Quote(pkg_) + L" /LOG=" + Quote(log_));
  HWND wnd = WaitForWindow(setup.pid(), L"QrSetupWindow");
  ASSERT_NE(wnd, nullptr);
  HWND all = WaitForChild(wnd, L"Button", L"为所有用户安装", 5);
  HWND me = WaitForChild(wnd, L"Button", L"仅为我安装", 5);
  ASSERT_TRUE(all && me);
  EXPECT_EQ(SendMessageW(all, BM_GETCHECK, 0, 0), BST_CHECKED) << "today's rule: this process may";
  HWND edit = FindWindowExW(wnd, nullptr, L"Edit", nullptr);
  EXPECT_EQ(TextOf(edit), machine_folder);
  SendMessageW(me, BM_CLICK, 0, 0);
  EXPECT_EQ(TextOf(edit), user_folder);
  SendMessageW(WaitForChild(wnd, L"Button", L"安装", 5), BM_CLICK, 0, 0);
  HWND finish = WaitForChild(wnd, L"Button", L"完成");
  ASSERT_NE(finish, nullptr);
  EXPECT_FALSE(IsWindowVisible(me)) << "the row is the run box's now";
  SendMessageW(WaitForChild(wnd, L"Button", L"运行 app.exe", 5), BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(finish, BM_CLICK, 0, 0);
  EXPECT_EQ(setup.Wait(), 0);
  EXPECT_EQ(EntryRoot(key_), HKEY_CURRENT_USER);
  EXPECT_EQ(ListTree(user_folder), ExpectedFiles());
  std::string log = LogText(log_);
  EXPECT_TRUE(Has(log, L"安装范围：仅为我安装（在窗口中选择）")) << log;

  // The upgrade's window offers no choice and says which scope it keeps.
  // (A setup that may write the machine's places reads only the machine's
  // entries unless told /CURRENTUSER.)
  Started again(Quote(pkg_) + L" /CURRENTUSER");
  wnd = WaitForWindow(again.pid(), L"QrSetupWindow");
  ASSERT_NE(wnd, nullptr);
  EXPECT_NE(WaitForChild(wnd, L"Static", L"已仅为当前用户安装，更新后保持不变", 5), nullptr);
  EXPECT_EQ(FindWindowExW(wnd, nullptr, L"Button", L"仅为我安装"), nullptr);
  PostMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(again.Wait(), 1);
}

}  // namespace
}  // namespace stubtest
