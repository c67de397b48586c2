#include "package/option_form.h"

#include <algorithm>

#include "entries/option_bits.h"

namespace package {

void CanonicalOptions(std::vector<EntryRow>* rows, std::vector<FileOption>* file_options) {
  auto names_row = [](const FileOption& o, const EntryRow& row) {
    return !(row.Flags & entries::Directory) && o.rel_path == row.Name;
  };
  for (int32_t bit : entries::kOptionBits) {
    std::vector<EntryRow*> carriers;
    for (EntryRow& row : *rows) {
      bool carries = (row.Flags & bit) != 0;
      for (const FileOption& o : *file_options) carries = carries || (o.bit == bit && names_row(o, row));
      if (carries) carriers.push_back(&row);
      row.Flags &= ~bit;
    }
    std::erase_if(*file_options, [&](const FileOption& o) {
      if (o.bit != bit) return false;
      for (const EntryRow& row : *rows)
        if (names_row(o, row)) return true;
      return false;
    });
    for (size_t i = 0; i < carriers.size(); ++i) {
      if (i == 0) carriers[i]->Flags |= bit;
      else file_options->push_back({bit, carriers[i]->Name});
    }
  }
  std::sort(file_options->begin(), file_options->end());
  file_options->erase(std::unique(file_options->begin(), file_options->end()), file_options->end());
}

}  // namespace package
