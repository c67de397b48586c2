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
// After the reason a package's digest check failed.
inline constexpr wchar_t kNothingInstalled[] = L"。没有安装任何文件。";
inline constexpr wchar_t kUnsafeName[] = L"安装包中含有不安全的文件名：";
inline constexpr wchar_t kNotice[] = L"提示";
inline constexpr wchar_t kUninstallShortcut[] = L"卸载 ";

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
inline constexpr wchar_t kFileStuck[] = L"无法删除文件（可能正在使用）：";
inline constexpr wchar_t kEntryStuck[] = L"无法删除安装记录：";

}  // namespace stub::text
