#include "install_gate.h"

namespace stub {

bool InstallGate::Pause() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (committing_) return false;
  paused_ = true;
  return true;
}

void InstallGate::Resume() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    paused_ = false;
  }
  resumed_.notify_all();
}

void InstallGate::Cancel() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    cancel_ = true;
    paused_ = false;
  }
  resumed_.notify_all();
}

bool InstallGate::Proceed() {
  std::unique_lock<std::mutex> lock(mutex_);
  resumed_.wait(lock, [this] { return !paused_; });
  return !cancel_;
}

bool InstallGate::BeginCommit() {
  std::unique_lock<std::mutex> lock(mutex_);
  resumed_.wait(lock, [this] { return !paused_; });
  if (cancel_) return false;
  committing_ = true;
  return true;
}

}  // namespace stub
