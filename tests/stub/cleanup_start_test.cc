// The uninstaller whose cleanup copy cannot start: the files are removed,
// and it says that uninst.exe and its folder stay, with exit code 2.
#include <windows.h>

#include <gtest/gtest.h>

#include "install_e2e.h"

namespace stubtest {
namespace {

// Runs cmdline with token (nullptr: this process's) and TEMP and TMP set to temp, its standard error stream
// into err_file; returns the exit code and, in *err, what it wrote there.
int RunWithTemp(HANDLE token, const std::wstring& cmdline, const std::wstring& temp,
                const std::wstring& err_file, std::string* err) {
  std::wstring block;
  wchar_t* strings = GetEnvironmentStringsW();
  for (const wchar_t* e = strings; *e; e += wcslen(e) + 1)
    if (_wcsnicmp(e, L"TEMP=", 5) != 0 && _wcsnicmp(e, L"TMP=", 4) != 0) block += std::wstring(e) + L'\0';
  FreeEnvironmentStringsW(strings);
  block += L"TEMP=" + temp + L'\0' + L"TMP=" + temp + L'\0' + L'\0';
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE out = CreateFileW(err_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdError = out;
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = cmdline;
  DWORD code = static_cast<DWORD>(-1);
  if (CreateProcessAsUserW(token, nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                           block.data(), nullptr, &si, &pi)) {
    if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    else TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(out);
  *err = ReadFile(err_file);
  return static_cast<int>(code);
}

// This process's token without its administrator rights (the token UAC
// links to an elevated one), or nullptr when it has none.
HANDLE UnelevatedToken() {
  HANDLE token = nullptr, linked = nullptr;
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
      GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size) &&
      type == TokenElevationTypeFull) {
    TOKEN_LINKED_TOKEN link = {};
    if (GetTokenInformation(token, TokenLinkedToken, &link, sizeof link, &size)) linked = link.LinkedToken;
  }
  if (token) CloseHandle(token);
  return linked;
}

TEST_F(PackageInstallTest, ACleanupCopyThatCannotStartIsReportedWithWhatStays) {
  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  std::wstring uninst = folder_ + L"\\uninst.exe";
  std::string err;
  // No folder for the copy: the uninstaller runs without administrator
  // rights (its copy would go to %TEMP%), and %TEMP% is missing.
  HANDLE token = UnelevatedToken();
  EXPECT_EQ(RunWithTemp(token, Quote(uninst) + L" /S", dir_ / L"missing", dir_ / L"err.txt", &err), 2);
  if (token) CloseHandle(token);
  EXPECT_NE(err.find("已从计算机中移除"), std::string::npos) << err;
  EXPECT_NE(err.find("卸载程序（uninst.exe）和它所在的文件夹没有删除，可以手动删除：" + Narrow(folder_)),
            std::string::npos)
      << err;
  // The files and the entry are gone; uninst.exe stays, and it alone.
  EXPECT_EQ(ListTree(folder_), std::vector<std::wstring>{L"uninst.exe"});
  EXPECT_EQ(EntryRoot(key_), nullptr);
  DeleteFileW((dir_ / L"err.txt").c_str());
}

}  // namespace
}  // namespace stubtest
