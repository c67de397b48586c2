#pragma once
// The setup window: title, publisher and version, the install folder with a
// browse button, "安装" and "取消", a progress bar while the files are
// written, and at the end a checked box to run the option-1 program and
// "完成". The install itself runs on a worker thread.

#include <windows.h>

#include <string>

#include "package_source.h"
#include "shell_places.h"
#include "uninstall_entry.h"

namespace stub {

// Shows the window until the user finishes or cancels. installed is the
// installed version of the product, if any: the window says it will be
// updated, and asks before an older version replaces a newer one. Returns
// the process exit code: 0 installed, 1 cancelled, 2 failed (the last
// attempt failed and the user closed the window).
int RunSetupWindow(HINSTANCE instance, PackageSource& pkg, Scope scope,
                   const std::wstring& initial_folder, const FoundEntry* installed);

}  // namespace stub
