#pragma once
// File system access for the portable core: one implementation per OS
// (files_posix.cc, files_win32.cc). Paths are UTF-8 text with the native
// separator; the Windows implementation converts them to wide paths.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// <windows.h> maps ReplaceFile to ReplaceFileW; the name below is ours.
#ifdef ReplaceFile
#undef ReplaceFile
#endif

namespace platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Every call of this layer that can fail returns false and puts a message
// into *err that reads `what "path": reason`, reason being the system's own
// text for the error, in the system's language.

// The system's text in such a message, or "" for any other text.
std::string FailureReason(std::string_view message);

// An open regular file with a position. Every call that can fail returns
// false and puts a message naming the file into *err. Only regular files
// open: a folder, pipe, device or socket is refused at once (opening one
// never waits for a writer).
class File {
 public:
  enum class Mode {
    kRead,            // existing file, read only
    kReadWrite,       // existing file, read and write
    kCreateTruncate,  // create or cut to length 0, read and write
    kCreateNew,       // create exclusively: fails when the path exists
  };

  static std::unique_ptr<File> Open(const std::string& path, Mode mode, std::string* err);
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  const std::string& path() const { return path_; }

  // Reads up to n bytes at the position; *got < n only at the end of the file.
  bool Read(void* buf, size_t n, size_t* got, std::string* err);
  // Reads exactly n bytes at the position or fails ("unexpected end of file").
  bool ReadExact(void* buf, size_t n, std::string* err);
  bool Write(const void* buf, size_t n, std::string* err);
  bool Seek(int64_t offset, std::string* err);
  bool SeekToEnd(std::string* err);
  int64_t Tell() const { return pos_; }
  bool Size(int64_t* size, std::string* err);
  bool Truncate(int64_t size, std::string* err);
  // Flushes and closes; later calls fail. The destructor closes silently.
  bool Close(std::string* err);

 private:
  friend class Folder;  // creates files inside a folder it holds open
  File(std::string path, intptr_t handle) : path_(std::move(path)), handle_(handle) {}
  std::string path_;
  intptr_t handle_;
  int64_t pos_ = 0;
};

struct DirEntry {
  std::string name;
  bool is_directory = false;
  bool is_link = false;     // symbolic link or junction
  bool is_special = false;  // neither a folder nor a regular file: a pipe, device or socket
  int64_t size = 0;         // regular files only
};

// Lists a directory without "." and "..", in no particular order.
bool ListDirectory(const std::string& dir, std::vector<DirEntry>* entries, std::string* err);

// Identity of a file or directory on its volume (device and inode, or volume
// serial and file index), so a walk can recognise a directory it has seen.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
  bool operator<(const FileIdentity& o) const {
    return volume != o.volume ? volume < o.volume : index < o.index;
  }
};
bool GetFileIdentity(const std::string& path, FileIdentity* id, std::string* err);

bool IsDirectory(const std::string& path);
bool PathExists(const std::string& path);

// What a path names, after following links.
enum class PathKind {
  kMissing,  // nothing, or a link that leads nowhere
  kFile,     // a regular file
  kFolder,
  kSpecial,  // a pipe, device or socket
};
PathKind KindOfPath(const std::string& path);

// The size of a regular file; anything else is refused.
bool GetFileSize(const std::string& path, int64_t* size, std::string* err);
// Removing a missing file succeeds.
bool RemoveFile(const std::string& path, std::string* err);
// Removes a folder if it is empty; a missing folder succeeds.
bool RemoveEmptyFolder(const std::string& path, std::string* err);
// Moves from over to in one step, replacing an existing file at to.
bool ReplaceFile(const std::string& from, const std::string& to, std::string* err);
#ifdef _WIN32
// For code that includes <windows.h> after this header, where a call to
// ReplaceFile is spelled ReplaceFileW by the macro.
inline bool ReplaceFileW(const std::string& from, const std::string& to, std::string* err) {
  return ReplaceFile(from, to, err);
}
#endif
bool CreateDirectories(const std::string& path, std::string* err);

// The folder for temporary files, without a trailing separator.
std::string TempFolder();
// The folder that holds the running program, without a trailing separator
// (a drive root keeps its backslash: "E:\").
std::string ProgramFolder();

}  // namespace platform
