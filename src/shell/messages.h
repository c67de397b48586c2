#pragma once
// Message box titles and the start-up message, defined once (UTF-8).

namespace shell::msg {

// Title of every refusal, input error and completion message.
inline constexpr char kTitle[] = "提示";

// The start-up check of install.dat: message and title.
inline constexpr char kInstallDatBroken[] = "install.dat文件丢失或被修改无法使用，请重新下载！";
inline constexpr char kLoadFailedTitle[] = "加载失败";

}  // namespace shell::msg
