// Windows implementation of shell.h: cmd.exe /c with its output piped back.

#include "platform/shell.h"

#include <windows.h>

#include <cwchar>

#include "platform/utf.h"
#include "platform/win32_util.h"

namespace platform {
namespace {

struct Handle {
  HANDLE h = nullptr;
  ~Handle() { Close(); }
  void Close() {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    h = nullptr;
  }
};

std::string FromConsoleCodePage(const std::string& bytes) {
  if (bytes.empty()) return "";
  int n = MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  return WideToUtf8(wide);
}

// This process's environment with kShellFileVariable set to file, as a
// block for CreateProcessW.
std::wstring EnvironmentWith(const std::string& file) {
  std::wstring name = Utf8ToWide(kShellFileVariable);
  std::wstring prefix = name + L"=";
  std::wstring block;
  if (wchar_t* env = GetEnvironmentStringsW()) {
    for (const wchar_t* e = env; *e; e += wcslen(e) + 1)
      if (_wcsnicmp(e, prefix.c_str(), prefix.size()) != 0) block.append(e).push_back(L'\0');
    FreeEnvironmentStringsW(env);
  }
  block.append(prefix).append(Utf8ToWide(file)).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

}  // namespace

bool RunShellCommand(const std::string& command, const std::string& file, ShellResult* result,
                     std::string* err) {
  *result = ShellResult();
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  Handle read_end, write_end, input;
  if (!CreatePipe(&read_end.h, &write_end.h, &inherit, 0))
    return win32::Fail("cannot run", "cmd.exe", GetLastError(), err);
  SetHandleInformation(read_end.h, HANDLE_FLAG_INHERIT, 0);
  input.h = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                        OPEN_EXISTING, 0, nullptr);
  wchar_t system[MAX_PATH];
  UINT len = GetSystemDirectoryW(system, MAX_PATH);
  if (len == 0 || len >= MAX_PATH) return win32::Fail("cannot run", "cmd.exe", GetLastError(), err);
  std::wstring cmd_exe = std::wstring(system) + L"\\cmd.exe";
  // /d: no AutoRun commands; /v:off: no delayed expansion of !; /s /c "...":
  // the command between the outer quotes exactly as given.
  std::wstring line = L"\"" + cmd_exe + L"\" /d /v:off /s /c \"" + Utf8ToWide(command) + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = input.h;
  si.hStdOutput = write_end.h;
  si.hStdError = write_end.h;
  PROCESS_INFORMATION pi = {};
  std::wstring env = EnvironmentWith(file);
  if (!CreateProcessW(cmd_exe.c_str(), line.data(), nullptr, nullptr, TRUE,
                      CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, env.data(), nullptr, &si, &pi))
    return win32::Fail("cannot run", WideToUtf8(cmd_exe), GetLastError(), err);
  Handle process{pi.hProcess}, thread{pi.hThread};
  write_end.Close();  // the pipe ends when the command and its children close theirs
  std::string bytes;
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(read_end.h, buf, sizeof buf, &n, nullptr) && n > 0) {
    bytes.append(buf, n);
    if (bytes.size() > 2 * kShellOutputKept) bytes.erase(0, bytes.size() - kShellOutputKept);
  }
  WaitForSingleObject(process.h, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.h, &code);
  result->exit_code = static_cast<int>(code);
  if (bytes.size() > kShellOutputKept) bytes.erase(0, bytes.size() - kShellOutputKept);
  result->output = FromConsoleCodePage(bytes);
  return true;
}

std::string ShellWordForFile(const std::string& file) {
  if (file.find('%') != std::string::npos) return std::string("\"%") + kShellFileVariable + "%\"";
  return "\"" + file + "\"";
}

}  // namespace platform
