// POSIX implementation of files.h.

#include "platform/files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace platform {
namespace {

bool Fail(const std::string& what, const std::string& path, int code, std::string* err) {
  if (err) *err = what + " \"" + path + "\": " + strerror(code);
  return false;
}

bool Fail(const std::string& what, const std::string& path, std::string* err) {
  return Fail(what, path, errno, err);
}

constexpr char kNotRegular[] = "not a regular file (a pipe, device or socket)";

bool FailNotRegular(const std::string& what, const std::string& path, std::string* err) {
  if (err) *err = what + " \"" + path + "\": " + kNotRegular;
  return false;
}

// Refuses what is not a regular file, with the reason.
bool CheckRegular(const struct stat& st, const std::string& what, const std::string& path,
                  std::string* err) {
  if (S_ISREG(st.st_mode)) return true;
  if (S_ISDIR(st.st_mode)) return Fail(what, path, EISDIR, err);
  return FailNotRegular(what, path, err);
}

// Largest single read or write handed to the kernel.
constexpr size_t kMaxIo = 1 << 30;

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::unique_ptr<File> File::Open(const std::string& path, Mode mode, std::string* err) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::kRead: flags |= O_RDONLY; break;
    case Mode::kReadWrite: flags |= O_RDWR; break;
    case Mode::kCreateTruncate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case Mode::kCreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
  }
  // A pipe, device or socket is refused before it is opened; O_NONBLOCK
  // keeps the open from waiting should one appear in between.
  struct stat st;
  if (mode != Mode::kCreateNew && stat(path.c_str(), &st) == 0 &&
      !CheckRegular(st, "cannot open", path, err))
    return nullptr;
  int fd;
  do {
    fd = open(path.c_str(), flags | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    Fail("cannot open", path, err);
    return nullptr;
  }
  bool ok = fstat(fd, &st) == 0 ? CheckRegular(st, "cannot open", path, err)
                                 : Fail("cannot open", path, err);
  if (ok && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
    ok = Fail("cannot open", path, err);
  if (!ok) {
    close(fd);
    return nullptr;
  }
  return std::unique_ptr<File>(new File(path, fd));
}

File::~File() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

bool File::Read(void* buf, size_t n, size_t* got, std::string* err) {
  *got = 0;
  if (handle_ < 0) return Fail("cannot read closed file", path_, EBADF, err);
  char* p = static_cast<char*>(buf);
  while (*got < n) {
    size_t want = n - *got < kMaxIo ? n - *got : kMaxIo;
    ssize_t r = pread(static_cast<int>(handle_), p + *got, want, pos_);
    if (r < 0) {
      if (errno == EINTR) continue;
      return Fail("cannot read", path_, err);
    }
    if (r == 0) break;
    *got += static_cast<size_t>(r);
    pos_ += r;
  }
  return true;
}

bool File::Write(const void* buf, size_t n, std::string* err) {
  if (handle_ < 0) return Fail("cannot write closed file", path_, EBADF, err);
  const char* p = static_cast<const char*>(buf);
  size_t done = 0;
  while (done < n) {
    size_t want = n - done < kMaxIo ? n - done : kMaxIo;
    ssize_t r = pwrite(static_cast<int>(handle_), p + done, want, pos_);
    if (r < 0) {
      if (errno == EINTR) continue;
      return Fail("cannot write", path_, err);
    }
    if (r == 0) return Fail("cannot write", path_, ENOSPC, err);
    done += static_cast<size_t>(r);
    pos_ += r;
  }
  return true;
}

bool File::Seek(int64_t offset, std::string* err) {
  if (handle_ < 0) return Fail("cannot seek in closed file", path_, EBADF, err);
  if (offset < 0) return Fail("cannot seek in", path_, EINVAL, err);
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
  if (handle_ < 0) return Fail("cannot query closed file", path_, EBADF, err);
  struct stat st;
  if (fstat(static_cast<int>(handle_), &st) != 0) return Fail("cannot query", path_, err);
  *size = st.st_size;
  return true;
}

bool File::Truncate(int64_t size, std::string* err) {
  if (handle_ < 0) return Fail("cannot truncate closed file", path_, EBADF, err);
  if (ftruncate(static_cast<int>(handle_), size) != 0) return Fail("cannot truncate", path_, err);
  return true;
}

bool File::Close(std::string* err) {
  if (handle_ < 0) return Fail("cannot close closed file", path_, EBADF, err);
  int fd = static_cast<int>(handle_);
  handle_ = -1;
  if (close(fd) != 0 && errno != EINTR) return Fail("cannot close", path_, err);
  return true;
}

bool ListDirectory(const std::string& dir, std::vector<DirEntry>* entries, std::string* err) {
  entries->clear();
  DIR* d = opendir(dir.c_str());
  if (!d) return Fail("cannot list", dir, err);
  std::string prefix = dir.empty() || dir.back() == '/' ? dir : dir + "/";
  errno = 0;
  while (struct dirent* e = readdir(d)) {
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    DirEntry entry;
    entry.name = e->d_name;
    std::string full = prefix + entry.name;
    struct stat st;
    if (lstat(full.c_str(), &st) == 0) {
      entry.is_link = S_ISLNK(st.st_mode);
      // A link describes its target; a dangling link stays a non-directory.
      if (entry.is_link) stat(full.c_str(), &st);
      entry.is_directory = S_ISDIR(st.st_mode);
      entry.is_special = !entry.is_directory && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode);
      if (S_ISREG(st.st_mode)) entry.size = st.st_size;
    }
    entries->push_back(std::move(entry));
    errno = 0;
  }
  int code = errno;
  closedir(d);
  if (code != 0) return Fail("cannot list", dir, code, err);
  return true;
}

