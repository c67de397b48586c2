#pragma once
// A folder held open for work inside it that never follows a link found
// there: a child that is a symbolic link, a junction or another reparse
// point is reported as such and never entered, opened or written through.
// On POSIX the folder is a descriptor and every step is relative to it
// (openat with O_NOFOLLOW), so a child folder swapped for a link meanwhile
// is not followed either; on Windows the folder is held open without delete
// sharing, so it cannot be renamed or replaced while it is in use, and each
// child is opened as a reparse point, never through one.

#include <memory>
#include <string>

#include "platform/files.h"

namespace platform {

class Folder {
 public:
  // What a name in the folder is, without following a link.
  enum class Kind { kMissing, kFile, kFolder, kLink, kSpecial };

  // Opens an existing folder by its path. Links in the path itself are
  // followed: the caller named it.
  static std::unique_ptr<Folder> Open(const std::string& path, std::string* err);
  ~Folder();
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  const std::string& path() const { return path_; }
  // path() + separator + name.
  std::string PathOf(const std::string& name) const;

  // The kind of name and, unless it is missing, its identity.
  bool KindOf(const std::string& name, Kind* kind, FileIdentity* id, std::string* err);
  // Opens the child folder name; a link or anything but a folder is refused.
  std::unique_ptr<Folder> OpenChild(const std::string& name, std::string* err);
  // Creates the child folder name, which must not exist.
  bool CreateChild(const std::string& name, std::string* err);
  // Creates the new file name, open for reading and writing; fails when
  // anything has that name, a link included.
  std::unique_ptr<File> CreateNewFile(const std::string& name, std::string* err);
  // Renames the file from to to, both in this folder, replacing a file (or a
  // link, never what it leads to) at to.
  bool Rename(const std::string& from, const std::string& to, std::string* err);
  // Removes the file (or link) name; a missing name succeeds.
  bool RemoveFile(const std::string& name, std::string* err);
  // Removes the child folder name if it is empty; a missing name succeeds.
  bool RemoveChild(const std::string& name, std::string* err);

 private:
  Folder(std::string path, intptr_t handle) : path_(std::move(path)), handle_(handle) {}
  std::string path_;
  intptr_t handle_;
};

}  // namespace platform
