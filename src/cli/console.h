#pragma once
// The few console and process facts qrpack needs, one file per OS
// (console_posix.cc, console_win32.cc).

namespace cli {

// Whether standard error is a terminal (a progress line is shown there).
bool StderrIsTerminal();

// Makes writes past the file-size limit fail with an error the command can
// clean up after, instead of ending the process (SIGXFSZ on POSIX).
void IgnoreFileSizeSignal();

// Switches the console's output to UTF-8 (Windows; nothing elsewhere),
// remembering the code page it had. RestoreConsole puts that back: main
// calls it before it returns, and an interruption (HandleInterruptions)
// before the program ends, so the console is left as it was found.
void UseUtf8Console();
void RestoreConsole();

// Exit statuses of a program ended by SIGINT and by SIGTERM.
inline constexpr int kExitInterrupted = 130;
inline constexpr int kExitTerminated = 143;

// Makes an interruption end the program cleanly: every listed temporary
// file (platform/temporaries.h) is removed, "qrpack: interrupted" goes to
// standard error and the program ends with kExitInterrupted or
// kExitTerminated. On POSIX: SIGINT, SIGTERM and SIGHUP (129), unless the
// program was started with the signal ignored; on Windows: Ctrl+C and
// Ctrl+Break (130), and closing the console, logging off or shutting down
// (143). Called once by main, before any other thread starts.
void HandleInterruptions();

}  // namespace cli
