#include "entries/entry_list.h"

#include <algorithm>

#include "platform/unicode.h"

namespace entries {

void EntryList::Append(PackageEntry entry) {
  rows_.push_back(std::move(entry));
  if (OnChange) OnChange(Change::kAppended, count());
}

bool EntryList::Remove(int32_t i) {
  if (i < 1 || i > count()) return false;
  const std::string name = row(i).Name;
  rows_.erase(rows_.begin() + (i - 1));
  if (OnChange) OnChange(Change::kRemoved, i);
  if (selected_ == i)
    Select(0);
  else if (selected_ > i)
    --selected_;  // the same row, one place up; nothing to redraw
  // Another row of the same name (a clash the build refuses) keeps them.
  bool name_left = false;
  for (const PackageEntry& e : rows_) name_left = name_left || e.Name == name;
  if (!name_left) {
    std::vector<FileOption> kept;
    for (const FileOption& o : file_options_)
      if (o.rel_path != name && !IsBelow(o.rel_path, name)) kept.push_back(o);
    SetFileOptions(std::move(kept));
  }
  return true;
}

void EntryList::SetFlags(int32_t i, int32_t flags) {
  if (i < 1 || i > count()) return;
  std::string text = FormatFlags(flags);
  if (rows_[static_cast<size_t>(i - 1)].Flags == text) return;
  rows_[static_cast<size_t>(i - 1)].Flags = std::move(text);
  if (OnChange) OnChange(Change::kFlags, i);
}

void EntryList::SetFileOptions(std::vector<FileOption> options) {
  std::sort(options.begin(), options.end());
  options.erase(std::unique(options.begin(), options.end()), options.end());
  if (options == file_options_) return;
  file_options_ = std::move(options);
  if (OnChange) OnChange(Change::kFileOptions, 0);
}

int32_t EntryList::RowOptions(int32_t i) const {
  int32_t bits = Flags(i) & ~Directory;
  for (const FileOption& o : file_options_)
    if (o.rel_path == row(i).Name) bits |= o.bit;
  return bits;
}

bool EntryList::IsPathInList(std::string_view path) const {
  std::string wanted = platform::FoldCase(path);
  for (const PackageEntry& e : rows_)
    if (platform::FoldCase(e.FullPath()) == wanted) return true;
  return false;
}

void EntryList::Select(int32_t i) {
  if (i < 0 || i > count()) i = 0;
  if (i == selected_) return;
  selected_ = i;
  if (OnChange) OnChange(Change::kSelection, i);
}

}  // namespace entries
