#pragma once
// MyMenu as a Win32 popup. Win32 menus cannot hide items, so the popup is
// built afresh each time it opens from the items the menu model shows, with
// the model's check marks.

#include <windows.h>

#include "entries/popup_menu.h"

namespace app {

// The command id of a menu item.
inline constexpr UINT kMenuCommandBase = 100;
constexpr UINT MenuCommand(entries::MenuItemId id) {
  return kMenuCommandBase + static_cast<UINT>(id);
}
// The item of a command id; false for 0 (menu dismissed) and unknown ids.
bool MenuItemOf(UINT command, entries::MenuItemId* id);

// A popup holding menu's visible items; the caller destroys it.
HMENU BuildPopup(const entries::PopupMenu& menu);

}  // namespace app
