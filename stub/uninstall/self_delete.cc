#include "self_delete.h"

#include <windows.h>


#include "cleanup_folder.h"
#include "command_line.h"
#include "log_sink.h"
#include "empty_folders.h"
#include "package_source.h"
#include "rel_path.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

// Starts cmdline without a window and without waiting for it.
bool StartDetached(const std::wstring& program, std::wstring cmdline, const std::wstring& dir,
                   bool inherit, DWORD* error) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(program.c_str(), cmdline.data(), nullptr, nullptr, inherit, CREATE_NO_WINDOW,
                      nullptr, dir.empty() ? nullptr : dir.c_str(), &si, &pi)) {
    *error = GetLastError();
    return false;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

}  // namespace

std::wstring DeleteWhenFreeCommand(const std::wstring& cmd_exe, const std::wstring& file,
                                  const std::wstring& folder) {
  std::wstring q = L"\"" + file + L"\"";
  std::wstring cmd = L"\"" + cmd_exe + L"\" /d /q /c set /p wait= & (for /l %i in (1,1,3000) do @if exist " +
                     q + L" del /f /q " + q + L" >nul 2>&1)";
  if (!folder.empty()) cmd += L" & rd \"" + folder + L"\" >nul 2>&1";
  return cmd;
}

bool StartDeleteWhenFree(const std::wstring& file, const std::wstring& folder, void** input,
                         void** process) {
  wchar_t sys[MAX_PATH + 1];
  UINT n = GetSystemDirectoryW(sys, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return false;
  std::wstring dir(sys, n), cmd_exe = dir + L"\\cmd.exe";
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &sa, 0)) return false;
  SetHandleInformation(write_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = read_end;
  PROCESS_INFORMATION pi = {};
  std::wstring cmdline = DeleteWhenFreeCommand(cmd_exe, file, folder);
  const bool started = CreateProcessW(cmd_exe.c_str(), cmdline.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, dir.c_str(), &si, &pi);
  CloseHandle(read_end);
  if (!started) {
    CloseHandle(write_end);
    return false;
  }
  CloseHandle(pi.hThread);
  if (process)
    *process = pi.hProcess;
  else
    CloseHandle(pi.hProcess);
  *input = write_end;
  return true;
}

bool StartSelfDelete(const std::wstring& uninstaller, const std::vector<std::wstring>& folders,
                     const std::wstring& log, std::wstring* err) {
  CleanupCopy copy;
  if (!MakeCleanupCopy(*SystemCleanup(), uninstaller, &copy, err)) return false;
  auto remove_copy = [&] {
    DeleteFileW(copy.program.c_str());
    RemoveDirectoryW(copy.folder.c_str());
  };
  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                       SYNCHRONIZE, TRUE, 0)) {
    *err = SystemError(text::kCannotStartCleanup, copy.program, GetLastError());
    remove_copy();
    return false;
  }
  std::wstring cmd = L"\"" + copy.program + L"\" ";
  if (!log.empty()) cmd += ChildArgs(StubArgs{}, log) + L" ";
  cmd += L"/_CLEANUP=" +
                     std::to_wstring(reinterpret_cast<uintptr_t>(self)) + L":" + uninstaller;
  for (const std::wstring& f : folders) cmd += L"|" + f;
  DWORD code = 0;
  bool ok = StartDetached(copy.program, cmd, copy.folder, true, &code);
  CloseHandle(self);
  if (!ok) {
    *err = SystemError(text::kCannotStartCleanup, copy.program, code);
    remove_copy();
    return false;
  }
  return true;
}

void RunCleanupPass(unsigned long long wait_handle, const std::wstring& target,
                    const std::vector<std::wstring>& folders) {
  HANDLE parent = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(wait_handle));
  if (parent) {
    WaitForSingleObject(parent, INFINITE);
    CloseHandle(parent);
  }
  if (SameNoCase(LastSegment(target), kUninstallerName)) {
    // The ended process may hold its file for a moment longer.
    for (int i = 0; i < 50 && FileExists(target) && !DeleteFileW(target.c_str()); ++i) Sleep(100);
    if (!FileExists(target)) Log().Write(text::kLogRemoved, target);
    // Only the install folder and the folders above it that setup made,
    // deepest first, and only empty ones: a folder that was there before
    // setup stays.
    std::vector<std::wstring> made;
    std::wstring folder = ParentOf(target);
    for (const std::wstring& f : folders)
      if (IsWithin(f, folder)) made.push_back(f);
    RemoveFoldersIfEmpty(made);
  }
  // This copy's own file and folder: the command processor deletes them
  // once this process has ended. It waits on a pipe whose writing end only
  // this process holds: the end of this process closes it. Should that
  // fail, the system deletes them at the next restart (with the rights to).
  std::wstring self = ModulePath(), own_folder = ParentOf(self);
  MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  MoveFileExW(own_folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  void* input = nullptr;
  StartDeleteWhenFree(self, own_folder, &input, nullptr);
  // input stays open until this process ends.
}

}  // namespace stub
