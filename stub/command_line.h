#pragma once
// The switches of setup.exe and uninst.exe, read from the raw command line
// (the part after the program name).
//   /S          silent: no window, no question; the exit code tells the result
//   /D=<folder> install folder (setup only); always the last switch and not
//               quoted, so it takes the rest of the line, spaces included
// Switches are case-insensitive. Unknown switches are ignored, as installers
// commonly do, so a future switch does not break an old package.

#include <string>
#include <string_view>
#include <vector>

namespace stub {

struct StubArgs {
  bool silent = false;
  std::wstring folder;  // empty: not given
  // Internal to the uninstaller: the run started with administrator rights
  // (see elevation.h), and the cleanup pass that removes uninst.exe and the
  // emptied folders after the first pass has ended (see self_delete.h):
  // /_CLEANUP=<handle>:<uninst.exe>|<folder>|<folder>..., always last.
  bool elevated = false;
  std::wstring cleanup_target;
  std::vector<std::wstring> cleanup_folders;
  unsigned long long wait_handle = 0;
};

// Parses the arguments that follow the program name.
StubArgs ParseArgs(std::wstring_view args);

// The part of a full command line (GetCommandLineW) after the program name.
std::wstring_view SkipProgramName(std::wstring_view cmdline);

}  // namespace stub
