#pragma once
// What setup.exe and uninst.exe share at their start and end: the exit
// codes, the prologue that runs before anything else, and the way a failure
// reaches the user.

#include <string>

namespace stub {

// Exit codes of both programs (the README's table lists them).
inline constexpr int kExitDone = 0;       // installed, or removed
inline constexpr int kExitCancelled = 1;  // the user said no or cancelled
inline constexpr int kExitFailed = 2;     // failed or refused
inline constexpr int kExitFileInUse = 3;  // a file is in use: nothing changed, try again later
// Internal: the elevated run of setup tells the unprivileged run that
// started it "installed, and the user asked to run the program"
// (setup_elevation.h). Only ever seen by that run.
inline constexpr int kExitInstalledRunProgram = 10;

// Shows message (a message box titled text::kNotice; with silent, the
// standard error stream the caller handed down, if any), writes it to the
// log and returns code.
int Fail(bool silent, const std::wstring& message, int code = kExitFailed);

// A message box whose text and answer go to the log too.
int ShowMessage(void* owner, const std::wstring& message, const wchar_t* caption, unsigned flags);

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
