// Windows implementation of files.h: wide-character API throughout.

#include "platform/win32_util.h"
// After <windows.h>, so that its ReplaceFile macro is undone.
#include "platform/files.h"
#include "platform/utf.h"

namespace platform {
namespace {

using win32::Fail;
using win32::WidePath;

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Largest single read or write handed to the system.
constexpr DWORD kMaxIo = 1u << 30;

OVERLAPPED At(int64_t pos) {
  OVERLAPPED ov = {};
  ov.Offset = static_cast<DWORD>(static_cast<uint64_t>(pos));
  ov.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(pos) >> 32);
  return ov;
}

bool IsRootLike(const std::string& dir) {
  // "C:" or "C:\" or "\" or "\\server\share" need no creation.
  return dir.empty() || (dir.size() <= 3 && dir.size() >= 2 && dir[1] == ':') || dir == "\\";
}

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/') &&
         !(path.size() == 3 && path[1] == ':'))
    path.pop_back();
  return path;
}

// Size of the file a link in dir leads to; 0 when it leads nowhere.
int64_t LinkTargetSize(const std::string& dir, const std::string& name) {
  std::string path = dir;
  if (path.empty() || (path.back() != '\\' && path.back() != '/')) path += '\\';
  path += name;
  HANDLE h = CreateFileW(WidePath(path).c_str(), 0,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  LARGE_INTEGER li;
  int64_t size = GetFileSizeEx(h, &li) ? li.QuadPart : 0;
  CloseHandle(h);
  return size;
}

constexpr char kNotRegular[] = "not a regular file (a pipe, device or socket)";

bool FailNotRegular(const std::string& what, const std::string& path, std::string* err) {
  if (err) *err = what + " \"" + path + "\": " + kNotRegular;
  return false;
}

// A socket in the file system is a reparse point of its own kind.
constexpr DWORD kReparseTagSocket = 0x80000023;  // IO_REPARSE_TAG_AF_UNIX

}  // namespace

std::unique_ptr<File> File::Open(const std::string& path, Mode mode, std::string* err) {
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  // Others may read, and may delete (an interrupted program removes its
  // temporary files while they are open).
  DWORD share = FILE_SHARE_READ | FILE_SHARE_DELETE;
  DWORD disposition = OPEN_EXISTING;
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  switch (mode) {
    case Mode::kRead:
      access = GENERIC_READ;
      share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
      break;
    case Mode::kReadWrite: break;
    // OPEN_ALWAYS and a cut afterwards, because CREATE_ALWAYS refuses an
    // existing hidden or system file.
    case Mode::kCreateTruncate: disposition = OPEN_ALWAYS; break;
    // A new file only: never through a link that leads nowhere.
    case Mode::kCreateNew:
      disposition = CREATE_NEW;
      flags |= FILE_FLAG_OPEN_REPARSE_POINT;
      break;
  }
  HANDLE h = CreateFileW(WidePath(path).c_str(), access, share, nullptr, disposition, flags,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    Fail("cannot open", path, GetLastError(), err);
    return nullptr;
  }
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    FailNotRegular("cannot open", path, err);
    return nullptr;
  }
  std::unique_ptr<File> file(new File(path, reinterpret_cast<intptr_t>(h)));
  if (mode == Mode::kCreateTruncate && !file->Truncate(0, err)) return nullptr;
  return file;
}

File::~File() {
  if (AsHandle(handle_) != INVALID_HANDLE_VALUE) CloseHandle(AsHandle(handle_));
}

bool File::Read(void* buf, size_t n, size_t* got, std::string* err) {
  *got = 0;
  if (AsHandle(handle_) == INVALID_HANDLE_VALUE)
    return Fail("cannot read closed file", path_, ERROR_INVALID_HANDLE, err);
  char* p = static_cast<char*>(buf);
  while (*got < n) {
    DWORD want = n - *got < kMaxIo ? static_cast<DWORD>(n - *got) : kMaxIo;
    OVERLAPPED ov = At(pos_);
    DWORD r = 0;
    if (!ReadFile(AsHandle(handle_), p + *got, want, &r, &ov)) {
      DWORD code = GetLastError();
      if (code == ERROR_HANDLE_EOF) break;
      return Fail("cannot read", path_, code, err);
    }
    if (r == 0) break;
    *got += r;
    pos_ += r;
  }
  return true;
}

