#pragma once
// The switches of setup.exe and uninst.exe, read from the raw command line
// (the part after the program name).
//   /S          silent: no window, no question; the exit code tells the result
//   /D=<folder> install folder (setup only), a full path (C:\... or \\server\...):
//               unquoted it is the last switch and takes the rest of the line,
//               spaces included; quoted as a whole ("/D=C:\My Apps\X", as
//               argv-based callers pass a value with spaces) it is one argument
//   /LOG=<file> write the run's log there (log_sink.h); /LOG alone: a new
//               log in %TEMP% named after the product and the time
//   /ALLUSERS   install per machine (setup only), asking for rights if needed
//   /CURRENTUSER install per user (setup only), never asking for rights
// Switches are case-insensitive. Anything else (an unknown switch, /D= that
// is empty or not a full path, /D= given to the uninstaller, /LOG= with no
// file, /ALLUSERS with /CURRENTUSER) is refused: the
// program shows UsageMessage and ends with exit code 2, so that a typo in a
// deployment script never installs elsewhere.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell_places.h"

namespace stub {

struct StubArgs {
  bool silent = false;
  std::wstring folder;  // empty: not given
  std::optional<Scope> scope;  // /ALLUSERS or /CURRENTUSER
  bool log = false;            // /LOG or /LOG=<file>
  std::wstring log_path;       // /LOG=<file>; empty: a new log in %TEMP%
  // Internal: /_LOG=<file> continues the log of the run that started this
  // one (the elevated run, the uninstaller's cleanup copy).
  bool log_continues = false;
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

// The arguments for a run of the same program that this run starts (after
// the internal marker of an elevated run): its switches, the log continued
// at log (when not empty) and the folder, quoted, last.
std::wstring ChildArgs(const StubArgs& args, const std::wstring& log);

// The part of a full command line (GetCommandLineW) after the program name.
std::wstring_view SkipProgramName(std::wstring_view cmdline);

}  // namespace stub
