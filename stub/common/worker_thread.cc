#include "worker_thread.h"

#include <process.h>

#include <utility>

namespace stub {

void WorkerThread::Start(std::function<void()> work) {
  Join();
  work_ = std::move(work);
  // _beginthreadex, not CreateThread: the work may use the C runtime.
  handle_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &WorkerThread::Main, this, 0, nullptr));
  if (handle_ == nullptr) work_();
}

void WorkerThread::Join() {
  if (handle_ == nullptr) return;
  WaitForSingleObject(handle_, INFINITE);
  CloseHandle(handle_);
  handle_ = nullptr;
}

unsigned __stdcall WorkerThread::Main(void* self) {
  static_cast<WorkerThread*>(self)->work_();
  return 0;
}

}  // namespace stub