bool File::Write(const void* buf, size_t n, std::string* err) {
  if (AsHandle(handle_) == INVALID_HANDLE_VALUE)
    return Fail("cannot write closed file", path_, ERROR_INVALID_HANDLE, err);
  const char* p = static_cast<const char*>(buf);
  size_t done = 0;
  while (done < n) {
    DWORD want = n - done < kMaxIo ? static_cast<DWORD>(n - done) : kMaxIo;
    OVERLAPPED ov = At(pos_);
    DWORD w = 0;
    if (!WriteFile(AsHandle(handle_), p + done, want, &w, &ov))
      return Fail("cannot write", path_, GetLastError(), err);
    if (w == 0) return Fail("cannot write", path_, ERROR_DISK_FULL, err);
    done += w;
    pos_ += w;
  }
  return true;
}

bool File::Seek(int64_t offset, std::string* err) {
  if (AsHandle(handle_) == INVALID_HANDLE_VALUE)
    return Fail("cannot seek in closed file", path_, ERROR_INVALID_HANDLE, err);
  if (offset < 0) return Fail("cannot seek in", path_, ERROR_NEGATIVE_SEEK, err);
  pos_ = offset;
  return true;
}

bool File::SeekToEnd(std::string* err) {
  int64_t size = 0;
  if (!Size(&size, err)) return false;
  pos_ = size;
  return true;
}

bool File::Size(int64_t* size, std::string* err) {
  if (AsHandle(handle_) == INVALID_HANDLE_VALUE)
    return Fail("cannot query closed file", path_, ERROR_INVALID_HANDLE, err);
  LARGE_INTEGER li;
  if (!GetFileSizeEx(AsHandle(handle_), &li)) return Fail("cannot query", path_, GetLastError(), err);
  *size = li.QuadPart;
  return true;
}

bool File::Truncate(int64_t size, std::string* err) {
  if (AsHandle(handle_) == INVALID_HANDLE_VALUE)
    return Fail("cannot truncate closed file", path_, ERROR_INVALID_HANDLE, err);
  FILE_END_OF_FILE_INFO info;
  info.EndOfFile.QuadPart = size;
  if (!SetFileInformationByHandle(AsHandle(handle_), FileEndOfFileInfo, &info, sizeof info))
    return Fail("cannot truncate", path_, GetLastError(), err);
  return true;
}

bool File::Close(std::string* err) {
  if (AsHandle(handle_) == INVALID_HANDLE_VALUE)
    return Fail("cannot close closed file", path_, ERROR_INVALID_HANDLE, err);
  HANDLE h = AsHandle(handle_);
  handle_ = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
  if (!CloseHandle(h)) return Fail("cannot close", path_, GetLastError(), err);
  return true;
}

bool ListDirectory(const std::string& dir, std::vector<DirEntry>* entries, std::string* err) {
  entries->clear();
  std::string pattern = dir;
  if (pattern.empty() || (pattern.back() != '\\' && pattern.back() != '/')) pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileExW(WidePath(pattern).c_str(), FindExInfoBasic, &fd,
                              FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return true;  // an empty drive root
    return Fail("cannot list", dir, code, err);
  }
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    DirEntry entry;
    entry.name = WideToUtf8(name);
    entry.is_directory = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.is_link = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                    (fd.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
                     fd.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
    entry.is_special = !entry.is_link && !entry.is_directory &&
                       (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                       fd.dwReserved0 == kReparseTagSocket;
    if (!entry.is_directory)
      entry.size = static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) |
                                        fd.nFileSizeLow);
    // A file link reports its own size (0); give the target's, as POSIX does.
    if (entry.is_link && !entry.is_directory) entry.size = LinkTargetSize(dir, entry.name);
    entries->push_back(std::move(entry));
  } while (FindNextFileW(h, &fd));
  DWORD code = GetLastError();
  FindClose(h);
  if (code != ERROR_NO_MORE_FILES) return Fail("cannot list", dir, code, err);
  return true;
}

