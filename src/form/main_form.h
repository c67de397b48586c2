#pragma once
// The main window's start-up content, shared by the window and the command
// line: the property list's groups and items with their defaults, and the
// default package path.

#include <cstdint>
#include <string>
#include <string_view>

#include "proplist/property_list.h"

namespace form {

// Group captions, in order.
inline constexpr char kGroupInstall[] = "安装信息(必填)";
inline constexpr char kGroupBuild[] = "生成(必填)";
inline constexpr char kGroupControlPanel[] = "控制面板(可选)";

// Item names: the keys by which the build reads the values.
inline constexpr char kPropAppName[] = "软件名称";
inline constexpr char kPropSetupDir[] = "安装目录";
inline constexpr char kPropSavePath[] = "安装包保存路径";
inline constexpr char kPropPublisher[] = "发行商";
inline constexpr char kPropVersion[] = "版本";
// The window's own row, below the designed five: which kind of package to build.
inline constexpr char kPropCompression[] = "压缩方式";

// Default values.
inline constexpr char kDefaultAppName[] = "测试";
inline constexpr char kDefaultSetupDir[] = "QrSetup";
inline constexpr char kDefaultPublisher[] = "Quorin软件工作室";
inline constexpr char kDefaultVersion[] = "1.0.0.0";
inline constexpr char kDefaultPackageName[] = "QrSetup.exe";

// The values of "压缩方式": today's package (the default) and a compact one.
inline constexpr char kCompressionStandard[] = "标准";
inline constexpr char kCompressionCompact[] = "紧凑";

// Editor limits, in UTF-16 characters.
inline constexpr int16_t kTextMaxLen = 20;
inline constexpr int16_t kSavePathMaxLen = 260;

// Adds the three groups and five items, in order, with their defaults (the
// save path item starts empty).
void FillMainProperties(proplist::PropertyList* list);

// Appends "压缩方式" to the last group, below the five designed items, as a
// choice of "标准" (its value) and "紧凑".
void AddCompressionChoice(proplist::PropertyList* list);

// programFolder + separator (unless it already ends with one) + "QrSetup.exe".
std::string DefaultSavePath(std::string_view programFolder);

// Stores DefaultSavePath(programFolder) as the value of "安装包保存路径".
void SetDefaultSavePath(proplist::PropertyList* list, std::string_view programFolder);

}  // namespace form
