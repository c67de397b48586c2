#pragma once
// Every text the setup program and the uninstaller show, in one place.

#include <string>
#include <string_view>

namespace stub::text {

// A failure text: what failed, then the reason in brackets when one is known.
inline std::wstring WithReason(std::wstring_view what, std::wstring_view reason) {
  std::wstring text(what);
  if (!reason.empty()) text.append(L"（").append(reason).append(L"）");
  return text;
}

// Setup window.
inline constexpr wchar_t kSetupTitleSuffix[] = L" 安装程序";
inline constexpr wchar_t kPublisherLabel[] = L"发行商：";
inline constexpr wchar_t kVersionLabel[] = L"版本：";
inline constexpr wchar_t kFolderLabel[] = L"安装位置：";
inline constexpr wchar_t kBrowse[] = L"浏览...";
inline constexpr wchar_t kInstall[] = L"安装";
inline constexpr wchar_t kCancel[] = L"取消";
inline constexpr wchar_t kFinish[] = L"完成";
inline constexpr wchar_t kChooseFolder[] = L"请选择安装位置";
inline constexpr wchar_t kReady[] = L"点击“安装”开始安装。";
inline constexpr wchar_t kInstalling[] = L"正在安装...";
inline constexpr wchar_t kDone[] = L"安装完成。";
inline constexpr wchar_t kRunAfterPrefix[] = L"运行 ";
inline constexpr wchar_t kConfirmCancel[] = L"确定要取消安装吗？";
inline constexpr wchar_t kNeedFolder[] = L"请输入安装位置。";
inline constexpr wchar_t kFailedPrefix[] = L"安装失败：";
inline constexpr wchar_t kBadPackage[] = L"安装包已损坏或不是有效的安装包：";
// After the package reader's lead: the configuration text lacks its labels.
inline constexpr wchar_t kConfigIncomplete[] = L"配置信息不完整";
// After the reason a package's digest check failed.
inline constexpr wchar_t kNothingInstalled[] = L"。没有安装任何文件。";
inline constexpr wchar_t kUnsafeName[] = L"安装包中含有不安全的文件名：";
// Why a name cannot stand beside another (after kUnsafeName and the name).
inline constexpr wchar_t kNameTwice[] = L"与另一个文件同名：";
inline constexpr wchar_t kNameCaseClash[] = L"与另一个文件只有字母大小写不同，在Windows上是同一个文件：";
inline constexpr wchar_t kNameFileAndFolder[] = L"同一个名称既是文件又是文件夹：";
inline constexpr wchar_t kBadSetupDir[] = L"安装包中的安装目录名不能用作文件夹名：";
inline constexpr wchar_t kNotice[] = L"提示";
inline constexpr wchar_t kUninstallShortcut[] = L"卸载 ";
inline constexpr wchar_t kCancelled[] = L"安装已取消。";

// An installed version of the same product.
inline constexpr wchar_t kReadyUpgradePrefix[] = L"已安装版本 ";
inline constexpr wchar_t kReadyUpgradeSuffix[] = L"，点击“安装”将其更新。";
inline constexpr wchar_t kReadyUpgradeNoVersion[] = L"此软件已安装，点击“安装”将其更新。";
inline constexpr wchar_t kOlderPrefix[] = L"这台计算机上已安装较新的版本 ";
inline constexpr wchar_t kOlderMiddle[] = L"。确定要用较旧的版本 ";
inline constexpr wchar_t kOlderSuffix[] = L" 替换它吗？";
inline constexpr wchar_t kNeedAdminToUpdate[] =
    L"此软件已为这台计算机的所有用户安装，请以管理员身份运行安装程序来更新它。";
inline constexpr wchar_t kNeedAdminForAllUsers[] =
    L"为所有用户安装需要管理员权限，请以管理员身份运行安装程序，或选择仅为当前用户安装。";
inline constexpr wchar_t kInstalledForAllUsers[] =
    L"此软件已为这台计算机的所有用户安装，不能再仅为当前用户安装；请为所有用户更新它。";
// The scope: the window's choice, and what an upgrade keeps.
inline constexpr wchar_t kForAllUsers[] = L"为所有用户安装";
inline constexpr wchar_t kForCurrentUser[] = L"仅为我安装";
inline constexpr wchar_t kKeepsScopeAllUsers[] = L"已为所有用户安装，更新后保持不变";
inline constexpr wchar_t kKeepsScopeCurrentUser[] = L"已仅为当前用户安装，更新后保持不变";
inline constexpr wchar_t kOtherProductInFolder[] = L"此文件夹中已安装了另一个软件，请选择其他安装位置：";
inline constexpr wchar_t kPathTooLong[] =
    L"安装位置太长：安装后的文件路径将超过259个字符，快捷方式和资源管理器无法打开它，请选择较短的安装位置：";

// Folders setup never installs into (the folder between prefix and suffix).
inline constexpr wchar_t kForbiddenFolderPrefix[] = L"不能安装到“";
inline constexpr wchar_t kForbiddenFolderSuffix[] =
    L"”：这是驱动器的根目录、Windows文件夹或系统和用户的专用文件夹，卸载时会损及其中的其他文件。请选择其中的一个新文件夹。";
// A folder that already holds files: the folder, then the number replaced.
inline constexpr wchar_t kFolderHasFilesPrefix[] = L"安装位置“";
inline constexpr wchar_t kFolderHasFilesMiddle[] = L"”中已有不属于此软件的文件，安装将替换其中 ";
inline constexpr wchar_t kFolderHasFilesSuffix[] = L" 个文件。确定要安装到这个文件夹吗？";
// No room: the folder in quotes, the room needed, the room free.
inline constexpr wchar_t kDiskFullPrefix[] = L"磁盘空间不足，无法安装到";
inline constexpr wchar_t kDiskFullNeeds[] = L"：需要 ";
inline constexpr wchar_t kDiskFullFree[] = L"，可用 ";
inline constexpr wchar_t kDiskFullSuffix[] = L"。请释放磁盘空间或选择其他安装位置。";

// Files in use (the file follows the lead, then kFileInUse).
inline constexpr wchar_t kCannotReplaceInUse[] = L"无法替换文件";
inline constexpr wchar_t kCannotRemoveInUse[] = L"无法删除文件";
inline constexpr wchar_t kFileInUse[] = L"，它正在被其他程序使用。";
inline constexpr wchar_t kUsedBy[] = L"正在使用它的程序：";
inline constexpr wchar_t kCloseAndRetry[] = L"请关闭正在使用它的程序，然后点击“重试”。";

// File-system failures: the lead, the path in quotes, the system's reason.
inline constexpr wchar_t kErrorCode[] = L"错误代码 ";
inline constexpr wchar_t kCannotMakeFolder[] = L"无法创建文件夹：";
inline constexpr wchar_t kCannotMakeStaging[] = L"无法在此文件夹中创建临时文件夹：";
inline constexpr wchar_t kCannotWriteFile[] = L"无法写入文件：";
inline constexpr wchar_t kCannotReplace[] = L"无法替换文件：";
inline constexpr wchar_t kCannotRemove[] = L"无法删除文件：";
inline constexpr wchar_t kFolderInTheWay[] = L"安装包中一个文件的位置上已有同名文件夹：";
inline constexpr wchar_t kLinkInFolder[] = L"安装位置中有链接或联接点，不能经由它安装：";
inline constexpr wchar_t kNoShortcutFolder[] = L"系统中没有放置此快捷方式的文件夹：";
inline constexpr wchar_t kCannotMakeShortcut[] = L"无法创建快捷方式：";
inline constexpr wchar_t kCannotRemoveShortcut[] = L"无法删除旧版本的快捷方式。";
inline constexpr wchar_t kCannotWriteEntry[] = L"无法写入安装记录：";
inline constexpr wchar_t kCannotCopyUninstaller[] = L"无法把卸载程序复制到临时文件夹：";
inline constexpr wchar_t kCannotStartCleanup[] = L"无法启动清理程序：";
// After kUninstalled when the cleanup copy could not start; the folder and
// the reason follow.
inline constexpr wchar_t kUninstallerLeft[] = L"卸载程序（uninst.exe）和它所在的文件夹没有删除，可以手动删除：";

// A command line either program refuses (command_line.h): the argument
// follows kBadArgument, then the program's switches.
inline constexpr wchar_t kBadArgument[] = L"无法识别的命令行参数：";
inline constexpr wchar_t kSetupUsage[] =
    L"安装程序的命令行参数：\r\n"
    L"/S　静默安装，不显示窗口，结果由退出码给出（0 已安装，1 已取消，2 失败，3 文件正在使用）\r\n"
    L"/ALLUSERS　为所有用户安装（需要管理员权限）；/CURRENTUSER　仅为当前用户安装\r\n"
    L"/LOG=日志文件　把安装过程写入此文件；只写 /LOG 时写入临时文件夹\r\n"
    L"/D=安装位置　安装到此文件夹，须为完整路径（如 C:\\Program Files\\软件名），"
    L"且须放在最后；含空格时可把整个参数放在引号中：\"/D=C:\\My Apps\\软件名\"";
inline constexpr wchar_t kUninstallUsage[] =
    L"卸载程序的命令行参数：\r\n"
    L"/S　静默卸载，不询问，结果由退出码给出（0 已卸载，1 已取消，2 失败，3 文件正在使用）\r\n"
    L"/LOG=日志文件　把卸载过程写入此文件；只写 /LOG 时写入临时文件夹";

// The start of either program (program_start.h); the system's reason follows.
inline constexpr wchar_t kCannotRestrictDlls[] =
    L"无法限制系统库（DLL）的加载位置，为安全起见程序已停止，没有做任何更改";
inline constexpr wchar_t kCannotStartCom[] = L"无法初始化系统组件（COM），程序已停止，没有做任何更改";

// The journal of a run, and undoing or completing a run.
inline constexpr wchar_t kCannotWriteJournal[] = L"无法写入安装日志：";
inline constexpr wchar_t kCannotKeepForUndo[] = L"无法保存文件的原有内容以便出错时恢复：";
inline constexpr wchar_t kCannotReadEntry[] = L"无法读取安装记录：";
inline constexpr wchar_t kCannotRestoreEntry[] = L"无法恢复安装记录：";
inline constexpr wchar_t kCannotRestoreFile[] = L"无法恢复文件：";
// After kCannotRestoreFile, the file and the reason: where the old file is.
inline constexpr wchar_t kBackupKeptAt[] = L"，原来的文件保存在：";
inline constexpr wchar_t kCannotRemoveLeftover[] = L"无法删除上次安装留下的临时文件：";
inline constexpr wchar_t kNotAllUndone[] = L"\r\n未能完全恢复原来的状态：\r\n";
// The setup window's last word when backups of replaced files stayed; the
// folders holding them follow, one a line.
inline constexpr wchar_t kLeftoverFolders[] =
    L"安装已完成，但被替换的旧文件未能全部删除。它们在以下文件夹中，下次运行安装程序时将再次删除，也可以手动删除：";
inline constexpr wchar_t kNotAllCleaned[] = L"安装已完成，但以下临时文件未能删除，下次运行安装程序时将再次删除：\r\n";
inline constexpr wchar_t kUnfinishedRun[] = L"无法完成上次中断的安装或卸载：";
inline constexpr wchar_t kJournalNotFromElevatedRun[] =
    L"上次中断的安装或卸载留下的日志不是以管理员身份运行的程序写下的，不能按它修改文件，请检查后删除它：";
inline constexpr wchar_t kJournalOfOtherUser[] =
    L"上次中断的安装或卸载留下的日志属于其他用户，不能按它修改文件，请检查后删除它：";
inline constexpr wchar_t kDamagedJournal[] = L"上次中断的安装或卸载留下的日志已损坏，不能按它修改文件，请检查后删除它：";
inline constexpr wchar_t kCannotDeleteShortcut[] = L"无法删除快捷方式：";

// The log (log_sink.h): what could not be written, then each step's lead
// with its detail after it.
inline constexpr wchar_t kCannotWriteLog[] = L"无法写入日志文件";
inline constexpr wchar_t kGoingOnWithoutLog[] = L"。将继续运行，不记录日志。";
inline constexpr wchar_t kLogExitCode[] = L"退出码：";
inline constexpr wchar_t kLogMessage[] = L"消息：";
inline constexpr wchar_t kLogAnswer[] = L"回答：";
inline constexpr wchar_t kLogSetup[] = L"安装程序：";
inline constexpr wchar_t kLogUninstaller[] = L"卸载程序：";
inline constexpr wchar_t kLogPackage[] = L"安装包：";
inline constexpr wchar_t kLogFileCount[] = L"，文件数 ";
inline constexpr wchar_t kLogDigest[] = L"，SHA-256 ";
inline constexpr wchar_t kLogNoDigest[] = L"，不带校验值";
inline constexpr wchar_t kLogInstalled[] = L"已安装的版本：";
inline constexpr wchar_t kLogScope[] = L"安装范围：";
inline constexpr wchar_t kLogFolder[] = L"安装位置：";
inline constexpr wchar_t kLogBecauseSwitch[] = L"（命令行参数）";
inline constexpr wchar_t kLogBecauseInstalled[] = L"（已安装的版本）";
inline constexpr wchar_t kLogBecauseRights[] = L"（按安装程序的权限）";
inline constexpr wchar_t kLogBecauseDefault[] = L"（默认位置）";
inline constexpr wchar_t kLogBecauseWindow[] = L"（在窗口中选择）";
inline constexpr wchar_t kLogElevating[] = L"以管理员身份再次运行：";
inline constexpr wchar_t kLogPlaced[] = L"放置文件：";
inline constexpr wchar_t kLogReplaced[] = L"替换文件：";
inline constexpr wchar_t kLogRemoved[] = L"删除文件：";
inline constexpr wchar_t kLogFolderMade[] = L"创建文件夹：";
inline constexpr wchar_t kLogShortcut[] = L"创建快捷方式：";
inline constexpr wchar_t kLogShortcutRemoved[] = L"删除快捷方式：";
inline constexpr wchar_t kLogShortcutTarget[] = L" → ";
inline constexpr wchar_t kLogValue[] = L"写入注册表值：";
inline constexpr wchar_t kLogKeyRemoved[] = L"删除注册表项：";
inline constexpr wchar_t kLogCommitted[] = L"事务已提交：所有更改已生效。";
inline constexpr wchar_t kLogRolledBack[] = L"事务已撤销：已恢复原来的状态。";
inline constexpr wchar_t kLogNotAllUndone[] = L"事务已撤销，但未能完全恢复：";
inline constexpr wchar_t kLogFileInUse[] = L"文件正在使用：";

// Uninstaller.
inline constexpr wchar_t kUninstallTitleSuffix[] = L" 卸载程序";
inline constexpr wchar_t kConfirmUninstallPrefix[] = L"确定要从计算机中移除 ";
inline constexpr wchar_t kConfirmUninstallSuffix[] = L" 及其所有文件吗？";
inline constexpr wchar_t kUninstalled[] = L"已从计算机中移除 ";
inline constexpr wchar_t kUninstallFailed[] = L"卸载失败：";
inline constexpr wchar_t kBadIndex[] = L"卸载程序已损坏：";
// After the reason the uninstaller's check of itself failed.
inline constexpr wchar_t kNothingRemoved[] = L"。没有删除任何文件。";
inline constexpr wchar_t kNoEntry[] = L"找不到这个文件夹的安装记录：";
inline constexpr wchar_t kNeedAdmin[] = L"没有删除安装记录的权限，请以管理员身份运行卸载程序。";
inline constexpr wchar_t kEntryStuck[] = L"无法删除安装记录：";
// After a message that ends a sentence of its own.
inline constexpr wchar_t kNothingRemovedLine[] = L"\r\n没有删除任何文件。";

}  // namespace stub::text
