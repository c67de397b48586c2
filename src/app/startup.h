#pragma once
// Form_Initialize: what runs before the main window exists.

#include <windows.h>

#include <string>

namespace app {

// Name of the mutex that marks a running instance.
inline constexpr wchar_t kInstanceMutexName[] = L"Local\\Quorin.QrMaker.Instance";

// Takes the single-instance mutex. False when another instance holds it; the
// caller then ends silently. The handle stays open for the life of the process.
bool ClaimSingleInstance();

// The second start of the program: brings the running instance's window of
// class window_class to the front (restored when minimised), so the user
// sees the program they asked for. It waits up to wait_ms for a window still
// being made; nothing when none appears or it is hidden (closing).
void BringRunningInstanceToFront(const wchar_t* window_class, DWORD wait_ms = 2000);

// Registers the common-control classes the window uses.
void InitCommonControlsForApp();

// Checks the install.dat at that path against the built-in digest. On a
// failure shows the check's message and title and returns false.
bool CheckInstallDatAtStart(const std::string& install_dat);

}  // namespace app
