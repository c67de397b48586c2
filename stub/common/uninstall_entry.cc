#include "uninstall_entry.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "log_sink.h"
#include "product.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// Our own values: the shortcuts and folders setup made. Every entry setup
// has ever made holds kShortcutsValue, which tells it from other programs'.
constexpr wchar_t kShortcutsValue[] = L"QrShortcuts";
constexpr wchar_t kFoldersValue[] = L"QrShortcutFolders";
constexpr wchar_t kCreatedFoldersValue[] = L"QrCreatedFolders";

HKEY RootOf(Scope scope) { return scope == Scope::kMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::wstring PathOf(const std::wstring& key) { return std::wstring(kUninstallRoot) + L"\\" + key; }

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

bool HasValue(HKEY k, const wchar_t* name) {
  return RegQueryValueExW(k, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
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

// The path of uninst.exe in an UninstallString: the quoted or plain command.
std::wstring CommandPath(const std::wstring& command) {
  if (command.size() >= 2 && command.front() == L'"') {
    size_t close = command.find(L'"', 1);
    if (close != std::wstring::npos) return command.substr(1, close - 1);
  }
  return command;
}

UninstallEntry ReadEntry(HKEY k) {
  UninstallEntry e;
  e.display_name = GetString(k, L"DisplayName");
  e.display_version = GetString(k, L"DisplayVersion");
  e.publisher = GetString(k, L"Publisher");
  e.install_location = GetString(k, L"InstallLocation");
  e.uninstaller = CommandPath(GetString(k, L"UninstallString"));
  e.display_icon = GetString(k, L"DisplayIcon");
  e.install_date = GetString(k, L"InstallDate");
  e.shortcuts = GetMulti(k, kShortcutsValue);
  e.folders = GetMulti(k, kFoldersValue);
  e.created_folders = GetMulti(k, kCreatedFoldersValue);
  return e;
}

// Calls visit(key name, opened key) for every entry setup made in scope,
// until it returns true. Returns whether one did.
template <typename Visit>
bool ForEachOurEntry(Scope scope, Visit visit) {
  HKEY root;
  if (RegOpenKeyExW(RootOf(scope), kUninstallRoot, 0, KEY_READ | KEY_WOW64_64KEY, &root) !=
      ERROR_SUCCESS)
    return false;
  bool done = false;
  wchar_t name[256];
  for (DWORD i = 0; !done; ++i) {
    DWORD len = 256;
    LONG rc = RegEnumKeyExW(root, i, name, &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) break;
    HKEY k;
    if (RegOpenKeyExW(root, name, 0, KEY_READ | KEY_WOW64_64KEY, &k) != ERROR_SUCCESS) continue;
    if (HasValue(k, kShortcutsValue)) done = visit(std::wstring(name), k);
    RegCloseKey(k);
  }
  RegCloseKey(root);
  return done;
}

}  // namespace

std::wstring InstallDateOf(const SYSTEMTIME& day) {
  wchar_t text[16];
  std::swprintf(text, sizeof text / sizeof text[0], L"%04u%02u%02u", unsigned{day.wYear},
                unsigned{day.wMonth}, unsigned{day.wDay});
  return text;
}

bool HoldsIcon(const std::wstring& path) {
  return ExtractIconExW(path.c_str(), -1, nullptr, nullptr, 0) > 0;
}

std::wstring UninstallCommand(const std::wstring& path) { return L"\"" + path + L"\""; }
std::wstring QuietUninstallCommand(const std::wstring& path) { return UninstallCommand(path) + L" /S"; }

std::wstring EntryKeyPath(Scope scope, const std::wstring& key) {
  return (scope == Scope::kMachine ? L"HKLM\\" : L"HKCU\\") + PathOf(key);
}

bool WriteUninstallEntry(Scope scope, const std::wstring& key, const UninstallEntry& e,
                         std::string* err) {
  std::wstring path = PathOf(key);
  HKEY k;
  LONG rc = RegCreateKeyExW(RootOf(scope), path.c_str(), 0, nullptr, 0,
                            KEY_WRITE | KEY_WOW64_64KEY, nullptr, &k, nullptr);
  if (rc != ERROR_SUCCESS) {
    *err = platform::WideToUtf8(SystemError(text::kCannotWriteEntry, path, static_cast<DWORD>(rc)));
    return false;
  }
  // Each value written goes to the log.
  std::wstring where = EntryKeyPath(scope, key) + L"\\";
  auto logged = [&](bool ok, const wchar_t* name, const std::wstring& value) {
    if (ok) Log().Write(text::kLogValue, where + name + L" = " + value);
    return ok;
  };
  auto str = [&](const wchar_t* name, const std::wstring& v) {
    return logged(SetString(k, name, v), name, v);
  };
  auto num = [&](const wchar_t* name, DWORD v) {
    return logged(SetDword(k, name, v), name, std::to_wstring(v));
  };
  auto multi = [&](const wchar_t* name, const std::vector<std::wstring>& list) {
    std::wstring shown;
    for (const std::wstring& item : list) shown += (shown.empty() ? L"" : L"; ") + item;
    return logged(SetMulti(k, name, list), name, shown);
  };
  bool ok = str(L"DisplayName", e.display_name) && str(L"DisplayVersion", e.display_version) &&
            str(L"Publisher", e.publisher) && str(L"InstallLocation", e.install_location) &&
            str(L"UninstallString", UninstallCommand(e.uninstaller)) &&
            str(L"QuietUninstallString", QuietUninstallCommand(e.uninstaller)) &&
            str(L"DisplayIcon", e.display_icon) && num(L"EstimatedSize", e.estimated_size_kib) &&
            num(L"NoModify", 1) && num(L"NoRepair", 1) && multi(kShortcutsValue, e.shortcuts) &&
            multi(kFoldersValue, e.folders) && multi(kCreatedFoldersValue, e.created_folders) &&
            (e.install_date.empty() || str(L"InstallDate", e.install_date));
  RegCloseKey(k);
  if (!ok) *err = platform::WideToUtf8(text::kCannotWriteEntry + (L"“" + path + L"”"));
  return ok;
}

bool FindUninstallEntry(const std::wstring& folder, const std::wstring& uninstaller,
                        FoundEntry* found) {
  for (Scope s : {Scope::kUser, Scope::kMachine}) {
    bool hit = ForEachOurEntry(s, [&](const std::wstring& name, HKEY k) {
      if (!SameNoCase(GetString(k, L"InstallLocation"), folder) ||
          !SameNoCase(GetString(k, L"UninstallString"), UninstallCommand(uninstaller)))
        return false;
      *found = {s, name, ReadEntry(k)};
      found->entry.uninstaller = uninstaller;
      return true;
    });
    if (hit) return true;
  }
  return false;
}

std::vector<FoundEntry> ProductEntries(const std::wstring& name, const std::wstring& publisher,
                                       const std::vector<Scope>& scopes) {
  std::vector<FoundEntry> out;
  std::wstring key = ProductKeyName(name, publisher);
  for (Scope s : scopes) {
    HKEY k;
    if (RegOpenKeyExW(RootOf(s), PathOf(key).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &k) ==
        ERROR_SUCCESS) {
      out.push_back({s, key, ReadEntry(k)});
      RegCloseKey(k);
    }
    ForEachOurEntry(s, [&](const std::wstring& key_name, HKEY k) {
      if (!SameNoCase(key_name, key) && GetString(k, L"DisplayName") == name &&
          GetString(k, L"Publisher") == publisher)
        out.push_back({s, key_name, ReadEntry(k)});
      return false;
    });
  }
  return out;
}

std::vector<FoundEntry> EntriesAtFolder(const std::wstring& folder) {
  std::vector<FoundEntry> out;
  for (Scope s : {Scope::kUser, Scope::kMachine}) {
    ForEachOurEntry(s, [&](const std::wstring& name, HKEY k) {
      if (SameNoCase(GetString(k, L"InstallLocation"), folder)) out.push_back({s, name, ReadEntry(k)});
      return false;
    });
  }
  return out;
}

bool CanDeleteUninstallEntry(Scope scope, const std::wstring& key) {
  HKEY k;
  if (RegOpenKeyExW(RootOf(scope), PathOf(key).c_str(), 0, DELETE | KEY_WOW64_64KEY, &k) !=
      ERROR_SUCCESS)
    return false;
  RegCloseKey(k);
  return true;
}

bool CanWriteUninstallEntries(Scope scope) {
  HKEY k;
  if (RegCreateKeyExW(RootOf(scope), kUninstallRoot, 0, nullptr, 0,
                      KEY_CREATE_SUB_KEY | KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &k,
                      nullptr) != ERROR_SUCCESS)
    return false;
  RegCloseKey(k);
  return true;
}

bool DeleteUninstallEntry(Scope scope, const std::wstring& key) {
  return RegDeleteKeyExW(RootOf(scope), PathOf(key).c_str(), KEY_WOW64_64KEY, 0) == ERROR_SUCCESS;
}

bool SnapshotKey(Scope scope, const std::wstring& key, KeySnapshot* snap) {
  *snap = {};
  snap->scope = scope;
  snap->key = key;
  HKEY k;
  LONG rc = RegOpenKeyExW(RootOf(scope), PathOf(key).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &k);
  if (rc == ERROR_FILE_NOT_FOUND) return true;
  if (rc != ERROR_SUCCESS) return false;
  snap->existed = true;
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD name_len = 16384, type = 0, bytes = 0;
    rc = RegEnumValueW(k, i, name, &name_len, nullptr, &type, nullptr, &bytes);
    if (rc != ERROR_SUCCESS) break;
    KeySnapshot::Value v{std::wstring(name, name_len), type, std::string(bytes, '\0')};
    name_len = 16384;
    rc = RegEnumValueW(k, i, name, &name_len, nullptr, &type,
                       reinterpret_cast<BYTE*>(v.data.data()), &bytes);
    if (rc != ERROR_SUCCESS) break;
    v.data.resize(bytes);
    snap->values.push_back(std::move(v));
  }
  RegCloseKey(k);
  return rc == ERROR_NO_MORE_ITEMS;
}

bool RestoreKey(const KeySnapshot& snap) {
  LONG rc = RegDeleteKeyExW(RootOf(snap.scope), PathOf(snap.key).c_str(), KEY_WOW64_64KEY, 0);
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return false;
  if (!snap.existed) return true;
  HKEY k;
  if (RegCreateKeyExW(RootOf(snap.scope), PathOf(snap.key).c_str(), 0, nullptr, 0,
                      KEY_WRITE | KEY_WOW64_64KEY, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return false;
  bool ok = true;
  for (const KeySnapshot::Value& v : snap.values)
    ok &= RegSetValueExW(k, v.name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                         static_cast<DWORD>(v.data.size())) == ERROR_SUCCESS;
  RegCloseKey(k);
  return ok;
}

}  // namespace stub
