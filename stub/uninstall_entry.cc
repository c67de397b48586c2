#include "uninstall_entry.h"

#include <windows.h>

#include "win_util.h"

namespace stub {
namespace {

constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// Our own values: the shortcuts and shortcut folders setup made.
constexpr wchar_t kShortcutsValue[] = L"QrShortcuts";
constexpr wchar_t kFoldersValue[] = L"QrShortcutFolders";

HKEY RootOf(Scope scope) { return scope == Scope::kMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

bool SetString(HKEY k, const wchar_t* name, const std::wstring& v) {
  return RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                        static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool SetDword(HKEY k, const wchar_t* name, DWORD v) {
  return RegSetValueExW(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v) ==
         ERROR_SUCCESS;
}

bool SetMulti(HKEY k, const wchar_t* name, const std::vector<std::wstring>& list) {
  std::wstring data;
  for (auto& s : list) data += s + L'\0';
  data += L'\0';
  return RegSetValueExW(k, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring GetString(HKEY k, const wchar_t* name) {
  DWORD bytes = 0;
  if (RegGetValueW(k, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
    return L"";
  std::wstring v(bytes / sizeof(wchar_t) + 1, L'\0');
  if (RegGetValueW(k, nullptr, name, RRF_RT_REG_SZ, nullptr, v.data(), &bytes) != ERROR_SUCCESS)
    return L"";
  v.resize(wcslen(v.c_str()));
  return v;
}

std::vector<std::wstring> GetMulti(HKEY k, const wchar_t* name) {
  std::vector<std::wstring> out;
  DWORD bytes = 0;
  if (RegGetValueW(k, nullptr, name, RRF_RT_REG_MULTI_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
    return out;
  std::wstring v(bytes / sizeof(wchar_t) + 2, L'\0');
  if (RegGetValueW(k, nullptr, name, RRF_RT_REG_MULTI_SZ, nullptr, v.data(), &bytes) != ERROR_SUCCESS)
    return out;
  for (size_t i = 0; i < v.size() && v[i];) {
    size_t end = v.find(L'\0', i);
    out.push_back(v.substr(i, end - i));
    i = end + 1;
  }
  return out;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool FindIn(Scope scope, const std::wstring& folder, const std::wstring& uninstaller,
            std::wstring* key, UninstallEntry* entry) {
  HKEY root;
  if (RegOpenKeyExW(RootOf(scope), kUninstallRoot, 0, KEY_READ | KEY_WOW64_64KEY, &root) !=
      ERROR_SUCCESS)
    return false;
  bool found = false;
  wchar_t name[256];
  for (DWORD i = 0; !found; ++i) {
    DWORD len = 256;
    if (RegEnumKeyExW(root, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    HKEY k;
    if (RegOpenKeyExW(root, name, 0, KEY_READ | KEY_WOW64_64KEY, &k) != ERROR_SUCCESS) continue;
    std::wstring location = GetString(k, L"InstallLocation");
    std::wstring command = GetString(k, L"UninstallString");
    if (SameText(location, folder) && SameText(command, UninstallCommand(uninstaller))) {
      found = true;
      *key = name;
      entry->display_name = GetString(k, L"DisplayName");
      entry->display_version = GetString(k, L"DisplayVersion");
      entry->publisher = GetString(k, L"Publisher");
      entry->install_location = location;
      entry->uninstaller = uninstaller;
      entry->display_icon = GetString(k, L"DisplayIcon");
      entry->shortcuts = GetMulti(k, kShortcutsValue);
      entry->folders = GetMulti(k, kFoldersValue);
    }
    RegCloseKey(k);
  }
  RegCloseKey(root);
  return found;
}

}  // namespace

std::wstring UninstallKeyName(const std::wstring& setup_dir) { return setup_dir; }

std::wstring UninstallCommand(const std::wstring& path) { return L"\"" + path + L"\""; }
std::wstring QuietUninstallCommand(const std::wstring& path) { return UninstallCommand(path) + L" /S"; }

bool WriteUninstallEntry(Scope scope, const std::wstring& key, const UninstallEntry& e,
                         std::string* err) {
  std::wstring path = std::wstring(kUninstallRoot) + L"\\" + key;
  HKEY k;
  LONG rc = RegCreateKeyExW(RootOf(scope), path.c_str(), 0, nullptr, 0,
                            KEY_WRITE | KEY_WOW64_64KEY, nullptr, &k, nullptr);
  if (rc != ERROR_SUCCESS) {
    *err = Win32Error("Cannot write the uninstall entry", path, static_cast<DWORD>(rc));
    return false;
  }
  bool ok = SetString(k, L"DisplayName", e.display_name) &&
            SetString(k, L"DisplayVersion", e.display_version) &&
            SetString(k, L"Publisher", e.publisher) &&
            SetString(k, L"InstallLocation", e.install_location) &&
            SetString(k, L"UninstallString", UninstallCommand(e.uninstaller)) &&
            SetString(k, L"QuietUninstallString", QuietUninstallCommand(e.uninstaller)) &&
            SetString(k, L"DisplayIcon", e.display_icon) &&
            SetDword(k, L"EstimatedSize", e.estimated_size_kib) && SetDword(k, L"NoModify", 1) &&
            SetDword(k, L"NoRepair", 1) && SetMulti(k, kShortcutsValue, e.shortcuts) &&
            SetMulti(k, kFoldersValue, e.folders);
  RegCloseKey(k);
  if (!ok) {
    DeleteUninstallEntry(scope, key);
    *err = platform::WideToUtf8(L"Cannot write the values of the uninstall entry " + path);
  }
  return ok;
}

bool FindUninstallEntry(const std::wstring& folder, const std::wstring& uninstaller, Scope* scope,
                        std::wstring* key, UninstallEntry* entry) {
  for (Scope s : {Scope::kUser, Scope::kMachine}) {
    if (FindIn(s, folder, uninstaller, key, entry)) {
      *scope = s;
      return true;
    }
  }
  return false;
}

bool CanDeleteUninstallEntry(Scope scope, const std::wstring& key) {
  std::wstring path = std::wstring(kUninstallRoot) + L"\\" + key;
  HKEY k;
  if (RegOpenKeyExW(RootOf(scope), path.c_str(), 0, DELETE | KEY_WOW64_64KEY, &k) != ERROR_SUCCESS)
    return false;
  RegCloseKey(k);
  return true;
}

bool DeleteUninstallEntry(Scope scope, const std::wstring& key) {
  std::wstring path = std::wstring(kUninstallRoot) + L"\\" + key;
  return RegDeleteKeyExW(RootOf(scope), path.c_str(), KEY_WOW64_64KEY, 0) == ERROR_SUCCESS;
}

}  // namespace stub
