// What setup refuses to act on, for real: uninstall entries that are not
// ours, folders it never installs into, folders that were there before, a
// cancel that must pause and undo, messages that say what failed once, and
// the program of option 1 left to the unprivileged run that started an
// elevated one.
#include <windows.h>

#include <gtest/gtest.h>

#include "install_e2e.h"
#include "install_transaction.h"
#include "installed_product.h"
#include "package_source.h"
#include "setup_elevation.h"
#include "win_util.h"

namespace stubtest {
namespace {

std::wstring WindowsFolder() {
  wchar_t buf[MAX_PATH];
  GetWindowsDirectoryW(buf, MAX_PATH);
  return buf;
}

class TrustTest : public PackageInstallTest {
 protected:
  void TearDown() override {
    for (const std::wstring& f : remove_after_) {
      std::wstring uninst = f + L"\\uninst.exe";
      if (Exists(uninst)) {
        RunProgram(Quote(uninst) + L" /S");
        WaitGone(uninst);
      }
    }
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
      RegDeleteKeyExW(root, (kUninstallRoot + key_).c_str(), KEY_WOW64_64KEY, 0);
    for (const std::wstring& f : delete_after_) DeleteFileW(f.c_str());
    PackageInstallTest::TearDown();
  }

  // Writes an entry at the product's key in root, as anyone who may write
  // the key could.
  void PlantEntry(HKEY root, const std::wstring& location, const std::wstring& uninstaller) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExW(root, (kUninstallRoot + key_).c_str(), 0, nullptr, 0,
                              KEY_WRITE | KEY_WOW64_64KEY, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    auto set = [&](const wchar_t* name, const std::wstring& v) {
      RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                     static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t)));
    };
    set(L"DisplayName", sample_.app_name);
    set(L"Publisher", sample_.publisher);
    set(L"DisplayVersion", L"0.1");
    set(L"InstallLocation", location);
    set(L"UninstallString", Quote(uninstaller));
    const wchar_t none[2] = {0, 0};
    RegSetValueExW(k, L"QrShortcuts", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(none), sizeof none);
    RegCloseKey(k);
  }

  std::wstring DefaultMachineFolder() { return Known(FOLDERID_ProgramFiles) + L"\\" + sample_.setup_dir; }

  std::vector<std::wstring> remove_after_;  // install folders to uninstall at the end
  std::vector<std::wstring> delete_after_;  // files to delete at the end
};

TEST_F(TrustTest, AnEntryThatIsNotOursIsIgnoredAndNothingGoesIntoItsFolder) {
  std::wstring system32 = WindowsFolder() + L"\\system32";
  PlantEntry(HKEY_CURRENT_USER, system32, system32 + L"\\uninst.exe");
  PlantEntry(HKEY_LOCAL_MACHINE, system32, system32 + L"\\uninst.exe");
  remove_after_.push_back(DefaultMachineFolder());
  ASSERT_EQ(RunProgram(Quote(pkg_) + L" /S"), 0);
  EXPECT_FALSE(Exists(system32 + L"\\readme.txt"));
  EXPECT_FALSE(Exists(system32 + L"\\app.exe"));
  EXPECT_FALSE(Exists(system32 + L"\\uninst.exe"));
  // Installed as though nothing were: in the default folder, with its own entry.
  EXPECT_EQ(ReadFile(DefaultMachineFolder() + L"\\app.exe"), SampleTree()[0].data);
  EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, key_, L"InstallLocation"), DefaultMachineFolder());
  // The per-user claim is not touched by a per-machine install.
  EXPECT_EQ(RegString(HKEY_CURRENT_USER, key_, L"InstallLocation"), system32);
}

