#pragma once
// The texts a project's commands show. Placeholders: %1 the first value, %2
// the second.

namespace project::msg {

// A refusal of a project file: "<file> 第 <line> 行：<what>" (no line part
// when the fault has no line).
inline constexpr char kLineLead[] = " 第 %1 行：";
inline constexpr char kFileLead[] = "项目文件有误：";
inline constexpr char kSyntax[] = "语法错误：%1";
inline constexpr char kUnsafeCharacter[] =
    "这里不能使用字符 U+%1（非 ASCII 字符只能写在字符串值和注释中）";
inline constexpr char kUnknownKey[] = "未知的键“%1”";
inline constexpr char kMissingKey[] = "缺少“%1”";
inline constexpr char kWantText[] = "“%1”应为文本";
inline constexpr char kWantInteger[] = "“%1”应为整数";
inline constexpr char kWantBoolean[] = "“%1”应为 true 或 false";
inline constexpr char kWantList[] = "“%1”应为文本的列表";
inline constexpr char kWantTable[] = "“%1”应为表";
inline constexpr char kNewerFormat[] =
    "格式版本 %1 比本程序能读的版本 %2 新，请用新版的 QrMaker 打开";
inline constexpr char kBadFormat[] = "格式版本应为 1 到 %1 之间的整数";
inline constexpr char kJobsRange[] = "“jobs”应为 1 到 1024 之间的整数";
inline constexpr char kBadCompression[] = "“compression”应为 \"lzss\" 或 \"solid\"";
inline constexpr char kSignNoPlaceholder[] = "“sign-command”中缺少代表文件路径的 $f";
inline constexpr char kUnknownOption[] = "未知的安装选项“%1”";
inline constexpr char kOptionTwice[] = "安装选项“%1”只能设在一个文件上（第 %2 行已设）";
inline constexpr char kFolderOptions[] = "文件夹不能设安装选项";
inline constexpr char kEntryTwice[] = "“%1”已经在第 %2 行列出";
inline constexpr char kEmptyEntryPath[] = "“path”不能为空";
inline constexpr char kRootEntry[] = "根目录“%1”不能作为列表中的一项";
inline constexpr char kBadPathPart[] = "路径“%1”不是项目文件夹之下的路径（其他位置请写绝对路径）";
inline constexpr char kPathThroughLink[] = "路径“%1”经由链接通到项目文件夹之外";
inline constexpr char kTooLarge[] = "文件太大（超过 %1 字节），不是项目文件";
inline constexpr char kNotUtf8[] = "文件不是 UTF-8 文本";

// Reading and saving.
inline constexpr char kCannotRead[] = "无法读取项目文件：%1";
inline constexpr char kCannotSave[] = "无法保存项目文件：%1";

}  // namespace project::msg
