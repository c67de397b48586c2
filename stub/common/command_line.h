#pragma once
// The switches of setup.exe and uninst.exe, read from the raw command line
// (the part after the program name).
//   /S          silent: no window, no question; the exit code tells the result
//   /D=<folder> install folder (setup only), a full path (C:\... or \\server\...):
//               unquoted it is the last switch and takes the rest of the line,
//               spaces included; quoted as a whole ("/D=C:\My Apps\X", as
//               argv-based callers pass a value with spaces) it is one argument
// Switches are case-insensitive. Anything else (an unknown switch, /D= that
// is empty or not a full path, /D= given to the uninstaller) is refused: the
// program shows UsageMessage and ends with exit code 2, so that a typo in a
// deployment script never installs elsewhere.

#include <string>
#include <string_view>
#include <vector>

namespace stub {

struct StubArgs {
  bool silent = false;
  std::wstring folder;  // empty: not given
  // The first argument refused (as written), empty when all were accepted.
  std::wstring refused;
  // Internal to the uninstaller: the run started with administrator rights
  // (see elevation.h), and the cleanup pass that removes uninst.exe and the
  // emptied folders after the first pass has ended (see self_delete.h):
  // /_CLEANUP=<handle>:<uninst.exe>|<folder>|<folder>..., always last.
  bool elevated = false;
  std::wstring cleanup_target;
  std::vector<std::wstring> cleanup_folders;
  unsigned long long wait_handle = 0;
};

enum class Program { kSetup, kUninstaller };

// Parses the arguments that follow the program name.
StubArgs ParseArgs(std::wstring_view args, Program program = Program::kSetup);

// The message for a refused command line: the argument, then the program's
// switches.
std::wstring UsageMessage(Program program, const std::wstring& refused);

// The part of a full command line (GetCommandLineW) after the program name.
std::wstring_view SkipProgramName(std::wstring_view cmdline);

}  // namespace stub
