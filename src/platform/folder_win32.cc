// Windows implementation of folder.h: the folder is held open without
// delete sharing, and every child is looked at as a reparse point, never
// through one.

#include "platform/win32_util.h"
// After <windows.h>, so that its ReplaceFile macro is undone.
#include "platform/folder.h"

namespace platform {
namespace {

using win32::Fail;
using win32::WidePath;

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Opens a folder for listing; flags add FILE_FLAG_OPEN_REPARSE_POINT for a
// child. Others may read and write in it but not rename or remove it.
HANDLE OpenFolderHandle(const std::string& path, DWORD flags) {
  return CreateFileW(WidePath(path).c_str(), FILE_LIST_DIRECTORY,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

bool IsMissing(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

}  // namespace

std::unique_ptr<Folder> Folder::Open(const std::string& path, std::string* err) {
  HANDLE h = OpenFolderHandle(path, 0);
  if (h == INVALID_HANDLE_VALUE) {
    Fail("cannot open folder", path, GetLastError(), err);
    return nullptr;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(h);
    Fail("cannot open folder", path, ERROR_DIRECTORY, err);
    return nullptr;
  }
  return std::unique_ptr<Folder>(new Folder(path, reinterpret_cast<intptr_t>(h)));
}

Folder::~Folder() { CloseHandle(AsHandle(handle_)); }

std::string Folder::PathOf(const std::string& name) const {
  return !path_.empty() && (path_.back() == '\\' || path_.back() == '/') ? path_ + name
                                                                          : path_ + '\\' + name;
}

bool Folder::KindOf(const std::string& name, Kind* kind, FileIdentity* id, std::string* err) {
  std::string path = PathOf(name);
  DWORD attr = GetFileAttributesW(WidePath(path).c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) {
    DWORD code = GetLastError();
    if (!IsMissing(code)) return Fail("cannot query", path, code, err);
    *kind = Kind::kMissing;
    return true;
  }
  if (attr & FILE_ATTRIBUTE_REPARSE_POINT) *kind = Kind::kLink;
  else if (attr & FILE_ATTRIBUTE_DIRECTORY) *kind = Kind::kFolder;
  else *kind = Kind::kFile;
  if (!id) return true;
  HANDLE h = CreateFileW(WidePath(path).c_str(), 0,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail("cannot query", path, GetLastError(), err);
  BY_HANDLE_FILE_INFORMATION info;
  BOOL ok = GetFileInformationByHandle(h, &info);
  DWORD code = GetLastError();
  if (ok && *kind == Kind::kFile && GetFileType(h) != FILE_TYPE_DISK) *kind = Kind::kSpecial;
  CloseHandle(h);
  if (!ok) return Fail("cannot query", path, code, err);
  id->volume = info.dwVolumeSerialNumber;
  id->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

std::unique_ptr<Folder> Folder::OpenChild(const std::string& name, std::string* err) {
  std::string path = PathOf(name);
  HANDLE h = OpenFolderHandle(path, FILE_FLAG_OPEN_REPARSE_POINT);
  if (h == INVALID_HANDLE_VALUE) {
    Fail("cannot open folder", path, GetLastError(), err);
    return nullptr;
  }
  BY_HANDLE_FILE_INFORMATION info;
  DWORD code = ERROR_DIRECTORY;
  if (!GetFileInformationByHandle(h, &info)) code = GetLastError();
  else if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) code = ERROR_CANT_ACCESS_FILE;
  else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) code = ERROR_SUCCESS;
  if (code != ERROR_SUCCESS) {
    CloseHandle(h);
    Fail("cannot open folder", path, code, err);
    return nullptr;
  }
  return std::unique_ptr<Folder>(new Folder(path, reinterpret_cast<intptr_t>(h)));
}

bool Folder::CreateChild(const std::string& name, std::string* err) {
  if (!CreateDirectoryW(WidePath(PathOf(name)).c_str(), nullptr))
    return Fail("cannot create folder", PathOf(name), GetLastError(), err);
  return true;
}

std::unique_ptr<File> Folder::CreateNewFile(const std::string& name, std::string* err) {
  return File::Open(PathOf(name), File::Mode::kCreateNew, err);
}

bool Folder::Rename(const std::string& from, const std::string& to, std::string* err) {
  if (!MoveFileExW(WidePath(PathOf(from)).c_str(), WidePath(PathOf(to)).c_str(),
                   MOVEFILE_REPLACE_EXISTING))
    return Fail("cannot move \"" + PathOf(from) + "\" to", PathOf(to), GetLastError(), err);
  return true;
}

bool Folder::RemoveFile(const std::string& name, std::string* err) {
  if (DeleteFileW(WidePath(PathOf(name)).c_str())) return true;
  DWORD code = GetLastError();
  return IsMissing(code) || Fail("cannot delete", PathOf(name), code, err);
}

bool Folder::RemoveChild(const std::string& name, std::string* err) {
  if (RemoveDirectoryW(WidePath(PathOf(name)).c_str())) return true;
  DWORD code = GetLastError();
  return IsMissing(code) || Fail("cannot remove folder", PathOf(name), code, err);
}

}  // namespace platform
