#pragma once
// The few console facts the package commands need, one file per OS
// (console_posix.cc, console_win32.cc).

namespace cli {

// Whether standard error is a terminal (a progress line is shown there).
bool StderrIsTerminal();

// Makes writes past the file-size limit fail with an error the build can
// clean up after, instead of ending the process (SIGXFSZ on POSIX).
void IgnoreFileSizeSignal();

}  // namespace cli
