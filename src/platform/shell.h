#pragma once
// Running a command line through the system's shell: sh -c on POSIX
// (shell_posix.cc), cmd /c on Windows (shell_win32.cc).

#include <string>

namespace platform {

struct ShellResult {
  int exit_code = 0;
  // What the command wrote to its output and error streams, as UTF-8 (the
  // console code page converted on Windows); only the last kShellOutputKept
  // bytes when it wrote more.
  std::string output;
};
inline constexpr size_t kShellOutputKept = 16 * 1024;

// The environment variable that holds the file a command works on.
inline constexpr char kShellFileVariable[] = "QRPACK_FILE";

// Runs command with no input and waits for it; its environment holds file
// in kShellFileVariable. False (with a message) only when the shell could
// not be started; a command that fails gives true with its exit code.
bool RunShellCommand(const std::string& command, const std::string& file, ShellResult* result,
                     std::string* err);

// file as one word of a command that RunShellCommand runs on it, whatever
// characters it holds: 'file' with every ' written '\'' for sh; "file" for
// cmd, or "%QRPACK_FILE%" when file holds a % (which cmd expands even
// between quotes; the value of a variable is not expanded again).
std::string ShellWordForFile(const std::string& file);

}  // namespace platform
