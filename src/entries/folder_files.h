#pragma once
// The options of the files inside one folder row, as the window's dialog
// shows and changes them before they go back into the entry list: one item
// per file, with the option bits it carries.

#include <cstdint>
#include <string>
#include <vector>

#include "entries/entry_list.h"

namespace entries {

class FolderFiles {
 public:
  struct Item {
    std::string rel_path;  // the file's path in the package ("data\bin\app.exe")
    int32_t bits = 0;      // its options
  };

  // The files of folder row `row` of list: rel_paths (in the order the
  // build packs them), then the files the list sets options on that
  // rel_paths lacks (gone since), each with the options the list sets on it.
  FolderFiles(const EntryList& list, int32_t row, const std::vector<std::string>& rel_paths);

  const std::vector<Item>& items() const { return items_; }
  // Item i's path inside the folder ("bin\app.exe").
  std::string Shown(size_t i) const;

  // Sets or clears option bit on item i. An option of one file
  // (IsOneFileOption) is cleared on every other item when it is set.
  void Set(size_t i, int32_t bit, bool on);

  // Puts the items' options into list (SetFolderFileOptions); false when
  // the row is no longer the folder row it was.
  bool Apply(EntryList* list) const;

 private:
  int32_t row_;
  std::string name_;  // the folder row's Name
  std::vector<Item> items_;
};

}  // namespace entries