bool GetFileIdentity(const std::string& path, FileIdentity* id, std::string* err) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return Fail("cannot query", path, err);
  id->volume = static_cast<uint64_t>(st.st_dev);
  id->index = static_cast<uint64_t>(st.st_ino);
  return true;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

PathKind KindOfPath(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return PathKind::kMissing;
  if (S_ISREG(st.st_mode)) return PathKind::kFile;
  return S_ISDIR(st.st_mode) ? PathKind::kFolder : PathKind::kSpecial;
}

bool GetFileSize(const std::string& path, int64_t* size, std::string* err) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return Fail("cannot query", path, err);
  if (!CheckRegular(st, "cannot query", path, err)) return false;
  *size = st.st_size;
  return true;
}

bool RemoveFile(const std::string& path, std::string* err) {
  if (unlink(path.c_str()) != 0 && errno != ENOENT) return Fail("cannot delete", path, err);
  return true;
}

bool RemoveEmptyFolder(const std::string& path, std::string* err) {
  if (rmdir(path.c_str()) != 0 && errno != ENOENT) return Fail("cannot remove folder", path, err);
  return true;
}

bool ReplaceFile(const std::string& from, const std::string& to, std::string* err) {
  if (rename(from.c_str(), to.c_str()) != 0) return Fail("cannot move \"" + from + "\" to", to, err);
  return true;
}

bool CreateDirectories(const std::string& path, std::string* err) {
  std::string dir = WithoutTrailingSlash(path);
  if (dir.empty() || IsDirectory(dir)) return true;
  size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !CreateDirectories(dir.substr(0, slash), err))
    return false;
  if (mkdir(dir.c_str(), 0777) != 0 && !(errno == EEXIST && IsDirectory(dir)))
    return Fail("cannot create folder", dir, err);
  return true;
}

std::string TempFolder() {
  const char* tmp = getenv("TMPDIR");
  return WithoutTrailingSlash(tmp && *tmp ? tmp : "/tmp");
}

std::string ProgramFolder() {
  std::string buf(PATH_MAX, '\0');
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
  if (n <= 0) return ".";
  buf.resize(static_cast<size_t>(n));
  size_t slash = buf.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : buf.substr(0, slash);
}

}  // namespace platform
