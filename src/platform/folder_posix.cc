// POSIX implementation of folder.h: every step is relative to the folder's
// descriptor and never follows a link.

#include "platform/folder.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

bool Fail(const std::string& what, const std::string& path, int code, std::string* err) {
  if (err) *err = what + " \"" + path + "\": " + strerror(code);
  return false;
}

int OpenFolderAt(int dir, const char* path, int extra) {
  int fd;
  do {
    fd = openat(dir, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC | extra);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

std::unique_ptr<Folder> Folder::Open(const std::string& path, std::string* err) {
  int fd = OpenFolderAt(AT_FDCWD, path.c_str(), 0);
  if (fd < 0) {
    Fail("cannot open folder", path, errno, err);
    return nullptr;
  }
  return std::unique_ptr<Folder>(new Folder(path, fd));
}

Folder::~Folder() { close(static_cast<int>(handle_)); }

std::string Folder::PathOf(const std::string& name) const {
  return !path_.empty() && path_.back() == '/' ? path_ + name : path_ + '/' + name;
}

bool Folder::KindOf(const std::string& name, Kind* kind, FileIdentity* id, std::string* err) {
  struct stat st;
  if (fstatat(static_cast<int>(handle_), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) return Fail("cannot query", PathOf(name), errno, err);
    *kind = Kind::kMissing;
    return true;
  }
  if (S_ISLNK(st.st_mode)) *kind = Kind::kLink;
  else if (S_ISDIR(st.st_mode)) *kind = Kind::kFolder;
  else if (S_ISREG(st.st_mode)) *kind = Kind::kFile;
  else *kind = Kind::kSpecial;
  if (id) {
    id->volume = static_cast<uint64_t>(st.st_dev);
    id->index = static_cast<uint64_t>(st.st_ino);
  }
  return true;
}

std::unique_ptr<Folder> Folder::OpenChild(const std::string& name, std::string* err) {
  int fd = OpenFolderAt(static_cast<int>(handle_), name.c_str(), O_NOFOLLOW);
  if (fd < 0) {
    Fail("cannot open folder", PathOf(name), errno, err);
    return nullptr;
  }
  return std::unique_ptr<Folder>(new Folder(PathOf(name), fd));
}

bool Folder::CreateChild(const std::string& name, std::string* err) {
  if (mkdirat(static_cast<int>(handle_), name.c_str(), 0777) != 0)
    return Fail("cannot create folder", PathOf(name), errno, err);
  return true;
}

std::unique_ptr<File> Folder::CreateNewFile(const std::string& name, std::string* err) {
  int fd;
  do {
    fd = openat(static_cast<int>(handle_), name.c_str(),
                O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    Fail("cannot open", PathOf(name), errno, err);
    return nullptr;
  }
  return std::unique_ptr<File>(new File(PathOf(name), fd));
}

bool Folder::Rename(const std::string& from, const std::string& to, std::string* err) {
  int fd = static_cast<int>(handle_);
  if (renameat(fd, from.c_str(), fd, to.c_str()) != 0)
    return Fail("cannot move \"" + PathOf(from) + "\" to", PathOf(to), errno, err);
  return true;
}

bool Folder::RemoveFile(const std::string& name, std::string* err) {
  if (unlinkat(static_cast<int>(handle_), name.c_str(), 0) != 0 && errno != ENOENT)
    return Fail("cannot delete", PathOf(name), errno, err);
  return true;
}

bool Folder::RemoveChild(const std::string& name, std::string* err) {
  if (unlinkat(static_cast<int>(handle_), name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
    return Fail("cannot remove folder", PathOf(name), errno, err);
  return true;
}

}  // namespace platform
