#pragma once
// A second thread of the two programs, on the system's own threads (no
// threading runtime linked into a package).

#include <windows.h>

#include <functional>

namespace stub {

class WorkerThread {
 public:
  WorkerThread() = default;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  ~WorkerThread() { Join(); }

  // Runs work on a new thread; when the system cannot start one, runs it
  // on the calling thread before returning. A work started earlier is
  // waited for first.
  void Start(std::function<void()> work);
  // Waits until the work has ended; at once when none was started.
  void Join();

 private:
  static unsigned __stdcall Main(void* self);

  std::function<void()> work_;
  HANDLE handle_ = nullptr;
};

// Holds an SRW lock exclusively for its lifetime.
class ExclusiveLock {
 public:
  explicit ExclusiveLock(SRWLOCK* lock) : lock_(lock) { AcquireSRWLockExclusive(lock_); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;
  ~ExclusiveLock() { ReleaseSRWLockExclusive(lock_); }

 private:
  SRWLOCK* lock_;
};

}  // namespace stub