TEST_F(TrustTest, AChangedFolderInARealEntryDoesNotRedirectTheUpgrade) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  HKEY root = EntryRoot(key_);
  ASSERT_EQ(root, HKEY_LOCAL_MACHINE);  // setup under wine may write HKLM
  std::wstring windows = WindowsFolder();
  HKEY k;
  ASSERT_EQ(RegOpenKeyExW(root, (kUninstallRoot + key_).c_str(), 0, KEY_WRITE | KEY_WOW64_64KEY, &k),
            ERROR_SUCCESS);
  RegSetValueExW(k, L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(windows.c_str()),
                 static_cast<DWORD>((windows.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(k);
  remove_after_.push_back(DefaultMachineFolder());  // folder_ keeps v1, without an entry
  SamplePackage v2 = sample_;
  v2.version = L"2.0";
  ASSERT_EQ(RunProgram(Quote(Build(v2, L"v2")) + L" /S"), 0);
  EXPECT_FALSE(Exists(windows + L"\\app.exe"));
  EXPECT_FALSE(Exists(windows + L"\\readme.txt"));
  EXPECT_TRUE(Exists(DefaultMachineFolder() + L"\\app.exe"));
  EXPECT_EQ(RegString(root, key_, L"InstallLocation"), DefaultMachineFolder());
}

TEST_F(TrustTest, OurEntryInAForbiddenFolderRefusesTheInstallAndNamesTheFolder) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  std::wstring data = Known(FOLDERID_ProgramData);
  ASSERT_TRUE(stub::FolderExists(data));
  std::wstring planted = data + L"\\uninst.exe";
  ASSERT_TRUE(CopyFileW((folder_ + L"\\uninst.exe").c_str(), planted.c_str(), FALSE));
  delete_after_.push_back(planted);
  PlantEntry(HKEY_LOCAL_MACHINE, data, planted);
  std::string said;
  EXPECT_EQ(RunProgramCapturing(Quote(pkg_) + L" /S", &said), 2);
  EXPECT_NE(said.find(Narrow(data)), std::string::npos) << said;
  for (const wchar_t* installed : {L"\\app.exe", L"\\readme.txt", L"\\data"})
    EXPECT_FALSE(Exists(data + installed)) << Narrow(installed);
}

TEST_F(TrustTest, TheFirstEntryThatIsOursIsTheInstalledVersion) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  std::string err;
  std::unique_ptr<stub::PackageSource> pkg = stub::OpenOwnPackage(pkg_, &err);
  ASSERT_TRUE(pkg) << err;
  stub::UninstallEntry real;
  real.install_location = folder_;
  real.uninstaller = folder_ + L"\\uninst.exe";
  stub::UninstallEntry elsewhere = real;  // our uninstaller, claimed for another folder
  elsewhere.install_location = dir_ / L"other";
  stub::UninstallEntry bare;
  bare.install_location = WindowsFolder();
  bare.uninstaller = WindowsFolder() + L"\\uninst.exe";
  std::vector<stub::FoundEntry> claims = {{stub::Scope::kUser, key_, bare},
                                          {stub::Scope::kUser, key_, elsewhere},
                                          {stub::Scope::kMachine, key_, real}};
  stub::InstalledProduct found;
  std::wstring why;
  ASSERT_EQ(stub::PickInstalledProduct(claims, pkg->config(), stub::SystemForbiddenPlaces(), &found, &why),
            stub::InstalledLookup::kFound);
  EXPECT_EQ(found.found.scope, stub::Scope::kMachine);
  EXPECT_EQ(found.plan.folder, folder_);
  EXPECT_EQ(found.plan.targets.size(), SampleTree().size());

  // Another product's name in the index: not ours.
  stub::SetupConfig other = pkg->config();
  other.app_name += L"乙";
  EXPECT_EQ(stub::PickInstalledProduct(claims, other, stub::SystemForbiddenPlaces(), &found, &why),
            stub::InstalledLookup::kNone);
  EXPECT_EQ(stub::ScopesToRead(true), std::vector<stub::Scope>{stub::Scope::kMachine});
  EXPECT_EQ(stub::ScopesToRead(false), (std::vector<stub::Scope>{stub::Scope::kUser, stub::Scope::kMachine}));
}

