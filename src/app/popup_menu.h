#pragma once
// MyMenu as a Win32 popup. Win32 menus cannot hide items, so the popup is
// built afresh each time from the items the entry list model says are
// visible, with the model's check marks.

#include <windows.h>

#include "entries/entry_list.h"

namespace app {

// Builds the popup for the selected row (-1: none). The caller destroys it.
HMENU BuildPopup(const entries::EntryList& list, int selected_row);

// The option bit a check-item command switches; 0 for other commands.
int OptionBit(UINT command);

}  // namespace app
