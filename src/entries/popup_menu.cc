#include "entries/popup_menu.h"

#include "entries/commands.h"

namespace entries {

int32_t PopupMenu::BitOf(MenuItemId id) {
  switch (id) {
    case MenuItemId::AddQuickLaunch: return AddQuickLaunch;
    case MenuItemId::AddDesktopcut: return AddDesktopcut;
    case MenuItemId::RunApp: return RunApp;
    case MenuItemId::AddToAutoRun: return AddToAutoRun;
    case MenuItemId::AddToPrograms: return AddToPrograms;
    case MenuItemId::SetCtrlPanelIcon: return SetCtrlPanelIcon;
    default: return 0;
  }
}

const char* PopupMenu::CaptionOf(MenuItemId id) {
  switch (id) {
    case MenuItemId::AddFile: return "添加文件到列表";
    case MenuItemId::AddDir: return "添加目录到列表";
    case MenuItemId::DelFile: return "从列表中删除";
    case MenuItemId::OpenDir: return "打开所在文件夹";
    case MenuItemId::FolderFiles: return "目录中文件的安装选项...";
    default: return OptionCaption(BitOf(id));
  }
}

PopupMenu::PopupMenu() {
  // When the window is created only AddFile and AddDir show.
  visible_[Index(MenuItemId::AddFile)] = true;
  visible_[Index(MenuItemId::AddDir)] = true;
}

bool PopupMenu::Open(const EntryList& list, int16_t Button, bool IsMaking) {
  if (Button != kRightButton || IsMaking) return false;
  bool row_selected = list.selected() != 0;
  for (size_t i = Index(MenuItemId::Line1); i < kMenuItemCount; ++i) visible_[i] = row_selected;
  visible_[Index(MenuItemId::FolderFiles)] =
      row_selected && (list.Flags(list.selected()) & Directory) != 0;
  if (row_selected) {
    int32_t flags = list.RowOptions(list.selected());
    for (size_t i = 0; i < kMenuItemCount; ++i) {
      int32_t bit = BitOf(static_cast<MenuItemId>(i));
      if (bit) checked_[i] = (flags & bit) != 0;
    }
  }
  return true;
}

std::vector<MenuItem> PopupMenu::VisibleItems() const {
  std::vector<MenuItem> items;
  for (size_t i = 0; i < kMenuItemCount; ++i) {
    if (!visible_[i]) continue;
    MenuItemId id = static_cast<MenuItemId>(i);
    bool separator =
        id == MenuItemId::Line1 || id == MenuItemId::Line2 || id == MenuItemId::Line3;
    items.push_back({id, CaptionOf(id), separator, BitOf(id), checked_[i]});
  }
  return items;
}

bool PopupMenu::SwitchOption(EntryList* list, MenuItemId id) {
  int32_t bit = BitOf(id);
  if (bit == 0 || list->selected() == 0) return false;
  bool on = !checked_[Index(id)];
  if (!SetOption(list, list->selected(), bit, on)) return false;
  checked_[Index(id)] = on;
  return true;
}

}  // namespace entries
