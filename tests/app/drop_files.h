#pragma once
// Builds the HDROP that the shell hands to WM_DROPFILES, so a test can drop
// files and folders onto a window.

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace app_test {

// The receiver frees it with DragFinish.
HDROP MakeDrop(const std::vector<std::wstring>& paths);

}  // namespace app_test
