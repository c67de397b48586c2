#include "setup_flow.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "rel_path.h"
#include "stub_text.h"
#include "uninstall_entry.h"
#include "win_util.h"

namespace stub {
namespace {

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  std::wstring out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path)) && path) out = path;
  if (path) CoTaskMemFree(path);
  return out;
}

bool CanWriteFolder(const std::wstring& folder) {
  if (folder.empty()) return false;
  std::wstring probe = folder + L"\\~qrsetup_probe" + std::to_wstring(GetCurrentProcessId());
  if (!CreateDirectoryW(probe.c_str(), nullptr)) return false;
  RemoveDirectoryW(probe.c_str());
  return true;
}

bool CanWriteMachineUninstall() {
  HKEY k;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                    0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE | KEY_WOW64_64KEY, &k) != ERROR_SUCCESS)
    return false;
  RegCloseKey(k);
  return true;
}

// A file name made from text that may hold characters a name cannot.
std::wstring SafeFileName(const std::wstring& text) {
  std::wstring s;
  for (wchar_t c : text)
    s += (c < 0x20 || wcschr(L"\\/:*?\"<>|", c)) ? L'_' : c;
  while (!s.empty() && (s.back() == L'.' || s.back() == L' ')) s.pop_back();
  std::wstring why;
  if (!CheckTopLevelName(s, &why)) s = L"_" + s;
  return s;
}

// Shortcuts, program group and uninstall entry after the files are in place.
class Registration {
 public:
  Registration(const PackageSource& pkg, const std::wstring& folder, Scope scope)
      : pkg_(pkg), folder_(folder), scope_(scope) {}

  bool Run(InstallOutcome* outcome) {
    const SetupConfig& cfg = pkg_.config();
    entry_.display_name = cfg.app_name;
    entry_.display_version = cfg.version;
    entry_.publisher = cfg.publisher;
    entry_.install_location = folder_;
    entry_.uninstaller = folder_ + L"\\" + kUninstallerName;
    entry_.display_icon = entry_.uninstaller;
    int64_t bytes = 0;
    for (const FileRecord& f : pkg_.files()) bytes += f.size;
    entry_.estimated_size_kib = static_cast<uint32_t>((bytes + 1023) / 1024);

    std::string err;
    bool ok = true;
    for (const OptionRecord& o : pkg_.options()) {
      std::wstring target = folder_ + L"\\" + o.name;
      if (!FileExists(target)) continue;  // a folder entry, or not a file of this package
      switch (o.bit) {
        case entries::RunApp:
          outcome->run_target = target;
          outcome->run_name = o.name;
          break;
        case entries::AddQuickLaunch: ok &= Link(Place::kQuickLaunch, L"", StemOf(o.name), target, &err); break;
        case entries::AddDesktopcut: ok &= Link(Place::kDesktop, L"", StemOf(o.name), target, &err); break;
        case entries::AddToAutoRun: ok &= Link(Place::kStartup, L"", StemOf(o.name), target, &err); break;
        case entries::AddToPrograms: {
          std::wstring group = SafeFileName(cfg.app_name);
          ok &= Link(Place::kPrograms, group, StemOf(o.name), target, &err);
          ok &= Link(Place::kPrograms, group, text::kUninstallShortcut + cfg.app_name,
                     entry_.uninstaller, &err);
          break;
        }
        case entries::SetCtrlPanelIcon: entry_.display_icon = target; break;
        default: break;
      }
    }
    ok &= WriteUninstallEntry(scope_, UninstallKeyName(cfg.setup_dir), entry_, &err);
    if (!ok) outcome->message = platform::Utf8ToWide(err);
    return ok;
  }

 private:
  // A shortcut named title + ".lnk" in place (inside subfolder when given),
  // to target.
  bool Link(Place place, const std::wstring& subfolder, const std::wstring& title,
            const std::wstring& target, std::string* err) {
    std::wstring dir;
    if (!PlaceFolder(place, scope_, &dir)) {
      *err = "The system has no folder for the shortcut " + platform::WideToUtf8(title);
      return false;
    }
    if (!subfolder.empty()) {
      dir += L"\\" + subfolder;
      if (CreateDirectoryW(dir.c_str(), nullptr)) {
        entry_.folders.push_back(dir);
      } else if (!FolderExists(dir)) {
        *err = Win32Error("Cannot create folder", dir, GetLastError());
        return false;
      }
    }
    std::wstring link = dir + L"\\" + SafeFileName(title) + L".lnk";
    if (!CreateShortcut(link, target, pkg_.config().app_name, err)) return false;
    for (auto& s : entry_.shortcuts)
      if (s == link) return true;
    entry_.shortcuts.push_back(link);
    return true;
  }

