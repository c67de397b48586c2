#pragma once
// The dialog of the entry list's menu item "目录中文件的安装选项..." on a
// folder row: the files inside the folder in a list (each with the options
// it carries), the six options of the selected file as check boxes, and
// "确定" and "取消". Standard controls throughout, so the dialog manager
// gives it the keyboard (Tab, arrows, Space, Enter, Escape, Alt+F to the
// list) and screen readers read every control by its own text.

#include <windows.h>

#include <string>

#include "entries/folder_files.h"

namespace app {

// Control ids of the dialog.
enum FolderFilesControl : int {
  kIdFilesLabel = 1001,
  kIdFilesList,
  kIdFirstOptionBox,  // the six check boxes follow, in kFolderFileOptionBits order
};

// The check boxes' options, top to bottom in two columns, as MyMenu orders them.
inline constexpr int32_t kFolderFileOptionBits[] = {
    entries::AddQuickLaunch, entries::AddDesktopcut, entries::RunApp,
    entries::AddToAutoRun,   entries::AddToPrograms, entries::SetCtrlPanelIcon};

// Shows the dialog for the folder row named folder_name, modal over owner, at
// the owner's dpi. True when "确定" closed it: *files then holds the choice;
// otherwise *files is as it was.
bool ShowFolderFilesDialog(HWND owner, const std::string& folder_name, int dpi,
                           entries::FolderFiles* files);

// The text of the list's option column: the captions of the options in
// bits, in check-box order, joined by "、".
std::string OptionsText(int32_t bits);

}  // namespace app
