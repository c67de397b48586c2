#include "cli/console.h"

#include <windows.h>

#include <io.h>
#include <atomic>
#include <stdio.h>

#include "platform/temporaries.h"

namespace cli {
namespace {

// The console's output code page before UseUtf8Console; 0: unchanged.
std::atomic<UINT> saved_output_cp{0};

// Runs on a thread the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  int code = kExitTerminated;
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) code = kExitInterrupted;
  platform::RemoveTemporariesBeforeExit();
  RestoreConsole();
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

void UseUtf8Console() {
  UINT cp = GetConsoleOutputCP();  // 0 without a console
  if (cp != 0 && cp != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) saved_output_cp = cp;
}

void RestoreConsole() {
  UINT cp = saved_output_cp.exchange(0);
  if (cp != 0) SetConsoleOutputCP(cp);
}

void HandleInterruptions() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

}  // namespace cli
