#pragma once
// What setup.exe and uninst.exe share at their start and end: the exit
// codes, the prologue that runs before anything else, and the way a failure
// reaches the user.

#include <string>

namespace stub {

// Exit codes of both programs.
inline constexpr int kExitDone = 0;       // installed, or removed
inline constexpr int kExitCancelled = 1;  // the user said no or cancelled
inline constexpr int kExitFailed = 2;     // failed or refused

// Shows message (a message box titled text::kNotice; with silent, the
// standard error stream the caller handed down, if any) and returns
// kExitFailed.
int Fail(bool silent, const std::wstring& message);

// The first thing either program does, before any other code can load a DLL:
// DLLs that are not the system's known DLLs are then found in System32 only,
// never in the program's folder or the current folder (a download folder or
// %TEMP% may hold planted ones); then COM is initialised for the thread (and
// ended with this object).
class ProgramStart {
 public:
  ProgramStart() = default;
  ProgramStart(const ProgramStart&) = delete;
  ProgramStart& operator=(const ProgramStart&) = delete;
  ~ProgramStart();

  // False with *why when a step failed: the program must then end with
  // kExitFailed without doing anything else.
  bool Begin(std::wstring* why);

 private:
  bool com_ = false;
};

}  // namespace stub
