#pragma once
// A fresh folder below the temp folder for one test, removed with everything
// in it when the test ends.

#include <atomic>
#include <filesystem>
#include <string>

#include "platform/files.h"

#ifdef _WIN32
#include <process.h>
#define QR_GETPID _getpid
#else
#include <unistd.h>
#define QR_GETPID getpid
#endif

class ScratchDir {
 public:
  ScratchDir() {
    static std::atomic<int> counter{0};
    path_ = platform::TempFolder() + platform::kPathSeparator + "qr_test_" +
            std::to_string(QR_GETPID()) + "_" + std::to_string(counter++);
    std::string err;
    platform::CreateDirectories(path_, &err);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(FsPath(path_), ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + separator + name.
  std::string operator/(const std::string& name) const {
    return path_ + platform::kPathSeparator + name;
  }

  static std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
  }

 private:
  std::string path_;
};

// Writes bytes to a new or cut file; returns false on any failure.
inline bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::string err;
  auto f = platform::File::Open(path, platform::File::Mode::kCreateTruncate, &err);
  return f && f->Write(bytes.data(), bytes.size(), &err) && f->Close(&err);
}

// The whole content of a file, or "<missing>" when it can't be read.
inline std::string ReadWholeFile(const std::string& path) {
  std::string err;
  auto f = platform::File::Open(path, platform::File::Mode::kRead, &err);
  int64_t size;
  if (!f || !f->Size(&size, &err)) return "<missing>";
  std::string bytes(static_cast<size_t>(size), '\0');
  if (!f->ReadExact(bytes.data(), bytes.size(), &err)) return "<missing>";
  return bytes;
}
