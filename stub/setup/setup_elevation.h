#pragma once
// Setup run again with administrator rights, and the program it installed
// started with the user's.
//
// A per-machine install needs the rights it was made with: an unprivileged
// setup that finds one runs itself again elevated (the system asks the
// user) and waits. The elevated run must not start the program of option 1
// ("运行该程序") itself, or its first run would be as administrator: it ends
// with kExitInstalledRunProgram instead, and this unprivileged run starts
// the program. It takes the program's path from what an unprivileged
// process cannot change: the per-machine uninstall entry (trusted as setup
// trusts any entry) and its own package's option record.
//
// A setup the user starts as administrator directly has no such run to
// leave the program to: its window asks the desktop shell to start it
// (desktop_shell.h), which runs it with the rights of the user logged on.

#include <string>

#include "desktop_shell.h"
#include "elevation.h"
#include "package_source.h"
#include "program_start.h"

namespace stub {

// Starts a program with this process's rights.
class ProgramStarter {
 public:
  virtual ~ProgramStarter() = default;
  virtual void Start(const std::wstring& program) = 0;
};

// Starts a program with this process's rights (the shell's default verb).
class DirectStarter : public ProgramStarter {
 public:
  void Start(const std::wstring& program) override;
};

enum class ProgramStartedBy { kDesktopShell, kThisProcess };
// The window's start of the program of option 1 when no unprivileged run
// waits for it: an elevated run asks the desktop shell, so that the
// program's first run has the user's rights; when there is no shell to ask
// (or this run is not elevated) it starts the program itself.
ProgramStartedBy StartInstalledProgram(const std::wstring& program, bool elevated, DesktopShell& shell,
                                       ProgramStarter& direct);

// Runs setup elevated with own_args and the marker, waits, and sets
// *exit_code to its result: 0 installed (after starting the program when
// asked to), 1 cancelled, 2 failed or refused. False when the elevated run
// could not be started (the user declined).
bool RunSetupElevated(Elevator& elevator, const std::wstring& own_args, const PackageSource& pkg,
                      ProgramStarter& starter, int* exit_code);

}  // namespace stub
