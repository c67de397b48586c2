#include "install_gate.h"

#include "worker_thread.h"

namespace stub {

bool InstallGate::Pause() {
  ExclusiveLock lock(&lock_);
  if (committing_) return false;
  paused_ = true;
  return true;
}

void InstallGate::Resume() {
  {
    ExclusiveLock lock(&lock_);
    paused_ = false;
  }
  WakeAllConditionVariable(&resumed_);
}

void InstallGate::Cancel() {
  {
    ExclusiveLock lock(&lock_);
    cancel_ = true;
    paused_ = false;
  }
  WakeAllConditionVariable(&resumed_);
}

void InstallGate::WaitWhilePaused() {
  while (paused_) SleepConditionVariableSRW(&resumed_, &lock_, INFINITE, 0);
}

bool InstallGate::Proceed() {
  ExclusiveLock lock(&lock_);
  WaitWhilePaused();
  return !cancel_;
}

bool InstallGate::BeginCommit() {
  ExclusiveLock lock(&lock_);
  WaitWhilePaused();
  if (cancel_) return false;
  committing_ = true;
  return true;
}

}  // namespace stub
