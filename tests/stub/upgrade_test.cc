// Installs over installs, for real: upgrades that find the installed copy,
// failed upgrades that must leave it exactly as it was, files held open as
// running programs hold them, and products that share a folder name.
#include <windows.h>

#include <gtest/gtest.h>

#include "install_e2e.h"
#include "program_start.h"
#include "uninstall_entry.h"
#include "win_util.h"

namespace stubtest {
namespace {

class UpgradeTest : public PackageInstallTest {
 protected:
  std::wstring DefaultFolder(HKEY root) {
    return root == HKEY_LOCAL_MACHINE ? Known(FOLDERID_ProgramFiles) + L"\\" + sample_.setup_dir
                                      : Known(FOLDERID_LocalAppData) + L"\\Programs\\" + sample_.setup_dir;
  }
};

TEST_F(UpgradeTest, AFailedUpgradeLeavesThePreviousInstallExactlyAsItWas) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  InstallState before = State(folder_);
  ASSERT_EQ(before.version, L"1.2.3");
  std::wstring v2 = Build(Version2(), L"v2");

  // A late file of the package held open without sharing, as a running
  // program holds its files.
  std::wstring held = folder_ + L"\\data\\子目录\\deeper\\big.bin";
  HANDLE h = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RunSilent(v2, folder_), stub::kExitFileInUse);
  CloseHandle(h);
  EXPECT_TRUE(State(folder_) == before);
  EXPECT_EQ(ReadFile(folder_ + L"\\app.exe"), SampleTree()[0].data);

  // Once the file is free, the same upgrade goes through.
  ASSERT_EQ(RunSilent(v2, folder_), 0);
  InstallState after = State(folder_);
  EXPECT_EQ(after.version, L"2.0");
  EXPECT_EQ(after.files[L"app.exe"], SampleTree()[0].data + "v2");
  EXPECT_EQ(after.files[L"data\\new.txt"], "new in 2.0");
  EXPECT_EQ(after.links, before.links);
}