TEST_F(TrustTest, ForbiddenFoldersAreRefusedFromTheCommandLineWithTheirName) {
  std::wstring windows = WindowsFolder();
  std::vector<std::wstring> folders = {
      windows.substr(0, 3), windows, windows + L"\\System32", windows + L"\\Temp\\QrApp",
      windows + L". ", Known(FOLDERID_ProgramFiles), Known(FOLDERID_ProgramData),
      Known(FOLDERID_Profile), Known(FOLDERID_Desktop), Known(FOLDERID_Music),
      Known(FOLDERID_LocalAppData), Known(FOLDERID_RoamingAppData)};
  wchar_t short_name[MAX_PATH];
  DWORD n = GetShortPathNameW(Known(FOLDERID_ProgramFiles).c_str(), short_name, MAX_PATH);
  if (n > 0 && n < MAX_PATH) folders.push_back(short_name);  // C:\PROGRA~1
  std::wstring junction = dir_ / L"to_windows";
  // Wine 8 makes no working junction: on Windows only.
  if (MakeJunction(junction, windows) && stub::FolderExists(junction + L"\\System32")) {
    folders.push_back(junction);
    folders.push_back(junction + L"\\QrApp");
  }
  for (const std::wstring& folder : folders) {
    std::string said;
    EXPECT_EQ(RunProgramCapturing(Quote(pkg_) + L" /S /D=" + folder, &said), 2) << Narrow(folder);
    EXPECT_NE(said.find("不能安装到"), std::string::npos) << said;
    EXPECT_FALSE(Exists(folder + L"\\app.exe")) << Narrow(folder);
    EXPECT_EQ(EntryRoot(key_), nullptr) << Narrow(folder);
  }
  std::string said;
  EXPECT_EQ(RunProgramCapturing(Quote(pkg_) + L" /S /D=" + windows + L"\\System32", &said), 2);
  EXPECT_NE(said.find(Narrow(windows + L"\\System32")), std::string::npos) << said;
  RemoveDirectoryW(junction.c_str());
}

TEST_F(TrustTest, TheWindowRefusesAForbiddenFolderAndNamesIt) {
  std::wstring windows = WindowsFolder();
  Started setup(Quote(pkg_) + L" /D=" + windows);
  HWND wnd = WaitForWindow(setup.pid(), L"QrSetupWindow");
  ASSERT_NE(wnd, nullptr);
  PostMessageW(WaitForChild(wnd, L"Button", L"安装", 5), BM_CLICK, 0, 0);
  HWND box = WaitForDialog(setup.pid());
  ASSERT_NE(box, nullptr);
  EXPECT_NE(DialogText(box).find(L"不能安装到“" + windows + L"”"), std::wstring::npos)
      << Narrow(DialogText(box));
  Answer(box, IDOK);
  PostMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(setup.Wait(), 2);
  EXPECT_EQ(EntryRoot(key_), nullptr);
  EXPECT_FALSE(Exists(windows + L"\\app.exe"));
}

