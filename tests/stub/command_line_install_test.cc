// The command line, end to end: a quoted /D= installs where it says; an
// unknown switch or a folder that is no full path installs nothing and
// says why, on the standard error stream with /S, in a message box without.
#include <windows.h>

#include <gtest/gtest.h>

#include "install_e2e.h"

namespace stubtest {
namespace {

// Runs cmdline with its standard error stream going to a file; returns the
// exit code (-1: did not end in time) and, in *err, what it wrote there.
int RunWithStdErr(const std::wstring& cmdline, const std::wstring& err_file, std::string* err) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE out = CreateFileW(err_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return -1;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdError = out;
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = cmdline;
  DWORD code = static_cast<DWORD>(-1);
  if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    else TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(out);
  *err = ReadFile(err_file);
  return static_cast<int>(code);
}

TEST_F(PackageInstallTest, AQuotedFolderWithSpacesInstallsThere) {
  ASSERT_NE(folder_.find(L' '), std::wstring::npos);
  ASSERT_EQ(RunProgram(Quote(pkg_) + L" /S " + Quote(L"/D=" + folder_)), 0);
  EXPECT_EQ(ListTree(folder_), ExpectedFiles());
  EXPECT_EQ(RegString(EntryRoot(key_), key_, L"InstallLocation"), folder_);
  ASSERT_EQ(RunProgram(Quote(folder_ + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(folder_));
}

TEST_F(PackageInstallTest, ARefusedCommandLineInstallsNothingAndShowsTheUsage) {
  std::string err;
  for (const std::wstring& args : std::vector<std::wstring>{
           L"/S /X /D=" + folder_, L"/S /D=inst\\My App", L"/S /D=", L"/S \"/D=inst\\My App\""}) {
    EXPECT_EQ(RunWithStdErr(Quote(pkg_) + L" " + args, dir_ / L"err.txt", &err), 2) << Narrow(args);
    EXPECT_NE(err.find("无法识别的命令行参数："), std::string::npos) << err;
    EXPECT_NE(err.find("安装程序的命令行参数："), std::string::npos) << err;
  }
  DeleteFileW((dir_ / L"err.txt").c_str());
  ExpectNothingInstalled();

  // Without /S the usage is a message box, and the exit code the same.
  Started setup(Quote(pkg_) + L" /X");
  HWND box = WaitForDialog(setup.pid());
  ASSERT_NE(box, nullptr);
  EXPECT_NE(DialogText(box).find(L"/X"), std::wstring::npos);
  Answer(box, IDOK);
  EXPECT_EQ(setup.Wait(), 2);
  ExpectNothingInstalled();
}

TEST_F(PackageInstallTest, TheUninstallerRefusesAnUnknownSwitchAndRemovesNothing) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  std::string err;
  EXPECT_EQ(RunWithStdErr(Quote(folder_ + L"\\uninst.exe") + L" /S /Q", dir_ / L"err.txt", &err), 2);
  EXPECT_NE(err.find("卸载程序的命令行参数："), std::string::npos) << err;
  EXPECT_EQ(ListTree(folder_), ExpectedFiles());
  ASSERT_EQ(RunProgram(Quote(folder_ + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(folder_));
}

}  // namespace
}  // namespace stubtest
