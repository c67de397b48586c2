#pragma once
// The window's project commands: their ids (in the system menu, so
// multiples of 16 below 0xF000) and the keys that run them.

#include <windows.h>

#include <string>

namespace app {

enum ProjectCommand : UINT {
  kCmdNewProject = 0x0110,     // Ctrl+N
  kCmdOpenProject = 0x0120,    // Ctrl+O
  kCmdSaveProject = 0x0130,    // Ctrl+S
  kCmdSaveProjectAs = 0x0140,  // Ctrl+Shift+S
};

// The accelerator table of the four keys; the message loop passes each
// message through it (TranslateAcceleratorW with the main window), which
// sends the command to the window as WM_COMMAND.
HACCEL CreateProjectAccelerators();

// Puts the four commands and a separator at the top of the window's system menu.
void AddProjectCommandsToSystemMenu(HWND window);

// The project a command line names ("QrMaker.exe PROJECT.qrproj"): its
// first argument after the program's path, or "" when it has none.
std::wstring ProjectArgument(const wchar_t* command_line);

}  // namespace app