  const PackageSource& pkg_;
  std::wstring folder_;
  Scope scope_;
  UninstallEntry entry_;
};

}  // namespace

Scope DecideScope() {
  return CanWriteMachineUninstall() && CanWriteFolder(KnownFolder(FOLDERID_ProgramFiles))
             ? Scope::kMachine
             : Scope::kUser;
}

std::wstring DefaultFolder(Scope scope, const std::wstring& setup_dir) {
  std::wstring base = scope == Scope::kMachine ? KnownFolder(FOLDERID_ProgramFiles)
                                               : KnownFolder(FOLDERID_LocalAppData) + L"\\Programs";
  return base + L"\\" + setup_dir;
}

bool CheckConfig(const SetupConfig& config, std::wstring* why) {
  std::wstring reason;
  if (!CheckTopLevelName(config.setup_dir, &reason)) {
    *why = text::WithReason(L"SetupDir \"" + config.setup_dir + L"\"", reason);
    return false;
  }
  return true;
}

bool NormalizeFolder(const std::wstring& text, std::wstring* folder) {
  std::wstring t = text;
  while (!t.empty() && (t.back() == L' ' || t.front() == L' ')) {
    if (t.back() == L' ') t.pop_back();
    else t.erase(0, 1);
  }
  if (t.size() >= 2 && t.front() == L'"' && t.back() == L'"') t = t.substr(1, t.size() - 2);
  for (auto& c : t)
    if (c == L'/') c = L'\\';
  bool drive = t.size() >= 3 && iswalpha(t[0]) && t[1] == L':' && t[2] == L'\\';
  bool unc = t.size() >= 3 && t[0] == L'\\' && t[1] == L'\\' && t[2] != L'?' && t[2] != L'.';
  if (!drive && !unc) return false;
  DWORD n = GetFullPathNameW(t.c_str(), 0, nullptr, nullptr);
  if (n == 0) return false;
  std::wstring abs(n, L'\0');
  abs.resize(GetFullPathNameW(t.c_str(), n, abs.data(), nullptr));
  while (abs.size() > 3 && abs.back() == L'\\') abs.pop_back();
  *folder = abs;
  return true;
}

bool InstallPackage(PackageSource& pkg, const std::wstring& folder, Scope scope,
                    const InstallProgressFn& progress, const std::atomic<bool>* cancel,
                    InstallOutcome* outcome) {
  // The package's digest first, so a damaged package writes nothing. The
  // progress bar counts the bytes checked, then the bytes installed.
  int64_t checked_total = pkg.digest_bytes(), file_total = 0, checked = 0;
  for (const FileRecord& f : pkg.files()) file_total += f.size;
  auto on_checked = [&](int64_t n) {
    checked += n;
    if (progress) progress(checked, checked_total + file_total);
  };
  std::string err;
  if (!pkg.Verify(on_checked, cancel, &err)) {
    outcome->message = platform::Utf8ToWide(err) + text::kNothingInstalled;
    return false;
  }
  std::vector<std::wstring> targets;
  std::wstring why;
  if (!CheckConfig(pkg.config(), &why) || !PlanTargets(folder, pkg, &targets, &why)) {
    outcome->message = std::wstring(text::kUnsafeName) + why;
    return false;
  }
  auto on_installed = [&](int64_t done, int64_t total) {
    if (progress) progress(checked_total + done, checked_total + total);
  };
  if (!InstallFiles(pkg, folder, targets, on_installed, cancel, &err)) {
    outcome->message = std::wstring(text::kFailedPrefix) + platform::Utf8ToWide(err);
    return false;
  }
  Registration reg(pkg, folder, scope);
  if (!reg.Run(outcome)) {
    outcome->message = std::wstring(text::kFailedPrefix) + outcome->message;
    return false;
  }
  return true;
}

}  // namespace stub
