#include "entries/folder_files.h"

#include "entries/commands.h"
#include "platform/unicode.h"

namespace entries {

FolderFiles::FolderFiles(const EntryList& list, int32_t row, const std::vector<std::string>& rel_paths)
    : row_(row), name_(list.row(row).Name) {
  for (const std::string& rel : rel_paths) items_.push_back({rel, 0});
  for (const FileOption& o : list.file_options()) {
    if (!IsBelow(o.rel_path, name_)) continue;
    // The build finds a file whatever its letter case; so does the dialog.
    Item* found = nullptr;
    for (Item& item : items_)
      if (!found && platform::EqualIgnoringCase(item.rel_path, o.rel_path)) found = &item;
    if (!found) {
      items_.push_back({o.rel_path, 0});
      found = &items_.back();
    }
    found->bits |= o.bit;
  }
}

std::string FolderFiles::Shown(size_t i) const { return items_[i].rel_path.substr(name_.size() + 1); }

void FolderFiles::Set(size_t i, int32_t bit, bool on) {
  if (i >= items_.size()) return;
  if (on && IsOneFileOption(bit))
    for (Item& item : items_) item.bits &= ~bit;
  items_[i].bits = on ? items_[i].bits | bit : items_[i].bits & ~bit;
}

bool FolderFiles::Apply(EntryList* list) const {
  if (row_ < 1 || row_ > list->count() || list->row(row_).Name != name_) return false;
  std::vector<FileOption> options;
  for (const Item& item : items_)
    for (int32_t bit : kOptionBits)
      if (item.bits & bit) options.push_back({bit, item.rel_path});
  return SetFolderFileOptions(list, row_, options);
}

}  // namespace entries
