#include "shell_places.h"

#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

constexpr wchar_t kQuickLaunchBelowAppData[] = L"\\Microsoft\\Internet Explorer\\Quick Launch";

// Releases a COM interface at the end of a scope.
template <typename T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() {
    if (p) p->Release();
  }
  T* operator->() const { return p; }
};

const KNOWNFOLDERID& FolderId(Place place, Scope scope) {
  bool machine = scope == Scope::kMachine;
  switch (place) {
    case Place::kDesktop: return machine ? FOLDERID_PublicDesktop : FOLDERID_Desktop;
    case Place::kStartup: return machine ? FOLDERID_CommonStartup : FOLDERID_Startup;
    case Place::kPrograms: return machine ? FOLDERID_CommonPrograms : FOLDERID_Programs;
    case Place::kQuickLaunch: break;
  }
  return FOLDERID_QuickLaunch;
}

bool KnownFolder(const KNOWNFOLDERID& id, std::wstring* folder) {
  PWSTR path = nullptr;
  HRESULT hr = SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path);
  bool ok = SUCCEEDED(hr) && path && *path;
  if (ok) *folder = path;
  if (path) CoTaskMemFree(path);
  return ok;
}

}  // namespace

bool PlaceFolder(Place place, Scope scope, std::wstring* folder) {
  if (KnownFolder(FolderId(place, scope), folder)) return true;
  // Systems that do not know the quick-launch folder keep it at its
  // traditional place in the roaming application data.
  std::wstring roaming;
  if (place != Place::kQuickLaunch || !KnownFolder(FOLDERID_RoamingAppData, &roaming)) return false;
  *folder = roaming + kQuickLaunchBelowAppData;
  return true;
}

bool CreateShortcut(const std::wstring& link_path, const std::wstring& target,
                    const std::wstring& description, std::string* err) {
  ComPtr<IShellLinkW> link;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link.p));
  if (FAILED(hr)) {
    *err = platform::WideToUtf8(SystemError(text::kCannotMakeShortcut, link_path, static_cast<DWORD>(hr)));
    return false;
  }
  link->SetPath(target.c_str());
  link->SetWorkingDirectory(ParentOf(target).c_str());
  link->SetDescription(description.c_str());
  link->SetIconLocation(target.c_str(), 0);
  ComPtr<IPersistFile> file;
  hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p));
  if (SUCCEEDED(hr)) hr = file->Save(link_path.c_str(), TRUE);
  if (FAILED(hr)) {
    *err = platform::WideToUtf8(SystemError(text::kCannotMakeShortcut, link_path, static_cast<DWORD>(hr)));
    return false;
  }
  return true;
}

bool ReadShortcutTarget(const std::wstring& link_path, std::wstring* target) {
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link.p))))
    return false;
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))) ||
      FAILED(file->Load(link_path.c_str(), STGM_READ)))
    return false;
  std::wstring buf(32768, L'\0');
  if (FAILED(link->GetPath(buf.data(), static_cast<int>(buf.size()), nullptr, SLGP_RAWPATH)))
    return false;
  buf.resize(wcslen(buf.c_str()));
  *target = std::move(buf);
  return true;
}

std::wstring StemOf(const std::wstring& name) {
  size_t dot = name.find_last_of(L'.');
  return dot == std::wstring::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace stub
