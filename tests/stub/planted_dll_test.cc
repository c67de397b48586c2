// DLL planting: copies of a DLL that leaves a marker when loaded
// (planted_marker.c) lie beside the package, beside the installed uninst.exe
// and in the current folder, under the name of every DLL the programs
// loaded in a clean run, known DLLs aside. WINEDLLOVERRIDES "<name>=n,b"
// makes wine prefer such a copy, as Windows does for a DLL that is not a
// known DLL; no copy may be loaded.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "../package/known_dlls.h"
#include "install_e2e.h"
#include "package/pe_image.h"
#include "rel_path.h"

namespace stubtest {
namespace {

// What a run under this process as its debugger showed: the DLLs the
// program loaded (full paths) while the process started, before its first
// instruction (the loader's initial breakpoint), and later; its exit code
// (-1: did not end in time).
struct TracedRun {
  int exit_code = -1;
  std::vector<std::wstring> at_start;
  std::vector<std::wstring> later;
};

std::wstring PathOfHandle(HANDLE file) {
  wchar_t buf[MAX_PATH * 2];
  DWORD n = GetFinalPathNameByHandleW(file, buf, MAX_PATH * 2, FILE_NAME_NORMALIZED);
  std::wstring path(buf, n < MAX_PATH * 2 ? n : 0);
  if (path.rfind(L"\\\\?\\", 0) == 0) path.erase(0, 4);
  return path;
}

// The name a DLL load event points at in the debuggee's memory.
std::wstring ImageNameOf(HANDLE process, const LOAD_DLL_DEBUG_INFO& info) {
  void* name_at = nullptr;
  if (!info.lpImageName ||
      !ReadProcessMemory(process, info.lpImageName, &name_at, sizeof name_at, nullptr) || !name_at)
    return L"";
  wchar_t buf[MAX_PATH * 2] = {};
  if (!info.fUnicode) return L"";
  ReadProcessMemory(process, name_at, buf, sizeof buf - sizeof(wchar_t), nullptr);
  return buf;
}

// Runs cmdline in cwd (with environment env: "NAME=value" entries; empty
// for this process's) as its debugger. on_idle runs whenever the program
// has been quiet for a moment (to answer its window; it must not wait on
// the program).
TracedRun RunTraced(const std::wstring& cmdline, const std::wstring& cwd,
                    const std::vector<std::wstring>& env, const std::function<void(DWORD)>& on_idle) {
  TracedRun run;
  std::wstring block;
  for (const std::wstring& e : env) block += e + L'\0';
  block += L'\0';
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = cmdline;
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE,
                      DEBUG_ONLY_THIS_PROCESS | CREATE_UNICODE_ENVIRONMENT,
                      env.empty() ? nullptr : block.data(), cwd.c_str(), &si, &pi)) {
    ADD_FAILURE() << "cannot start " << Narrow(cmdline) << " (error " << GetLastError() << ")";
    return run;
  }
  CloseHandle(pi.hThread);
  HANDLE process = nullptr;
  bool ended = false, first_break = true;
  for (ULONGLONG end = GetTickCount64() + 120000; !ended && GetTickCount64() < end;) {
    DEBUG_EVENT ev = {};
    if (!WaitForDebugEvent(&ev, 300)) {
      if (on_idle) on_idle(pi.dwProcessId);
      continue;
    }
    DWORD status = DBG_CONTINUE;
    switch (ev.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        process = ev.u.CreateProcessInfo.hProcess;
        if (ev.u.CreateProcessInfo.hFile) CloseHandle(ev.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT: {
        std::wstring path;
        if (ev.u.LoadDll.hFile) {
          path = PathOfHandle(ev.u.LoadDll.hFile);
          CloseHandle(ev.u.LoadDll.hFile);
        }
        if (path.empty()) path = ImageNameOf(process, ev.u.LoadDll);
        if (!path.empty()) (first_break ? run.at_start : run.later).push_back(path);
        break;
      }
      case EXCEPTION_DEBUG_EVENT:
        if (!(first_break && ev.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT))
          status = DBG_EXCEPTION_NOT_HANDLED;
        first_break = false;
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        ended = true;
        break;
    }
    ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
  }
  if (ended && WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    run.exit_code = static_cast<int>(code);
  } else {
    TerminateProcess(pi.hProcess, 99);
    DebugActiveProcessStop(pi.dwProcessId);
  }
  CloseHandle(pi.hProcess);
  return run;
}

std::wstring LowerName(const std::wstring& path) {
  std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
  for (wchar_t& c : name) c = static_cast<wchar_t>(towlower(c));
  return name;
}

// Parts of wine itself that every wine process loads while it starts, before
// any program code, and that have no counterpart a Windows program could
// load from its folder (on Windows they are ntdll's and the kernel's).
bool IsWineInternal(const std::wstring& name) {
  static const std::set<std::wstring> internals = {L"kernelbase.dll", L"win32u.dll"};
  return internals.count(name) > 0 || name.ends_with(L".drv") || name.ends_with(L".exe");
}

// This process's environment, with WINEDLLOVERRIDES extended by names=n,b.
std::vector<std::wstring> EnvironmentPreferring(const std::set<std::wstring>& names) {
  std::wstring list;
  for (const std::wstring& n : names)
    list += (list.empty() ? L"" : L",") + (n.ends_with(L".dll") ? n.substr(0, n.size() - 4) : n);
  std::vector<std::wstring> env;
  std::wstring overrides;
  wchar_t* strings = GetEnvironmentStringsW();
  for (const wchar_t* e = strings; *e; e += wcslen(e) + 1) {
    std::wstring entry = e;
    if (_wcsnicmp(e, L"WINEDLLOVERRIDES=", 17) == 0) overrides = entry.substr(17);
    else env.push_back(entry);
  }
  FreeEnvironmentStringsW(strings);
  env.push_back(L"WINEDLLOVERRIDES=" + overrides + (overrides.empty() ? L"" : L";") + list + L"=n,b");
  return env;
}

// Clicks the setup window's "取消" once it is there (posted: the program may
// stop at a debug event at any moment).
std::function<void(DWORD)> CancelSetupWindow() {
  return [](DWORD pid) {
    for (HWND w = FindWindowW(L"QrSetupWindow", nullptr); w;
         w = FindWindowExW(nullptr, w, L"QrSetupWindow", nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      if (owner != pid) continue;
      if (HWND cancel = FindWindowExW(w, nullptr, L"Button", L"取消")) PostMessageW(cancel, BM_CLICK, 0, 0);
    }
  };
}

class PlantedDllTest : public PackageInstallTest {
 protected:
  // Runs the package silently, its window (cancelled) and the installed
  // uninstaller, all from cwd, with env; returns the three runs.
  std::vector<TracedRun> RunAll(const std::wstring& cwd, const std::vector<std::wstring>& env,
                                const std::function<void(const std::wstring&)>& before_uninstall) {
    std::vector<TracedRun> runs;
    runs.push_back(RunTraced(Quote(pkg_) + L" /S /D=" + folder_, cwd, env, nullptr));
    runs.push_back(RunTraced(Quote(pkg_) + L" /D=" + dir_ / L"never", cwd, env, CancelSetupWindow()));
    before_uninstall(folder_);
    runs.push_back(RunTraced(Quote(folder_ + L"\\uninst.exe") + L" /S", cwd, env, nullptr));
    return runs;
  }
};

TEST_F(PlantedDllTest, NoDllIsLoadedFromTheProgramsFolderOrTheCurrentFolder) {
  std::wstring cwd = dir_ / L"cwd";
  CreateDirectoryW(cwd.c_str(), nullptr);
  // A clean run: which DLLs do the programs load?
  std::vector<TracedRun> clean = RunAll(cwd, {}, [](const std::wstring&) {});
  ASSERT_EQ(clean[0].exit_code, 0);
  ASSERT_EQ(clean[1].exit_code, 1);
  ASSERT_EQ(clean[2].exit_code, 0);
  // Planted: what the programs import themselves, what they load at run
  // time (whether or not this run needed it) and every DLL loaded after the
  // start, known DLLs aside. What wine's own DLLs load for each other while
  // the process starts is left out: on Windows those are the known DLLs'
  // dependencies, which come from System32 only, and the load configuration's
  // DependentLoadFlags (which wine does not read) covers the rest.
  std::set<std::wstring> names = {L"rstrtmgr.dll", L"bcrypt.dll"};
  for (const char* image : {QR_SETUP_EXE, QR_UNINST_EXE}) {
    std::string bytes = ReadFile(HostPath(image)), err;
    std::vector<std::string> imports;
    ASSERT_TRUE(package::PeImportedDlls(
        {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, &imports, &err)) << err;
    for (const std::string& dll : imports) names.insert(LowerName(Widen(dll)));
  }
  for (const TracedRun& run : clean)
    for (const std::wstring& dll : run.later) names.insert(LowerName(dll));
  std::erase_if(names, [](const std::wstring& n) { return IsAllowedImport(Narrow(n)) || IsWineInternal(n); });
  std::wstring planted;
  for (const std::wstring& n : names) planted += L" " + n;
  std::cout << "planted:" << Narrow(planted) << "\n";
  ASSERT_TRUE(WaitGone(folder_));

  // Planted beside the package, in the current folder and beside uninst.exe.
  auto plant = [&](const std::wstring& folder) {
    for (const std::wstring& n : names)
      ASSERT_TRUE(CopyFileW(HostPath(QR_PLANTED_DLL).c_str(), (folder + L"\\" + n).c_str(), FALSE));
  };
  plant(dir_.path());
  plant(cwd);
  std::vector<TracedRun> runs = RunAll(cwd, EnvironmentPreferring(names), plant);
  EXPECT_EQ(runs[0].exit_code, 0);
  EXPECT_EQ(runs[1].exit_code, 1);
  EXPECT_EQ(runs[2].exit_code, 0);
  for (const std::wstring& folder : {dir_.path(), cwd, folder_})
    for (const std::wstring& n : names)
      EXPECT_FALSE(Exists(folder + L"\\" + n + L".loaded")) << "loaded: " << Narrow(folder + L"\\" + n);
  for (const TracedRun& run : runs)
    for (const auto* list : {&run.at_start, &run.later})
      for (const std::wstring& dll : *list)
        EXPECT_FALSE(stub::IsWithin(dir_.path(), dll)) << "loaded: " << Narrow(dll);
}

}  // namespace
}  // namespace stubtest
