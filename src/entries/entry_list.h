#pragma once
// The entry list: the rows that go into the package, numbered from 1 in the
// order they were added (less removed rows), the one selected row, and the
// options set on files by their path in the package (files inside folder
// rows; a row's own options are in its Flags). The
// window's list view only mirrors it (OnChange tells what to redraw).

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "entries/file_option.h"
#include "entries/package_entry.h"

namespace entries {

class EntryList {
 public:
  enum class Change { kAppended, kRemoved, kFlags, kSelection, kFileOptions };
  // Fired after every change with the row concerned (the new selection, 0
  // for none, on kSelection).
  std::function<void(Change, int32_t row)> OnChange;

  int32_t count() const { return static_cast<int32_t>(rows_.size()); }
  // Row i, 1 <= i <= count().
  const PackageEntry& row(int32_t i) const { return rows_[static_cast<size_t>(i - 1)]; }
  const std::vector<PackageEntry>& rows() const { return rows_; }

  void Append(PackageEntry entry);
  // Removes row i and the file options that name it or files below it;
  // later rows move up by one. False when i names no row.
  bool Remove(int32_t i);

  // Flags of row i as an integer, and written back as decimal text.
  int32_t Flags(int32_t i) const { return ParseFlags(row(i).Flags); }
  void SetFlags(int32_t i, int32_t flags);

  // The file options, sorted (FileOption's order), no two alike.
  const std::vector<FileOption>& file_options() const { return file_options_; }
  // Replaces them (kFileOptions, row 0, when they change).
  void SetFileOptions(std::vector<FileOption> options);
  // The option bits row i carries: its Flags' and those of file options
  // naming it by its Name.
  int32_t RowOptions(int32_t i) const;

  // Whether some row's Folder + Name equals path when letter case is
  // ignored; any other difference (a trailing separator, "/" against "\")
  // counts.
  bool IsPathInList(std::string_view path) const;

  // The selected row, 0 for none. Removing the selected row selects none;
  // removing a row above it keeps the same row selected.
  int32_t selected() const { return selected_; }
  void Select(int32_t i);

 private:
  std::vector<PackageEntry> rows_;
  std::vector<FileOption> file_options_;
  int32_t selected_ = 0;
};

}  // namespace entries
