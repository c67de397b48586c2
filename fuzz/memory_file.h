#pragma once
// A file whose bytes live in memory, reached by a path like any file: the
// package readers take paths, so the fuzz targets hand them their input
// this way. On Linux it is a memfd opened through /proc/self/fd; elsewhere
// (the Windows test build, which replays the seed corpus) a file in the
// temp folder.

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

class MemoryFile {
 public:
  MemoryFile();
  ~MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  // Replaces the content; false when the file cannot be written.
  bool Set(const uint8_t* data, size_t size);
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace fuzz