TEST_F(TrustTest, AFolderThatWasThereBeforeStaysAfterTheUninstall) {
  std::wstring existing = dir_ / L"existing";
  ASSERT_TRUE(CreateDirectoryW(existing.c_str(), nullptr));
  ASSERT_EQ(RunSilent(pkg_, existing), 0);
  ASSERT_EQ(RunProgram(Quote(existing + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(existing + L"\\uninst.exe"));
  for (int i = 0; i < 30 && Exists(existing); ++i) Sleep(100);  // the cleanup pass has its moment
  EXPECT_TRUE(Exists(existing));
  EXPECT_TRUE(ListTree(existing).empty());

  // A folder setup made, and the one above it, go.
  std::wstring made = dir_ / L"made\\App";
  ASSERT_EQ(RunSilent(pkg_, made), 0);
  ASSERT_EQ(RunProgram(Quote(made + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(dir_ / L"made"));
}

TEST_F(TrustTest, AFolderWithOtherFilesIsAskedAboutInTheWindowAndSilentGoesOn) {
  WriteFile(folder_ + L"\\readme.txt", "someone else's readme");
  WriteFile(folder_ + L"\\other.txt", "someone else's file");
  {
    Started setup(Quote(pkg_) + L" /D=" + folder_);
    HWND wnd = WaitForWindow(setup.pid(), L"QrSetupWindow");
    ASSERT_NE(wnd, nullptr);
    PostMessageW(WaitForChild(wnd, L"Button", L"安装", 5), BM_CLICK, 0, 0);
    HWND ask = WaitForDialog(setup.pid());
    ASSERT_NE(ask, nullptr);
    std::wstring said = DialogText(ask);
    EXPECT_NE(said.find(L"“" + folder_ + L"”"), std::wstring::npos) << Narrow(said);
    EXPECT_NE(said.find(L"替换其中 1 个文件"), std::wstring::npos) << Narrow(said);
    Answer(ask, IDNO);
    PostMessageW(wnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(setup.Wait(), 1);
  }
  EXPECT_EQ(ReadFile(folder_ + L"\\readme.txt"), "someone else's readme");
  EXPECT_EQ(EntryRoot(key_), nullptr);
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  EXPECT_EQ(ReadFile(folder_ + L"\\readme.txt"), SampleTree()[1].data);
  EXPECT_EQ(ReadFile(folder_ + L"\\other.txt"), "someone else's file");
}

TEST_F(TrustTest, WhileTheCancelQuestionIsOpenNothingChangesAndYesUndoesTheInstall) {
  // Large enough that the install is still running when the cancel comes.
  SamplePackage big = sample_;
  big.files = SampleTree();
  big.files.push_back({L"data\\large.bin", MakeData(24 << 20, 9)});
  std::wstring pkg = Build(big, L"big");
  Started setup(Quote(pkg) + L" /D=" + folder_);
  HWND wnd = WaitForWindow(setup.pid(), L"QrSetupWindow");
  ASSERT_NE(wnd, nullptr);
  HWND cancel = WaitForChild(wnd, L"Button", L"取消", 5);
  SendMessageW(WaitForChild(wnd, L"Button", L"安装", 5), BM_CLICK, 0, 0);
  PostMessageW(cancel, BM_CLICK, 0, 0);
  HWND ask = WaitForDialog(setup.pid());
  ASSERT_NE(ask, nullptr);
  EXPECT_NE(DialogText(ask).find(L"确定要取消安装吗？"), std::wstring::npos);
  std::vector<std::wstring> at_question = ListTree(dir_ / L"inst");
  Sleep(3000);
  EXPECT_EQ(ListTree(dir_ / L"inst"), at_question);
  EXPECT_EQ(EntryRoot(key_), nullptr);
  EXPECT_EQ(FindWindowExW(wnd, nullptr, L"Button", L"完成"), nullptr);
  Answer(ask, IDYES);
  EXPECT_EQ(setup.Wait(), 1);
  EXPECT_FALSE(Exists(dir_ / L"inst"));
  EXPECT_EQ(EntryRoot(key_), nullptr);
}

// A journal an elevated run did not write (here: a copy put in the place of
// the real one, as a user can plant a file in a folder users may write) is
// named and not acted on by the elevated setup: no file is moved and no
// machine-wide entry restored on its word. Wine runs every program elevated.
TEST_F(TrustTest, AnElevatedSetupActsOnNoJournalAnElevatedRunDidNotWrite) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  std::wstring readme = folder_ + L"\\readme.txt", err;
  std::string installed = ReadFile(readme);
  HANDLE held = INVALID_HANDLE_VALUE;
  {
    // A run that replaced readme.txt and died with its journal left.
    stub::InstallTransaction tx(folder_);
    stub::InstallTransaction::FileSteps steps;
    steps.removed.push_back(readme);
    ASSERT_TRUE(tx.Plan(steps, &err)) << Narrow(err);
    ASSERT_TRUE(tx.MoveAside(readme, &err)) << Narrow(err);
    WriteFile(readme, "planted");
    held = CreateFileW(readme.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_NE(tx.Rollback(), L"");
  }
  CloseHandle(held);
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((folder_ + L"\\~qrsetup*.jnl").c_str(), &fd);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  FindClose(find);
  std::wstring journal = folder_ + L"\\" + fd.cFileName;
  // The same bytes in a file of the planter's, put in its place.
  std::string bytes = ReadFile(journal);
  WriteFile(journal + L".new", bytes);
  SetFileAttributesW(journal.c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(MoveFileExW((journal + L".new").c_str(), journal.c_str(), MOVEFILE_REPLACE_EXISTING));

  std::string said;
  EXPECT_EQ(RunProgramCapturing(Quote(pkg_) + L" /S /D=" + folder_, &said), 2);
  EXPECT_NE(said.find("不是以管理员身份运行的程序写下的"), std::string::npos) << said;
  EXPECT_NE(said.find(Narrow(journal)), std::string::npos) << said;
  EXPECT_EQ(ReadFile(readme), "planted");  // its backup was not moved back
  EXPECT_EQ(ReadFile(journal), bytes);
}

TEST_F(TrustTest, AMessageNeverRepeatsItsLead) {
  std::string good = ReadFile(pkg_);
  std::wstring cut = dir_ / L"cut.exe";
  WriteFile(cut, good.substr(0, good.size() - 5));
  std::string said;
  EXPECT_EQ(RunProgramCapturing(Quote(cut) + L" /S /D=" + folder_, &said), 2);
  EXPECT_NE(said.find("安装包已损坏："), std::string::npos) << said;
  EXPECT_EQ(said.find("安装包已损坏或不是有效的安装包：安装包已损坏"), std::string::npos) << said;
  EXPECT_EQ(said.find("安装包已损坏：", said.find("安装包已损坏：") + 1), std::string::npos) << said;
}

TEST_F(TrustTest, TheElevatedRunLeavesTheProgramToTheRunThatStartedIt) {
  remove_after_.push_back(folder_);
  Started setup(Quote(pkg_) + L" /_ELEVATED /D=" + folder_);
  HWND wnd = WaitForWindow(setup.pid(), L"QrSetupWindow");
  ASSERT_NE(wnd, nullptr);
  SendMessageW(WaitForChild(wnd, L"Button", L"安装", 5), BM_CLICK, 0, 0);
  HWND finish = WaitForChild(wnd, L"Button", L"完成");
  ASSERT_NE(finish, nullptr);
  HWND run = WaitForChild(wnd, L"Button", L"运行 app.exe", 1);
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(SendMessageW(run, BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageW(finish, BM_CLICK, 0, 0);
  EXPECT_EQ(setup.Wait(), static_cast<int>(stub::kExitInstalledRunProgram));
  EXPECT_EQ(ListTree(folder_), ExpectedFiles());
}

// Stands in for the system's elevation: runs the package as the elevated
// run would have, and ends as its user chose.
class FakeElevator : public stub::Elevator {
 public:
  FakeElevator(std::wstring command, unsigned long code) : command_(std::move(command)), code_(code) {}
  bool RunElevated(const std::wstring&, const std::wstring& args, unsigned long* exit_code) override {
    args_ = args;
    if (code_ == 0xFFFF) return false;  // the user declined
    if (!command_.empty() && RunProgram(command_) != 0) return false;
    *exit_code = code_;
    return true;
  }
  std::wstring args_;

 private:
  std::wstring command_;
  unsigned long code_;
};

class RecordingStarter : public stub::ProgramStarter {
 public:
  void Start(const std::wstring& program) override { started.push_back(program); }
  std::vector<std::wstring> started;
};

TEST_F(TrustTest, AfterTheElevatedRunTheProgramStartsWithTheUsersRights) {
  std::string err;
  std::unique_ptr<stub::PackageSource> pkg = stub::OpenOwnPackage(pkg_, &err);
  ASSERT_TRUE(pkg) << err;
  // A per-user claim elsewhere is not where the program is looked for.
  std::wstring decoy = dir_ / L"decoy";
  WriteFile(decoy + L"\\app.exe", "decoy");
  PlantEntry(HKEY_CURRENT_USER, decoy, decoy + L"\\uninst.exe");

  remove_after_.push_back(folder_);
  FakeElevator install(Quote(pkg_) + L" /S /D=" + folder_, stub::kExitInstalledRunProgram);
  RecordingStarter starter;
  int code = -1;
  EXPECT_TRUE(stub::RunSetupElevated(install, L"/D=" + folder_, *pkg, starter, &code));
  EXPECT_EQ(code, 0);
  EXPECT_EQ(install.args_, L"/_ELEVATED /D=" + folder_);
  EXPECT_EQ(starter.started, std::vector<std::wstring>{folder_ + L"\\app.exe"});

  // Any other end of the elevated run is handed on, and nothing is started.
  for (unsigned long code : {0ul, 1ul, 2ul, 0xFFFFul}) {
    FakeElevator other(L"", code);
    RecordingStarter none;
    int handed = -1;
    EXPECT_EQ(stub::RunSetupElevated(other, L"", *pkg, none, &handed), code != 0xFFFF);
    if (code != 0xFFFF) {
      EXPECT_EQ(handed, static_cast<int>(code));
    }
    EXPECT_TRUE(none.started.empty());
  }
}

}  // namespace
}  // namespace stubtest
