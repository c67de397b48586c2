#include "app/popup_menu.h"

#include "platform/utf.h"

namespace app {

bool MenuItemOf(UINT command, entries::MenuItemId* id) {
  if (command < kMenuCommandBase || command >= kMenuCommandBase + entries::kMenuItemCount) {
    return false;
  }
  *id = static_cast<entries::MenuItemId>(command - kMenuCommandBase);
  return true;
}

HMENU BuildPopup(const entries::PopupMenu& menu) {
  HMENU popup = CreatePopupMenu();
  for (const entries::MenuItem& item : menu.VisibleItems()) {
    if (item.separator) {
      AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED);
    AppendMenuW(popup, flags, MenuCommand(item.id), platform::Utf8ToWide(item.caption).c_str());
  }
  return popup;
}

}  // namespace app
