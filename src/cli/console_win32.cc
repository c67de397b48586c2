#include "cli/console.h"

#include <windows.h>

#include <io.h>
#include <stdio.h>

#include "platform/temporaries.h"

namespace cli {
namespace {

// Runs on a thread the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  int code = kExitTerminated;
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) code = kExitInterrupted;
  platform::RemoveTemporariesBeforeExit();
  static const char kMessage[] = "qrpack: interrupted\r\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), kMessage, sizeof kMessage - 1, &written, nullptr);
  ExitProcess(static_cast<UINT>(code));
  return TRUE;
}

}  // namespace

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

// Windows has no file-size signal: a write past a quota simply fails.
void IgnoreFileSizeSignal() {}

void HandleInterruptions() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

}  // namespace cli
