#pragma once
// The setup window: title, publisher and version, the install folder with a
// browse button, "安装" and "取消", a progress bar while the files are
// written, and at the end a checked box to run the option-1 program and
// "完成". The install itself runs on a worker thread.

#include <windows.h>

#include <functional>
#include <string>

#include "package_source.h"
#include "setup_flow.h"

namespace stub {

struct WindowOptions {
  // This is the elevated run of a setup that waits for it: the program of
  // option 1 is left to that run (setup_elevation.h), which starts it with
  // the user's rights.
  bool run_by_parent = false;
  // Runs setup again elevated, per machine, into folder, and waits: false
  // when it could not start (the user declined), else *exit_code is its
  // result. For a decision whose machine_needs_elevation.
  std::function<bool(const std::wstring& folder, int* exit_code)> run_elevated_for_machine;
};

// Shows the window until the user finishes or cancels, starting at
// decision.folder. An installed version (decision.upgrade) is named: the
// window says it will be updated, and asks before an older version
// replaces a newer one. Returns the process exit code: 0 installed, 1
// cancelled, 2 failed or refused (the last attempt failed and the user
// closed the window), kExitInstalledRunProgram for a run_by_parent window
// whose user asked to run the program.
int RunSetupWindow(HINSTANCE instance, PackageSource& pkg, const SetupDecision& decision,
                   const WindowOptions& options);

}  // namespace stub
