#pragma once
// Between the window, which may ask "确定要取消安装吗？", and the worker that
// installs: while the question is open the worker waits at its next step,
// so nothing more changes; "是" cancels (the worker stops and undoes what it
// did), "否" lets it go on. Once the worker has begun to commit, the install
// can no longer be paused or cancelled.

#include <windows.h>

#include <atomic>

namespace stub {

class InstallGate {
 public:
  // Window side. Pause is false when the install is already committing
  // (there is nothing left to ask about).
  bool Pause();
  void Resume();
  void Cancel();  // also resumes

  // Worker side. Waits while paused; false once cancelled.
  bool Proceed();
  // Waits while paused; false once cancelled, else the install may no
  // longer be paused or cancelled.
  bool BeginCommit();

  bool cancelled() const { return cancel_.load(); }
  // The flag for code that only checks for a cancel between steps.
  const std::atomic<bool>* cancel_flag() const { return &cancel_; }

 private:
  // With lock_ held: waits (releasing it meanwhile) while paused.
  void WaitWhilePaused();

  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE resumed_ = CONDITION_VARIABLE_INIT;
  bool paused_ = false;
  bool committing_ = false;
  std::atomic<bool> cancel_{false};
};

}  // namespace stub
