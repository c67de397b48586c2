#include "memory_file.h"

#include <atomic>

#include "platform/files.h"

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace fuzz {

#ifdef __linux__

MemoryFile::MemoryFile() {
  fd_ = memfd_create("qr_fuzz", MFD_CLOEXEC);
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() {
  if (fd_ >= 0) close(fd_);
}

bool MemoryFile::Set(const uint8_t* data, size_t size) {
  if (fd_ < 0 || ftruncate(fd_, 0) != 0) return false;
  size_t done = 0;
  while (done < size) {
    ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

#else

MemoryFile::MemoryFile() {
  static std::atomic<int> counter{0};
  path_ = platform::TempFolder() + platform::kPathSeparator + "qr_fuzz_" +
          std::to_string(reinterpret_cast<uintptr_t>(this)) + "_" + std::to_string(counter++);
}

MemoryFile::~MemoryFile() { platform::RemoveFile(path_, nullptr); }

bool MemoryFile::Set(const uint8_t* data, size_t size) {
  auto f = platform::File::Open(path_, platform::File::Mode::kCreateTruncate, nullptr);
  return f && f->Write(data, size, nullptr) && f->Close(nullptr);
}

#endif

}  // namespace fuzz