bool GetFileIdentity(const std::string& path, FileIdentity* id, std::string* err) {
  // Backup semantics opens directories too; no access right is needed to query.
  HANDLE h = CreateFileW(WidePath(path).c_str(), 0,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail("cannot query", path, GetLastError(), err);
  BY_HANDLE_FILE_INFORMATION info;
  BOOL ok = GetFileInformationByHandle(h, &info);
  DWORD code = GetLastError();
  CloseHandle(h);
  if (!ok) return Fail("cannot query", path, code, err);
  id->volume = info.dwVolumeSerialNumber;
  id->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

bool IsDirectory(const std::string& path) { return win32::FolderExists(WidePath(path)); }

bool PathExists(const std::string& path) { return win32::PathExists(WidePath(path)); }

PathKind KindOfPath(const std::string& path) {
  std::wstring wide = WidePath(path);
  DWORD attr = GetFileAttributesW(wide.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
  if (attr & FILE_ATTRIBUTE_DIRECTORY) return PathKind::kFolder;
  HANDLE h = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    // A socket cannot be opened as a file.
    return (attr & FILE_ATTRIBUTE_REPARSE_POINT) ? PathKind::kSpecial : PathKind::kFile;
  }
  DWORD type = GetFileType(h);
  CloseHandle(h);
  return type == FILE_TYPE_DISK ? PathKind::kFile : PathKind::kSpecial;
}

bool GetFileSize(const std::string& path, int64_t* size, std::string* err) {
  if (KindOfPath(path) == PathKind::kSpecial) return FailNotRegular("cannot query", path, err);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data))
    return Fail("cannot query", path, GetLastError(), err);
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    return Fail("cannot query", path, ERROR_ACCESS_DENIED, err);
  *size = static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                               data.nFileSizeLow);
  return true;
}

bool RemoveFile(const std::string& path, std::string* err) {
  std::wstring wide = WidePath(path);
  if (DeleteFileW(wide.c_str())) return true;
  DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return true;
  if (code == ERROR_ACCESS_DENIED) {
    // A read-only file: clear the attribute and try once more.
    DWORD attr = GetFileAttributesW(wide.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY) &&
        !(attr & FILE_ATTRIBUTE_DIRECTORY) &&
        SetFileAttributesW(wide.c_str(), attr & ~FILE_ATTRIBUTE_READONLY)) {
      if (DeleteFileW(wide.c_str())) return true;
      code = GetLastError();
    }
  }
  return Fail("cannot delete", path, code, err);
}

bool RemoveEmptyFolder(const std::string& path, std::string* err) {
  if (RemoveDirectoryW(WidePath(path).c_str())) return true;
  DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return true;
  return Fail("cannot remove folder", path, code, err);
}

bool ReplaceFile(const std::string& from, const std::string& to, std::string* err) {
  if (!MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return Fail("cannot move \"" + from + "\" to", to, GetLastError(), err);
  return true;
}

bool CreateDirectories(const std::string& path, std::string* err) {
  std::string dir = WithoutTrailingSeparator(path);
  if (IsRootLike(dir) || IsDirectory(dir)) return true;
  size_t sep = dir.find_last_of("\\/");
  if (sep != std::string::npos && sep > 0) {
    std::string parent = dir.substr(0, sep);
    // Stop at "\\server\share": it cannot be created.
    bool unc_share = parent.rfind("\\\\", 0) == 0 && parent.find('\\', 2) != std::string::npos &&
                     parent.find('\\', parent.find('\\', 2) + 1) == std::string::npos;
    if (!unc_share && !CreateDirectories(parent, err)) return false;
  }
  if (!CreateDirectoryW(WidePath(dir).c_str(), nullptr)) {
    DWORD code = GetLastError();
    if (!(code == ERROR_ALREADY_EXISTS && IsDirectory(dir)))
      return Fail("cannot create folder", dir, code, err);
  }
  return true;
}

std::string TempFolder() {
  wchar_t buf[MAX_PATH + 2];
  DWORD n = GetTempPathW(MAX_PATH + 2, buf);
  if (n == 0 || n > MAX_PATH + 1) return ".";
  return WithoutTrailingSeparator(WideToUtf8(std::wstring_view(buf, n)));
}

std::string ProgramFolder() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return ".";
    if (n < buf.size()) {
      buf.resize(n);
      break;
    }
    buf.resize(buf.size() * 2);
  }
  size_t sep = buf.find_last_of(L'\\');
  if (sep == std::wstring::npos) return ".";
  // A drive root keeps its backslash: "E:\".
  if (sep == 2 && buf[1] == L':') return WideToUtf8(buf.substr(0, 3));
  return WideToUtf8(buf.substr(0, sep));
}

}  // namespace platform
