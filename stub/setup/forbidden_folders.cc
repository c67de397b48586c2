#include "forbidden_folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <cwctype>

#include "rel_path.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

bool StartsWith(const std::wstring& s, const wchar_t* prefix) { return s.rfind(prefix, 0) == 0; }

// Where the segments begin: after "C:" or after "\\server\share".
size_t RootLength(const std::wstring& t) {
  if (t.size() >= 2 && t[1] == L':') return 2;
  if (!StartsWith(t, L"\\\\")) return 0;
  size_t server_end = t.find(L'\\', 2);
  if (server_end == std::wstring::npos) return t.size();
  size_t share_end = t.find(L'\\', server_end + 1);
  return share_end == std::wstring::npos ? t.size() : share_end;
}

std::wstring KnownFolderPath(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  std::wstring out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path) out = path;
  if (path) CoTaskMemFree(path);
  return out;
}

// The final path of an existing file or folder; empty when it cannot be opened.
std::wstring FinalPath(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return L"";
  std::wstring buf(32768, L'\0');
  DWORD n = GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(h);
  if (n == 0 || n >= buf.size()) return L"";
  buf.resize(n);
  return buf;
}

std::wstring LongPath(const std::wstring& path) {
  std::wstring buf(32768, L'\0');
  DWORD n = GetLongPathNameW(path.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
  if (n == 0 || n >= buf.size()) return path;
  buf.resize(n);
  return buf;
}

// Adds a place as written and as resolved.
void AddPlace(std::vector<std::wstring>* list, const std::wstring& path) {
  if (path.empty()) return;
  std::wstring text = CanonicalFolderText(path), resolved = ResolvedFolder(path);
  list->push_back(text);
  if (!SameNoCase(text, resolved)) list->push_back(resolved);
}

}  // namespace

std::wstring CanonicalFolderText(const std::wstring& folder) {
  std::wstring t = folder;
  for (wchar_t& c : t)
    if (c == L'/') c = L'\\';
  if (StartsWith(t, L"\\\\?\\UNC\\") || StartsWith(t, L"\\??\\UNC\\")) t = L"\\\\" + t.substr(8);
  else if (StartsWith(t, L"\\\\?\\") || StartsWith(t, L"\\??\\")) t = t.substr(4);
  size_t root = RootLength(t);
  std::wstring out = t.substr(0, root);
  if (root >= 2 && out[1] == L':') out[0] = static_cast<wchar_t>(towupper(out[0]));
  std::vector<std::wstring> segments;
  for (size_t i = root; i <= t.size();) {
    size_t end = t.find(L'\\', i);
    if (end == std::wstring::npos) end = t.size();
    std::wstring seg = t.substr(i, end - i);
    if (seg == L"..") {
      if (!segments.empty()) segments.pop_back();
    } else {
      while (!seg.empty() && (seg.back() == L'.' || seg.back() == L' ')) seg.pop_back();
      if (!seg.empty()) segments.push_back(seg);
    }
    i = end + 1;
  }
  for (const std::wstring& s : segments) out += L"\\" + s;
  if (out.size() == 2 && out[1] == L':') out += L'\\';
  return out;
}

std::wstring ResolvedFolder(const std::wstring& folder) {
  std::wstring text = CanonicalFolderText(folder);
  std::wstring existing = text;
  while (!existing.empty() && !FolderExists(existing)) {
    std::wstring parent = ParentOf(existing);
    if (parent == existing) return text;
    existing = parent;
  }
  if (existing.empty()) return text;
  std::wstring rest = text.substr(existing.size());
  std::wstring final_path = FinalPath(existing);
  std::wstring resolved = final_path.empty() ? LongPath(existing) : final_path;
  if (!rest.empty() && rest[0] != L'\\') rest = L"\\" + rest;
  return CanonicalFolderText(resolved + rest);
}

bool IsForbiddenText(const std::wstring& folder, const ForbiddenPlaces& places) {
  size_t root = RootLength(folder);
  if (root >= folder.size() || folder.substr(root) == L"\\") return true;  // a drive or share root
  for (const std::wstring& p : places.exact)
    if (SameNoCase(p, folder)) return true;
  for (const std::wstring& p : places.with_below)
    if (IsWithin(p, folder)) return true;
  for (const std::wstring& p : places.child_of)
    if (SameNoCase(p, ParentOf(folder))) return true;
  return false;
}

bool IsForbiddenFolder(const std::wstring& folder, const ForbiddenPlaces& places, std::wstring* why) {
  std::wstring text = CanonicalFolderText(folder);
  if (!IsForbiddenText(text, places) && !IsForbiddenText(ResolvedFolder(text), places)) return false;
  *why = text::kForbiddenFolderPrefix + text + text::kForbiddenFolderSuffix;
  return true;
}

ForbiddenPlaces SystemForbiddenPlaces() {
  ForbiddenPlaces places;
  for (const KNOWNFOLDERID* id :
       {&FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX86, &FOLDERID_ProgramFilesX64,
        &FOLDERID_ProgramData, &FOLDERID_UserProfiles, &FOLDERID_Profile, &FOLDERID_Public,
        &FOLDERID_Desktop, &FOLDERID_Documents, &FOLDERID_Downloads, &FOLDERID_Music,
        &FOLDERID_Pictures, &FOLDERID_Videos, &FOLDERID_RoamingAppData, &FOLDERID_LocalAppData,
        &FOLDERID_LocalAppDataLow, &FOLDERID_PublicDesktop, &FOLDERID_PublicDocuments})
    AddPlace(&places.exact, KnownFolderPath(*id));
  AddPlace(&places.with_below, KnownFolderPath(FOLDERID_Windows));
  AddPlace(&places.child_of, KnownFolderPath(FOLDERID_UserProfiles));
  return places;
}

}  // namespace stub
