#pragma once
// The texts of the window's project commands.

namespace app::project_text {

// The system menu's items, above its own.
inline constexpr wchar_t kMenuNew[] = L"新建项目(&N)\tCtrl+N";
inline constexpr wchar_t kMenuOpen[] = L"打开项目(&O)...\tCtrl+O";
inline constexpr wchar_t kMenuSave[] = L"保存项目(&S)\tCtrl+S";
inline constexpr wchar_t kMenuSaveAs[] = L"项目另存为(&A)...\tCtrl+Shift+S";

// The save question and its buttons; %1 is the project's name.
inline constexpr char kAskSave[] = "项目“%1”已修改，是否保存修改？";
inline constexpr char kUntitled[] = "无标题";
inline constexpr wchar_t kSave[] = L"保存";
inline constexpr wchar_t kDiscard[] = L"不保存";
inline constexpr wchar_t kCancel[] = L"取消";

// Rows whose file or folder has gone, one path a line after this.
inline constexpr char kMissingEntries[] = "项目中的以下文件或文件夹已不存在：";

// The choosers.
inline constexpr char kFilterName[] = "QrMaker项目(*.qrproj)";
inline constexpr char kFilterPattern[] = "*.qrproj";
inline constexpr char kSaveTitle[] = "保存项目";

}  // namespace app::project_text
