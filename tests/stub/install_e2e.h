#pragma once
// What the end-to-end tests of the setup program and the uninstaller share:
// running packages, reading the uninstall entry and the shortcuts, driving
// windows, and the fixture that builds a fresh sample package per test.
#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "package_fixture.h"
#include "shell_places.h"
#include "stub_test_util.h"

namespace stubtest {

inline constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

inline std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

inline int RunSilent(const std::wstring& pkg, const std::wstring& folder) {
  return RunProgram(Quote(pkg) + L" /S /D=" + folder);
}

// The uninstall entry's key, in HKLM or HKCU; nullptr when in neither.
inline HKEY EntryRoot(const std::wstring& key) {
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

inline std::wstring RegString(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t buf[4096];
  DWORD bytes = sizeof buf;
  if (RegGetValueW(root, (kUninstallRoot + key).c_str(), name, RRF_RT_REG_SZ,
                   nullptr, buf, &bytes) != ERROR_SUCCESS)
    return L"<missing>";
  return buf;
}

inline DWORD RegDword(HKEY root, const std::wstring& key, const wchar_t* name) {
  DWORD v = 0xFFFFFFFF, bytes = sizeof v;
  RegGetValueW(root, (kUninstallRoot + key).c_str(), name, RRF_RT_REG_DWORD,
               nullptr, &v, &bytes);
  return v;
}

inline std::wstring Known(const KNOWNFOLDERID& id) {
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
inline ShortcutPlaces PlacesFor(HKEY root) {
  bool machine = root == HKEY_LOCAL_MACHINE;
  std::wstring quick = Known(FOLDERID_QuickLaunch);
  if (quick.empty())  // wine knows no quick-launch folder; its classic place
    quick = Known(FOLDERID_RoamingAppData) + L"\\Microsoft\\Internet Explorer\\Quick Launch";
  return {Known(machine ? FOLDERID_PublicDesktop : FOLDERID_Desktop),
          Known(machine ? FOLDERID_CommonStartup : FOLDERID_Startup),
          Known(machine ? FOLDERID_CommonPrograms : FOLDERID_Programs), quick};
}

inline std::wstring LinkTarget(const std::wstring& link) {
  std::wstring t;
  return stub::ReadShortcutTarget(link, &t) ? t : L"<none>";
}

// Waits for the uninstaller's cleanup pass to remove path.
inline bool WaitGone(const std::wstring& path, int seconds = 30) {
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
inline HWND WaitForWindow(DWORD pid, const wchar_t* cls, int seconds = 60) {
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

inline std::wstring TextOf(HWND w) {
  wchar_t buf[1024] = {};
  SendMessageW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf));
  return buf;
}

// The child of parent with class cls and text, waiting for it to appear.
inline HWND WaitForChild(HWND parent, const wchar_t* cls, const std::wstring& text, int seconds = 60) {
  for (int i = 0; i < seconds * 10; ++i) {
    for (HWND c = FindWindowExW(parent, nullptr, cls, nullptr); c;
         c = FindWindowExW(parent, c, cls, nullptr))
      if (TextOf(c) == text && IsWindowVisible(c)) return c;
    Sleep(100);
  }
  return nullptr;
}

// A message box of process pid other than not_this, within the time.
inline HWND WaitForDialog(DWORD pid, HWND not_this = nullptr, int seconds = 60) {
  for (int i = 0; i < seconds * 10; ++i) {
    for (HWND w = FindWindowW(L"#32770", nullptr); w; w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      if (owner == pid && w != not_this && IsWindowVisible(w)) return w;
    }
    Sleep(100);
  }
  return nullptr;
}

// The texts of a dialog's static controls, one per line.
inline std::wstring DialogText(HWND dlg) {
  std::wstring all;
  for (HWND c = FindWindowExW(dlg, nullptr, L"Static", nullptr); c;
       c = FindWindowExW(dlg, c, L"Static", nullptr))
    all += TextOf(c) + L"\n";
  return all;
}

// Presses a dialog's button (IDOK, IDRETRY...) and waits until the box is gone.
inline void Answer(HWND dlg, int id) {
  PostMessageW(dlg, WM_COMMAND, id, 0);
  for (int i = 0; i < 300 && IsWindow(dlg); ++i) Sleep(100);
}

// Everything a user would notice of an install: files and their bytes,
// the entry's version and folder, the shortcuts and where they point.
struct InstallState {
  std::map<std::wstring, std::string> files;
  std::wstring version, location;
  std::map<std::wstring, std::wstring> links;
  bool operator==(const InstallState&) const = default;
};

class PackageInstallTest : public ::testing::Test {
 protected:
  // The state of the sample's install in folder. Without an entry, the
  // sample's shortcuts that exist in either scope.
  InstallState State(const std::wstring& folder) {
    InstallState s;
    for (const std::wstring& rel : ListTree(folder)) s.files[rel] = ReadFile(folder + L"\\" + rel);
    HKEY root = EntryRoot(key_);
    if (root) {
      s.version = RegString(root, key_, L"DisplayVersion");
      s.location = RegString(root, key_, L"InstallLocation");
    }
    for (HKEY scope : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      if (root && scope != root) continue;
      for (const std::wstring& link : Links(scope))
        if (root || Exists(link)) s.links[link] = Exists(link) ? LinkTarget(link) : L"";
    }
    return s;
  }
  // The shortcuts of the sample's app.exe (all options) in a scope.
  std::vector<std::wstring> Links(HKEY root) {
    ShortcutPlaces at = PlacesFor(root);
    std::wstring group = at.programs + L"\\" + sample_.app_name;
    return {at.desktop + L"\\app.lnk", at.startup + L"\\app.lnk", at.quick_launch + L"\\app.lnk",
            group + L"\\app.lnk", group + L"\\卸载 " + sample_.app_name + L".lnk"};
  }
  // The sample with every file changed, a file more and another version.
  SamplePackage Version2() {
    SamplePackage v2 = sample_;
    v2.version = L"2.0";
    for (const SourceFile& f : SampleTree()) v2.files.push_back({f.rel, f.data + "v2"});
    v2.files.push_back({L"data\\new.txt", "new in 2.0"});
    return v2;
  }

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
    key_ = EntryKey(sample_);
    BuildSamplePackage(src_, sample_, pkg_);
  }
  void TearDown() override {
    for (const std::wstring& key : {key_, sample_.setup_dir, other_key_})
      if (HKEY root = key.empty() ? nullptr : EntryRoot(key))
        RegDeleteKeyExW(root, (kUninstallRoot + key).c_str(), KEY_WOW64_64KEY, 0);
    CoUninitialize();
  }

  std::vector<std::wstring> ExpectedFiles() const {
    std::vector<std::wstring> files;
    for (const SourceFile& f : SampleTree()) files.push_back(f.rel);
    files.push_back(L"uninst.exe");
    std::sort(files.begin(), files.end());
    return files;
  }

  // Builds another package of this test (another version or product) at
  // dir_\<name>.exe from its own source folder.
  std::wstring Build(const SamplePackage& sample, const std::wstring& name) {
    std::wstring out = dir_ / (name + L".exe");
    BuildSamplePackage(dir_ / (L"src_" + name), sample, out);
    return out;
  }

  // Nothing of the package anywhere: no folder, no entry.
  void ExpectNothingInstalled() {
    EXPECT_FALSE(Exists(dir_ / L"inst"));
    EXPECT_EQ(EntryRoot(key_), nullptr);
    EXPECT_EQ(ListTree(dir_.path()).size(), SampleTree().size() + 1);  // the sources and the package
  }

  ScratchDir dir_{L"e2e"};
  SamplePackage sample_;
  std::wstring src_, pkg_, folder_, key_;
  std::wstring other_key_;  // a second product's entry, removed at the end
};

}  // namespace stubtest
