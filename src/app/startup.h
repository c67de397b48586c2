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

// Registers the common-control classes the window uses.
void InitCommonControlsForApp();

// Checks the install.dat at that path against the built-in digest. On a
// failure shows the check's message and title and returns false.
bool CheckInstallDatAtStart(const std::string& install_dat);

}  // namespace app