TEST_F(UpgradeTest, AnUpgradeTakesTheInstalledFolderAndLeavesOneCopyAndOneEntry) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  HKEY root = EntryRoot(key_);
  ASSERT_NE(root, nullptr);
  std::vector<std::wstring> links = Links(root);  // desktop, startup, quick launch, group x2
  WriteFile(folder_ + L"\\user.cfg", "the user's own");
  WriteFile(folder_ + L"\\data\\子目录\\notes.txt", "the user's notes");

  // Version 2 drops readme.txt and the deeper folder, adds a file, and only
  // runs the program and puts it in the program group.
  SamplePackage v2 = sample_;
  v2.version = L"2.0";
  v2.app_flags = 1 | 16;
  v2.files = {{L"app.exe", "app 2.0"},
              {L"data\\a.bin", SampleTree()[2].data},
              {L"data\\new\\n.txt", "new"}};
  std::wstring pkg2 = Build(v2, L"v2");
  ASSERT_EQ(RunProgram(Quote(pkg2) + L" /S"), 0);  // no /D=

  EXPECT_EQ(ListTree(folder_), (std::vector<std::wstring>{
                                   L"app.exe", L"data\\a.bin", L"data\\new\\n.txt",
                                   L"data\\子目录\\notes.txt", L"uninst.exe", L"user.cfg"}));
  EXPECT_EQ(ReadFile(folder_ + L"\\app.exe"), "app 2.0");
  EXPECT_FALSE(Exists(folder_ + L"\\data\\子目录\\deeper"));
  EXPECT_FALSE(Exists(DefaultFolder(root)));
  EXPECT_EQ(EntryRoot(key_), root);
  EXPECT_EQ(RegString(root, key_, L"DisplayVersion"), L"2.0");
  EXPECT_EQ(RegString(root, key_, L"InstallLocation"), folder_);
  EXPECT_EQ(RegString(root, key_, L"DisplayIcon"), folder_ + L"\\uninst.exe");
  for (size_t i = 0; i < 3; ++i) EXPECT_FALSE(Exists(links[i])) << Narrow(links[i]);
  EXPECT_EQ(LinkTarget(links[3]), folder_ + L"\\app.exe");
  EXPECT_EQ(LinkTarget(links[4]), folder_ + L"\\uninst.exe");

  // The uninstaller of version 2 takes what it installed and the group.
  ASSERT_EQ(RunProgram(Quote(folder_ + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(folder_ + L"\\uninst.exe"));
  EXPECT_EQ(ListTree(folder_),
            (std::vector<std::wstring>{L"data\\子目录\\notes.txt", L"user.cfg"}));
  EXPECT_FALSE(Exists(stub::ParentOf(links[3])));
  EXPECT_EQ(EntryRoot(key_), nullptr);
}

TEST_F(UpgradeTest, AnUpgradeToAnotherFolderMovesTheInstall) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  std::wstring moved = dir_ / L"moved\\App";
  std::wstring pkg2 = Build(Version2(), L"v2");
  ASSERT_EQ(RunSilent(pkg2, moved), 0);
  EXPECT_FALSE(Exists(folder_));
  EXPECT_FALSE(Exists(dir_ / L"inst"));  // setup made it; now empty
  EXPECT_EQ(ReadFile(moved + L"\\app.exe"), SampleTree()[0].data + "v2");
  HKEY root = EntryRoot(key_);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(RegString(root, key_, L"InstallLocation"), moved);
  for (const std::wstring& link : Links(root)) EXPECT_TRUE(LinkTarget(link).find(moved) == 0);
  ASSERT_EQ(RunProgram(Quote(moved + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(dir_ / L"moved"));
}

TEST_F(UpgradeTest, AnEntryKeyedByTheFolderNameIsTheSameProduct) {
  // Packages of earlier versions keyed the entry by the install-folder name.
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  HKEY root = EntryRoot(key_);
  ASSERT_NE(root, nullptr);
  stub::Scope scope = root == HKEY_LOCAL_MACHINE ? stub::Scope::kMachine : stub::Scope::kUser;
  stub::KeySnapshot old;
  ASSERT_TRUE(stub::SnapshotKey(scope, key_, &old));
  old.key = sample_.setup_dir;
  ASSERT_TRUE(stub::RestoreKey(old));
  ASSERT_TRUE(stub::DeleteUninstallEntry(scope, key_));

  ASSERT_EQ(RunProgram(Quote(Build(Version2(), L"v2")) + L" /S"), 0);
  EXPECT_EQ(EntryRoot(sample_.setup_dir), nullptr);
  ASSERT_EQ(EntryRoot(key_), root);
  EXPECT_EQ(RegString(root, key_, L"DisplayVersion"), L"2.0");
  EXPECT_EQ(RegString(root, key_, L"InstallLocation"), folder_);
  EXPECT_EQ(ReadFile(folder_ + L"\\app.exe"), SampleTree()[0].data + "v2");
}

TEST_F(UpgradeTest, TwoProductsWithOneFolderNameKeepTheirOwnEntries) {
  SamplePackage b = sample_;  // the same install-folder name
  b.app_name += L"乙";
  other_key_ = EntryKey(b);
  ASSERT_NE(other_key_, key_);
  std::wstring pkg_b = Build(b, L"b");
  std::wstring folder_b = dir_ / L"instB\\My App";
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  ASSERT_EQ(RunSilent(pkg_b, folder_b), 0);
  HKEY root = EntryRoot(key_);
  ASSERT_NE(root, nullptr);
  ASSERT_NE(EntryRoot(other_key_), nullptr);
  EXPECT_EQ(RegString(root, key_, L"InstallLocation"), folder_);
  EXPECT_EQ(RegString(root, other_key_, L"InstallLocation"), folder_b);

  // Either product can go without the other.
  ASSERT_EQ(RunProgram(Quote(folder_ + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(folder_));
  EXPECT_EQ(EntryRoot(key_), nullptr);
  EXPECT_EQ(ReadFile(folder_b + L"\\app.exe"), SampleTree()[0].data);
  std::wstring group_b = PlacesFor(root).programs + L"\\" + b.app_name;
  EXPECT_EQ(LinkTarget(group_b + L"\\app.lnk"), folder_b + L"\\app.exe");
  ASSERT_EQ(RunProgram(Quote(folder_b + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(folder_b));
  EXPECT_EQ(EntryRoot(other_key_), nullptr);

  // A folder that holds one product is refused to the other.
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  std::string uninst = ReadFile(folder_ + L"\\uninst.exe");
  EXPECT_EQ(RunSilent(pkg_b, folder_), 2);
  EXPECT_EQ(ReadFile(folder_ + L"\\uninst.exe"), uninst);
  EXPECT_EQ(EntryRoot(other_key_), nullptr);
}

TEST_F(UpgradeTest, AFolderTooLongForTheShellIsRefusedBeforeAnythingIsWritten) {
  // The folder itself is shorter than 248 characters, but its deepest file
  // (data\子目录\deeper\big.bin) would pass 259.
  std::wstring base = dir_ / L"inst\\";
  std::wstring folder = base + std::wstring(240 - base.size(), L'L');
  EXPECT_EQ(RunSilent(pkg_, folder), 2);
  EXPECT_FALSE(Exists(dir_ / L"inst"));
  EXPECT_EQ(EntryRoot(key_), nullptr);
}

TEST_F(UpgradeTest, TheWindowNamesAFileInUseOffersRetryAndSaysSoInItsExitCode) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  std::wstring held = folder_ + L"\\readme.txt";
  HANDLE h = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  {
    Started setup(Quote(pkg_) + L" /D=" + folder_);
    HWND wnd = WaitForWindow(setup.pid(), L"QrSetupWindow");
    ASSERT_NE(wnd, nullptr);
    SendMessageW(WaitForChild(wnd, L"Button", L"安装", 5), BM_CLICK, 0, 0);
    HWND box = WaitForDialog(setup.pid());
    ASSERT_NE(box, nullptr);
    std::wstring said = DialogText(box);
    EXPECT_NE(said.find(held), std::wstring::npos) << Narrow(said);
    EXPECT_NE(said.find(L"正在被其他程序使用"), std::wstring::npos) << Narrow(said);
    EXPECT_EQ(said.find(L"Cannot"), std::wstring::npos) << Narrow(said);
    Answer(box, IDCANCEL);
    PostMessageW(wnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(setup.Wait(), stub::kExitFileInUse);
  }
  Started setup(Quote(pkg_) + L" /D=" + folder_);
  HWND wnd = WaitForWindow(setup.pid(), L"QrSetupWindow");
  ASSERT_NE(wnd, nullptr);
  SendMessageW(WaitForChild(wnd, L"Button", L"安装", 5), BM_CLICK, 0, 0);
  HWND box = WaitForDialog(setup.pid());
  ASSERT_NE(box, nullptr);
  Answer(box, IDRETRY);  // still held: asked again
  HWND again = WaitForDialog(setup.pid(), box);
  ASSERT_NE(again, nullptr);
  CloseHandle(h);
  Answer(again, IDRETRY);
  HWND finish = WaitForChild(wnd, L"Button", L"完成");
  ASSERT_NE(finish, nullptr);
  SendMessageW(WaitForChild(wnd, L"Button", L"运行 app.exe", 1), BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(finish, BM_CLICK, 0, 0);
  EXPECT_EQ(setup.Wait(), 0);
  EXPECT_EQ(ListTree(folder_), ExpectedFiles());
}

// Backups the commit could not delete (another program holds their folder)
// are named in the window's last message; the next run removes them.
TEST_F(UpgradeTest, TheWindowNamesTheFolderOfBackupsItCouldNotDelete) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  // Large enough that the reinstall is still running when its staging
  // folder appears (its last record is the large one).
  SamplePackage big = sample_;
  big.files = SampleTree();
  big.files.push_back({L"data\\large.bin", MakeData(24 << 20, 9)});
  std::wstring pkg = Build(big, L"big");
  Started setup(Quote(pkg) + L" /D=" + folder_);
  HWND wnd = WaitForWindow(setup.pid(), L"QrSetupWindow");
  ASSERT_NE(wnd, nullptr);
  SendMessageW(WaitForChild(wnd, L"Button", L"安装", 5), BM_CLICK, 0, 0);
  // The replaced files wait in the staging folder: hold it open, as a
  // virus scanner or an Explorer window may.
  std::wstring staging;
  for (ULONGLONG end = GetTickCount64() + 60000; staging.empty() && GetTickCount64() < end;) {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((folder_ + L"\\~qrsetup*.tmp").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) continue;
    FindClose(find);
    staging = folder_ + L"\\" + fd.cFileName;
  }
  ASSERT_FALSE(staging.empty());
  HANDLE held = CreateFileW(staging.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  HWND box = WaitForDialog(setup.pid());
  ASSERT_NE(box, nullptr);
  std::wstring said = DialogText(box);
  EXPECT_NE(said.find(L"安装已完成"), std::wstring::npos) << Narrow(said);
  EXPECT_NE(said.find(staging), std::wstring::npos) << Narrow(said);
  Answer(box, IDOK);
  HWND finish = WaitForChild(wnd, L"Button", L"完成");
  ASSERT_NE(finish, nullptr);
  SendMessageW(WaitForChild(wnd, L"Button", L"运行 app.exe", 1), BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(finish, BM_CLICK, 0, 0);
  EXPECT_EQ(setup.Wait(), 0);
  CloseHandle(held);
  EXPECT_TRUE(Exists(staging));
  // The next run finishes the cleanup.
  ASSERT_EQ(RunSilent(pkg, folder_), 0);
  EXPECT_FALSE(Exists(staging));
  EXPECT_EQ(ReadFile(folder_ + L"\\data\\large.bin"), MakeData(24 << 20, 9));
}

TEST_F(UpgradeTest, TheUninstallWindowNamesAFileInUseAndRemovesNothing) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  InstallState before = State(folder_);
  std::wstring held = folder_ + L"\\data\\a.bin";
  HANDLE h = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  Started un(Quote(folder_ + L"\\uninst.exe"));
  HWND ask = WaitForDialog(un.pid());
  ASSERT_NE(ask, nullptr);
  Answer(ask, IDYES);
  HWND busy = WaitForDialog(un.pid(), ask);
  ASSERT_NE(busy, nullptr);
  std::wstring said = DialogText(busy);
  EXPECT_NE(said.find(held), std::wstring::npos) << Narrow(said);
  EXPECT_NE(said.find(L"正在被其他程序使用"), std::wstring::npos) << Narrow(said);
  Answer(busy, IDCANCEL);
  HWND failed = WaitForDialog(un.pid(), busy);
  ASSERT_NE(failed, nullptr);
  EXPECT_NE(DialogText(failed).find(L"没有删除任何文件"), std::wstring::npos);
  Answer(failed, IDOK);
  EXPECT_EQ(un.Wait(), stub::kExitFileInUse);
  CloseHandle(h);
  EXPECT_TRUE(State(folder_) == before);
}

// A shortcut held open (the shell reading its icon for good) cannot be
// deleted: the uninstall fails, says so and puts everything back.
TEST_F(UpgradeTest, AShortcutTheUninstallerCannotDeleteFailsItAndRemovesNothing) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  InstallState before = State(folder_);
  HKEY root = EntryRoot(key_);
  ASSERT_NE(root, nullptr);
  std::wstring link = Links(root)[0];
  HANDLE h = CreateFileW(link.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RunProgram(Quote(folder_ + L"\\uninst.exe") + L" /S"), 2);
  CloseHandle(h);
  EXPECT_TRUE(State(folder_) == before);
  ASSERT_EQ(RunProgram(Quote(folder_ + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(folder_));
  EXPECT_FALSE(Exists(link));
}

TEST_F(UpgradeTest, AnOlderVersionAsksInTheWindowAndSilentDoesAsTold) {
  std::wstring v2 = Build(Version2(), L"v2");
  ASSERT_EQ(RunSilent(v2, folder_), 0);
  {
    Started setup(Quote(pkg_));  // version 1.2.3, no /D=
    HWND wnd = WaitForWindow(setup.pid(), L"QrSetupWindow");
    ASSERT_NE(wnd, nullptr);
    // The window offers the installed folder and names the installed version.
    EXPECT_EQ(TextOf(FindWindowExW(wnd, nullptr, L"Edit", nullptr)), folder_);
    EXPECT_NE(WaitForChild(wnd, L"Static", L"已安装版本 2.0，点击“安装”将其更新。", 5), nullptr);
    // Posted: the click opens a modal question, which a sent click would wait for.
    PostMessageW(WaitForChild(wnd, L"Button", L"安装", 5), BM_CLICK, 0, 0);
    HWND ask = WaitForDialog(setup.pid());
    ASSERT_NE(ask, nullptr);
    EXPECT_NE(DialogText(ask).find(L"较旧的版本 1.2.3"), std::wstring::npos);
    Answer(ask, IDNO);
    PostMessageW(wnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(setup.Wait(), 1);
  }
  HKEY root = EntryRoot(key_);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(RegString(root, key_, L"DisplayVersion"), L"2.0");
  EXPECT_EQ(ReadFile(folder_ + L"\\data\\new.txt"), "new in 2.0");

  ASSERT_EQ(RunProgram(Quote(pkg_) + L" /S"), 0);
  EXPECT_EQ(RegString(root, key_, L"DisplayVersion"), L"1.2.3");
  EXPECT_EQ(ListTree(folder_), ExpectedFiles());  // 2.0's new.txt went
  EXPECT_EQ(ReadFile(folder_ + L"\\app.exe"), SampleTree()[0].data);
}

}  // namespace
}  // namespace stubtest
