#pragma once
// MyMenu, the entry list's popup menu, as a model: which items are visible,
// in order, and which check marks are on. Win32 menus cannot hide items, so
// the window builds its popup from VisibleItems() each time it opens.

#include <array>
#include <cstdint>
#include <vector>

#include "entries/entry_list.h"

namespace entries {

// The items, top to bottom.
enum class MenuItemId {
  AddFile, AddDir, Line1, DelFile, Line2, OpenDir, FolderFiles, Line3,
  AddQuickLaunch, AddDesktopcut, RunApp, AddToAutoRun, AddToPrograms, SetCtrlPanelIcon,
};
inline constexpr size_t kMenuItemCount = 14;

struct MenuItem {
  MenuItemId id;
  const char* caption;  // "" for a separator
  bool separator = false;
  int32_t bit = 0;      // the option bit of a check item, else 0
  bool checked = false;
};

class PopupMenu {
 public:
  // The mouse button that opens the menu.
  static constexpr int16_t kRightButton = 2;

  PopupMenu();

  // The list's mouse-release handler: false when no menu is to open (not the
  // right button, or a build runs). Otherwise shows the eleven items below
  // AddDir only when a row is selected, and FolderFiles (the options of the
  // files inside) only when that row is a folder row; sets the check marks
  // from the options the selected row carries (EntryList::RowOptions), and
  // returns true: the caller then pops up VisibleItems().
  bool Open(const EntryList& list, int16_t Button, bool IsMaking);

  // Visible items in order, separators included, with their check marks.
  std::vector<MenuItem> VisibleItems() const;
  bool IsVisible(MenuItemId id) const { return visible_[Index(id)]; }
  bool IsChecked(MenuItemId id) const { return checked_[Index(id)]; }

  // An option item was clicked: on the selected file row, switches its bit
  // on (moving it from any other row) when the item shows no check mark,
  // else off, and flips the check mark. No selected row, a folder row, or
  // an item that is no option: nothing. Returns whether anything changed.
  bool SwitchOption(EntryList* list, MenuItemId id);

  // The option bit of an item, 0 for the others.
  static int32_t BitOf(MenuItemId id);
  static const char* CaptionOf(MenuItemId id);

 private:
  static size_t Index(MenuItemId id) { return static_cast<size_t>(id); }
  std::array<bool, kMenuItemCount> visible_{};
  std::array<bool, kMenuItemCount> checked_{};
};

}  // namespace entries
