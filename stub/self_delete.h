#pragma once
// A running program cannot delete its own file. The uninstaller therefore
// hands the last step to a copy of itself in the temp folder: the copy waits
// until the uninstaller has ended, deletes uninst.exe and the install folder
// when that is empty, and asks the system to delete the copy at the next
// restart.

#include <string>

namespace stub {

// Starts the cleanup copy for uninstaller (the running program's own path).
// The copy waits for this process through an inherited handle.
bool StartSelfDelete(const std::wstring& uninstaller, std::string* err);

// The copy's work: waits for the process behind wait_handle, then removes
// target (only a file named uninst.exe) and its folder when empty.
void RunCleanupPass(unsigned long long wait_handle, const std::wstring& target);

}  // namespace stub
