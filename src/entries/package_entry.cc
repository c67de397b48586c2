#include "entries/package_entry.h"

#include <charconv>

namespace entries {

const char* OptionCaption(int32_t bit) {
  switch (bit) {
    case RunApp: return "运行该程序";
    case AddQuickLaunch: return "添加到快速启动栏";
    case AddDesktopcut: return "添加到桌面快捷";
    case AddToAutoRun: return "添加到开机启动项";
    case AddToPrograms: return "添加到程序组";
    case SetCtrlPanelIcon: return "设置为控制面板图标";
    default: return "";
  }
}

int32_t ParseFlags(std::string_view text) {
  int32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return 0;
  return value;
}

std::string FormatFlags(int32_t flags) { return std::to_string(flags); }

}  // namespace entries
